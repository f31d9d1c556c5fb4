// The stored forms of a program's own wait and of what each program cost the log-on: what odd
// stored texts read as, the impact words at Task Manager's thresholds, and a log-on written and
// read back through the real registry.
#include "labels.h"
#include "logon_costs.h"
#include "own_wait.h"
#include "settings_store.h"

#include "faulty_os.h"
#include "sandbox.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

using Kind = OwnWait::Kind;

TEST(OwnWaitText, ReadsOnlyWholeSecondsInRangeAndTheEndedWord) {
    EXPECT_EQ(ParseOwnWait(L"0"), (OwnWait{Kind::Seconds, 0}));
    EXPECT_EQ(ParseOwnWait(L" 120 "), (OwnWait{Kind::Seconds, 120}));
    EXPECT_EQ(ParseOwnWait(L"3600"), (OwnWait{Kind::Seconds, 3600}));
    EXPECT_EQ(ParseOwnWait(L"ENDED"), (OwnWait{Kind::UntilEnded, 0}));
    for (const wchar_t* odd : {L"", L"3601", L"-4", L"+4", L"4.5", L"1e3", L"99999999999999999999",
                               L"soon", L"4 s", L"0x10"}) {
        EXPECT_EQ(ParseOwnWait(odd), std::nullopt) << odd;
    }
    EXPECT_EQ(OwnWaitText({Kind::Seconds, 45}), L"45");
    EXPECT_EQ(OwnWaitText({Kind::UntilEnded, 0}), L"ended");
    EXPECT_EQ(OwnWaitText({}), L"");
}

class StoredPaceTest : public ::testing::Test {
  protected:
    testing::RegistrySandbox sandbox;
    Os& os = SystemOs();
};

TEST_F(StoredPaceTest, OddStoredWaitsReadAsTheSameAsTheOthersAndStayInTheStore) {
    StoreWrite(os, kWaitSection, L"Chat", L"0");
    StoreWrite(os, kWaitSection, L"Sync", L"-5");
    StoreWrite(os, kWaitSection, L"Mount", L"ended");
    const DWORD dword = 30;
    testing::SetRaw(HKEY_CURRENT_USER, StoreSectionKey(kWaitSection), L"Mail", REG_DWORD, &dword,
                    sizeof dword);
    const OwnWaits waits = ReadOwnWaits(os);
    EXPECT_EQ(WaitOf(waits, L"CHAT"), (OwnWait{Kind::Seconds, 0}));
    EXPECT_EQ(WaitOf(waits, L"mount"), (OwnWait{Kind::UntilEnded, 0}));
    EXPECT_EQ(WaitOf(waits, L"Sync"), OwnWait{});
    EXPECT_EQ(WaitOf(waits, L"Mail"), OwnWait{});
    EXPECT_EQ(WaitOf(waits, L"Absent"), OwnWait{});
    EXPECT_EQ(StoreRead(os, kWaitSection, L"Sync", L""), L"-5");

    EXPECT_EQ(WriteOwnWait(os, L"chat", {}), ERROR_SUCCESS);
    EXPECT_EQ(WriteOwnWait(os, L"Sync", {Kind::Seconds, 90}), ERROR_SUCCESS);
    EXPECT_EQ(WaitOf(ReadOwnWaits(os), L"Chat"), OwnWait{});
    EXPECT_EQ(WaitOf(ReadOwnWaits(os), L"Sync"), (OwnWait{Kind::Seconds, 90}));
}

TEST(Impact, FollowsTaskManagersThresholds) {
    EXPECT_EQ(ImpactOf(0, 0), Impact::Low);
    EXPECT_EQ(ImpactOf(299, 300 * 1024 - 1), Impact::Low);
    EXPECT_EQ(ImpactOf(300, 0), Impact::Medium);
    EXPECT_EQ(ImpactOf(0, 300 * 1024), Impact::Medium);
    EXPECT_EQ(ImpactOf(1000, 3 * 1024 * 1024), Impact::Medium);
    EXPECT_EQ(ImpactOf(1001, 0), Impact::High);
    EXPECT_EQ(ImpactOf(0, 3 * 1024 * 1024 + 1), Impact::High);
    EXPECT_EQ(ImpactWord(MedianImpact({})), L"Not measured");
}

TEST(Impact, IsTheMedianLogOnsNotTheWorstOrTheLast) {
    const auto cpu = [](uint64_t ms) { return ProgramCost{ms, 0, 0, std::nullopt, false}; };
    // One slow log-on (an update, a first run) among quiet ones leaves the program Low.
    EXPECT_EQ(MedianImpact({cpu(5000), cpu(10), cpu(20), cpu(15), cpu(30)}), Impact::Low);
    EXPECT_EQ(MedianImpact({cpu(5000), cpu(4000), cpu(20)}), Impact::High);
    // An even count takes the mean of the middle two: 200 and 400 give 300, Medium.
    EXPECT_EQ(MedianImpact({cpu(100), cpu(200), cpu(400), cpu(9000)}), Impact::Medium);
    // Processor time and disk are each the median of their own.
    EXPECT_EQ(
        MedianImpact(
            {{0, 4'000'000, 0, 1, false}, {2000, 0, 0, 1, false}, {0, 0, 4'000'000, 1, false}}),
        Impact::High);
}

