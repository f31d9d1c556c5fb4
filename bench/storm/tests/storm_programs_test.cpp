// The storm benchmark's programs on their own: what they write, how they refuse bad input, that
// their times share one clock, and that the driver keeps its schedule and waits for its storm.
#include "context.h"
#include "storm_common.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace tarnwick::storm {
namespace {

namespace fs = std::filesystem;

fs::path Beside(const wchar_t* name) {
    return fs::path(ProgramFolder()) / name;
}

std::wstring Quoted(const fs::path& path) {
    return L"\"" + path.wstring() + L"\"";
}

// One argument of a command line, quoted so that CommandLineToArgvW gives back exactly `text`:
// a quote is escaped with a backslash, and backslashes before a quote are doubled.
std::wstring Arg(const std::wstring& text) {
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : text) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, L'\\');
    return out + L"\"";
}

DWORD ExitCodeOf(const std::wstring& commandLine) {
    UniqueHandle process = StartCommand(commandLine);
    if (!process) return static_cast<DWORD>(-100);
    if (::WaitForSingleObject(process.get(), 60'000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 1);
        return static_cast<DWORD>(-200);
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    return code;
}

std::vector<std::vector<std::string>> Lines(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::vector<std::string>> lines;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        lines.emplace_back();
        for (std::string word; words >> word;) lines.back().push_back(word);
    }
    return lines;
}

class StormPrograms : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = fs::path(temp) / (L"storm-test-" + std::to_wstring(::GetCurrentProcessId()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    fs::path In(const wchar_t* name) const { return folder_ / name; }
    std::set<std::wstring> Files() const {
        std::set<std::wstring> names;
        for (const auto& entry : fs::directory_iterator(folder_))
            names.insert(entry.path().filename().wstring());
        return names;
    }
    std::wstring Load(const wchar_t* log, const wchar_t* data, const std::wstring& rest) const {
        return Quoted(load_) + L" " + Quoted(In(log)) + L" " + Quoted(In(data)) + L" " + rest;
    }
    std::wstring Probe(const std::wstring& rest) const {
        return Quoted(probe_) + L" " + Quoted(In(L"probe.tmp")) + L" " + rest;
    }
    std::wstring Driver(const std::wstring& rest) const {
        return Quoted(driver_) + L" " + Quoted(In(L"out.txt")) + L" " + rest;
    }

    fs::path folder_;
    const fs::path load_ = Beside(L"storm_load.exe");
    const fs::path probe_ = Beside(L"storm_probe.exe");
    const fs::path driver_ = Beside(L"storm_driver.exe");
};

TEST(StormCommon, CountsAreWholeNonNegativeDecimalNumbersOnly) {
    EXPECT_EQ(ParseCount(L"0"), 0u);
    EXPECT_EQ(ParseCount(L"1800"), 1800u);
    EXPECT_EQ(ParseCount(L"007"), 7u);
    for (const wchar_t* bad : {L"", L"-1", L"+1", L"1.5", L"12a", L" 1", L"1 ", L"1234567890123"})
        EXPECT_FALSE(ParseCount(bad)) << "accepted \"" << fs::path(bad).string() << "\"";
}

TEST(StormCommon, TheWorkIsFixedAndEveryUnitCounts) {
    EXPECT_EQ(Spin(3), Spin(3));
    EXPECT_NE(Spin(0), Spin(1));
    EXPECT_NE(Spin(1), Spin(2));
    EXPECT_NE(Spin(1, 1), Spin(1, 3));
}

TEST(StormCommon, ThePatternUsesEveryByteAndDependsOnItsSeed) {
    const auto a = Pattern(1), b = Pattern(2);
    ASSERT_EQ(a.size(), 1u << 20);
    EXPECT_EQ(std::set<char>(a.begin(), a.end()).size(), 256u);
    EXPECT_NE(a, b);
}

TEST_F(StormPrograms, LoadWritesItsDataAndLogsWhenItRan) {
    const double before = NowMs();
    ASSERT_EQ(ExitCodeOf(Load(L"log.txt", L"data.dat", L"5 3")), 0u);
    const double after = NowMs();

    EXPECT_EQ(fs::file_size(In(L"data.dat")), 3u << 20);
    const auto lines = Lines(In(L"log.txt"));
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].size(), 2u);
    const double start = std::stod(lines[0][0]), end = std::stod(lines[0][1]);
    // The same clock as this process: the load ran inside the time this test waited for it.
    EXPECT_LE(before, start);
    EXPECT_LE(start, end);
    EXPECT_LE(end, after);
}

TEST_F(StormPrograms, LoadWithoutDataStillDoesItsWork) {
    ASSERT_EQ(ExitCodeOf(Load(L"log.txt", L"data.dat", L"2 0")), 0u);
    EXPECT_EQ(fs::file_size(In(L"data.dat")), 0u);
    EXPECT_EQ(Lines(In(L"log.txt")).size(), 1u);
}

TEST_F(StormPrograms, LoadRefusesBadArgumentsAndWritesNothing) {
    const std::wstring log = Quoted(In(L"log.txt")), data = Quoted(In(L"data.dat"));
    for (const std::wstring& args :
         {std::wstring(), log, log + L" " + data + L" 5", log + L" " + data + L" x 3",
          log + L" " + data + L" 5 -3", log + L" " + data + L" 5 3 more"}) {
        EXPECT_EQ(ExitCodeOf(Quoted(load_) + L" " + args), 2u) << fs::path(args).string();
    }
    EXPECT_TRUE(Files().empty());
}