TEST(CostText, RoundTripsAndSkipsRecordsThatDoNotRead) {
    const ProgramCost full{1234, 5'000'000'000ull, 7, 850, true};
    const ProgramCost bare{0, 0, 0, std::nullopt, false};
    EXPECT_EQ(CostText(full), L"1234,5000000000,7,850,1");
    EXPECT_EQ(ParseCosts(CostsText({full, bare})), (std::vector<ProgramCost>{full, bare}));
    EXPECT_EQ(ParseCosts(L"1,2,3,-,0;junk;-1,2,3,4,0;1,2,3,4;4,5,6,7,2;9,9,9,9,0"),
              (std::vector<ProgramCost>{{1, 2, 3, std::nullopt, false}, {9, 9, 9, 9, false}}));
    EXPECT_EQ(ParseCosts(L"1,0,0,-,0;2,0,0,-,0;3,0,0,-,0;4,0,0,-,0;5,0,0,-,0;6,0,0,-,0").size(),
              kKeptLogOns);
}

StartedProgram Program(std::wstring name, uint32_t startMs, uint64_t cpuMs) {
    return {std::move(name), startMs, {400, 600}, {cpuMs, 1024, 2048, 700, false}};
}

TEST_F(StoredPaceTest, ALogOnKeepsTheNewestFiveOfEachProgramAndLeavesTheOthers) {
    StoreWrite(os, kImpactSection, L"Absent today", L"2000,0,0,-,0");
    for (uint64_t logOn = 1; logOn <= 7; ++logOn) {
        LogOnRecord record;
        record.when = logOn;
        record.programs = {Program(L"Chat", 2000, logOn * 100)};
        ASSERT_EQ(WriteLogOn(os, record), ERROR_SUCCESS);
    }
    const KeptCosts kept = ReadCosts(os);
    ASSERT_EQ(kept.at(L"chat").size(), kKeptLogOns);
    EXPECT_EQ(kept.at(L"Chat").front().cpuMs, 700u);
    EXPECT_EQ(kept.at(L"Chat").back().cpuMs, 300u);
    EXPECT_EQ(kept.at(L"Absent today").size(), 1u);
}

TEST_F(StoredPaceTest, TheLastLogOnReadsBackWholeWhateverItsProgramsAreCalled) {
    LogOnRecord record;
    record.when = 134'000'000'000'000'000ull;
    record.spanMs = 48'000;
    record.waitedForIdle = true;
    record.load = {{1800, 97}, {2000, 12}};
    record.programs = {Program(L"Sync | two; three, four", 2000, 1500),
                       Program(L"Chat", 48'000, 3)};
    record.programs[1].cpuPerSecond.clear();
    ASSERT_EQ(WriteLogOn(os, record), ERROR_SUCCESS);
    const std::optional<LogOnRecord> read = ReadLastLogOn(os);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->when, record.when);
    EXPECT_EQ(read->spanMs, 48'000u);
    EXPECT_TRUE(read->waitedForIdle);
    EXPECT_EQ(read->load, record.load);
    ASSERT_EQ(read->programs.size(), 2u);
    EXPECT_EQ(read->programs[0].name, L"Sync | two; three, four");
    EXPECT_EQ(read->programs[0].cpuPerSecond, (std::vector<uint32_t>{400, 600}));
    EXPECT_EQ(read->programs[0].cost, record.programs[0].cost);
    EXPECT_EQ(read->programs[1].startMs, 48'000u);
    EXPECT_TRUE(read->programs[1].cpuPerSecond.empty());

    // A second log-on with fewer programs leaves no row of the first behind.
    record.programs.resize(1);
    WriteLogOn(os, record);
    EXPECT_EQ(ReadLastLogOn(os)->programs.size(), 1u);
}

TEST_F(StoredPaceTest, ALogOnWhoseWritingWasCutShortReadsAsNone) {
    testing::FaultyOs faulty(os);
    LogOnRecord record;
    record.when = 5;
    record.programs = {Program(L"Chat", 0, 1)};
    // Every write after the first fails: the impact record is in, the log-on's time never is.
    faulty.CutAfter(3);
    EXPECT_NE(WriteLogOn(faulty, record), ERROR_SUCCESS);
    EXPECT_EQ(ReadLastLogOn(os), std::nullopt);
    EXPECT_EQ(ReadCosts(os).at(L"Chat").size(), 1u);
}

}  // namespace
}  // namespace tarnwick