TEST_F(StormPrograms, LoadThatCannotWriteLeavesNoLog) {
    EXPECT_EQ(ExitCodeOf(Load(L"log.txt", L"missing\\data.dat", L"1 1")), 3u);
    EXPECT_TRUE(Files().empty());
}

TEST_F(StormPrograms, ProbeLeavesNothingBehind) {
    EXPECT_EQ(ExitCodeOf(Probe(L"2 64")), 0u);
    EXPECT_TRUE(Files().empty());
}

TEST_F(StormPrograms, ProbeRefusesBadArguments) {
    for (const wchar_t* args : {L"2", L"x 64", L"2 64 more", L"2 2048"})
        EXPECT_EQ(ExitCodeOf(Probe(args)), 2u) << fs::path(args).string();
    EXPECT_TRUE(Files().empty());
}

// Probe lines of the driver's record as (start, latency) in ms; fails the test on a bad line.
struct Record {
    double t0 = -1;
    std::vector<std::pair<double, double>> probes;
    std::vector<int> probeCodes;
    std::vector<int> exitCodes;
};

Record ReadRecord(const fs::path& path) {
    Record record;
    for (const auto& words : Lines(path)) {
        if (words.size() == 2 && words[0] == "t0") {
            record.t0 = std::stod(words[1]);
        } else if (words.size() == 4 && words[0] == "probe") {
            record.probes.emplace_back(std::stod(words[1]), std::stod(words[2]));
            record.probeCodes.push_back(std::stoi(words[3]));
        } else if (words.size() == 3 && words[0] == "exit") {
            record.exitCodes.push_back(std::stoi(words[2]));
        } else {
            ADD_FAILURE() << "unexpected line with " << words.size() << " words";
        }
    }
    return record;
}

TEST_F(StormPrograms, DriverProbesOnTheSecondAndWaitsForItsStorm) {
    const std::wstring storm = L" " + Arg(Load(L"1.txt", L"1.dat", L"300 1")) + L" " +
                               Arg(Load(L"2.txt", L"2.dat", L"300 1"));
    ASSERT_EQ(ExitCodeOf(Driver(L"3 " + Arg(Probe(L"2 16")) + storm)), 0u);

    const Record record = ReadRecord(In(L"out.txt"));
    ASSERT_GE(record.probes.size(), 2u);
    for (std::size_t i = 0; i < record.probes.size(); ++i) {
        const auto [start, latency] = record.probes[i];
        EXPECT_GE(start, 0);
        EXPECT_LT(start, 3000);
        EXPECT_GT(latency, 0);
        EXPECT_EQ(record.probeCodes[i], 0);
        // On a tick, give or take the scheduler: a process start on a machine that a build keeps
        // busy was seen to take 280 ms, and a driver that drifted would be a whole tick late.
        const double late = start - 1000 * std::floor(start / 1000 + 0.01);
        EXPECT_LT(late, 500) << "probe " << i << " started at " << start;
        if (i > 0) {
            const auto [previous, previousLatency] = record.probes[i - 1];
            EXPECT_GE(start, previous + previousLatency) << "probes overlapped at " << i;
        }
    }
    EXPECT_EQ(record.exitCodes, (std::vector<int>{0, 0}));
    // The driver returned only after its storm had ended and logged.
    for (const wchar_t* log : {L"1.txt", L"2.txt"}) {
        const auto lines = Lines(In(log));
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_GE(std::stod(lines[0][0]), record.t0);
    }
}

TEST_F(StormPrograms, DriverSkipsTicksWhileTheProbeStillRuns) {
    // A probe of about a second and a half: the tick after its start comes while it runs.
    ASSERT_EQ(ExitCodeOf(Driver(L"4 " + Arg(Probe(L"900 16")))), 0u);
    const Record record = ReadRecord(In(L"out.txt"));
    ASSERT_GE(record.probes.size(), 1u);
    EXPECT_LT(record.probes.size(), 4u);
    for (std::size_t i = 1; i < record.probes.size(); ++i) {
        const auto [previous, latency] = record.probes[i - 1];
        const double start = record.probes[i].first;
        EXPECT_GE(start, previous + latency);
        EXPECT_LT(start, previous + latency + 1250);
        EXPECT_LT(start - 1000 * std::floor(start / 1000 + 0.01), 250) << "off the tick: " << start;
    }
}

TEST_F(StormPrograms, DriverReportsAProbeThatFails) {
    EXPECT_EQ(ExitCodeOf(Driver(L"2 " + Arg(Probe(L"bad 16")))), 4u);
    const Record record = ReadRecord(In(L"out.txt"));
    ASSERT_FALSE(record.probes.empty());
    for (int code : record.probeCodes) EXPECT_EQ(code, 2);
}

TEST_F(StormPrograms, DriverStopsWhenAStormProgramCannotStart) {
    const std::wstring missing = Arg(Quoted(In(L"missing.exe")));
    EXPECT_EQ(ExitCodeOf(Driver(L"2 " + Arg(Probe(L"2 16")) + L" " + missing)), 3u);
    EXPECT_FALSE(fs::exists(In(L"out.txt")));
}

TEST_F(StormPrograms, DriverRefusesBadArguments) {
    EXPECT_EQ(ExitCodeOf(Quoted(driver_) + L" " + Quoted(In(L"out.txt")) + L" 2"), 2u);
    EXPECT_EQ(ExitCodeOf(Driver(L"two " + Arg(Probe(L"2 16")))), 2u);
    EXPECT_TRUE(Files().empty());
}

}  // namespace
}  // namespace tarnwick::storm
