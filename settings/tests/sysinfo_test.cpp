// The about box's registry reader and its way to the System Information tool, over a sandboxed
// HKEY_LOCAL_MACHINE: what is read, what is started, and when the user is told it cannot be.
#include "sysinfo.h"

#include "exe_harness.h"
#include "faulty_os.h"
#include "sandbox.h"

#include <gtest/gtest.h>

namespace tarnwick::settings {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::Call;
using testing::Op;
using testing::SetRaw;
using testing::SetSz;

constexpr std::wstring_view kKey = L"SOFTWARE\\Tarnwick Test";

class GetKeyValueTest : public ::testing::Test {
  protected:
    testing::Sandbox sandbox;
    Os& os = SystemOs();

    void Set(std::wstring_view name, DWORD type, const void* data, size_t size) {
        SetRaw(HKEY_LOCAL_MACHINE, kKey, name, type, data, static_cast<DWORD>(size));
    }
    // The value read, or "<false: text>" when the reader said it was not read.
    std::wstring Read(std::wstring_view name, std::wstring seed = L"0xdeadbeef") {
        const bool found = GetKeyValue(os, HKEY_LOCAL_MACHINE, kKey, name, seed);
        return found ? seed : L"<false: " + seed + L">";
    }
};

TEST_F(GetKeyValueTest, TextsAreReadWithOrWithoutTheirTerminator) {
    SetSz(HKEY_LOCAL_MACHINE, kKey, L"Ended", L"C:\\Tools\\msinfo32.exe");
    const std::wstring bare = L"C:\\Bare";
    Set(L"Bare", REG_SZ, bare.data(), bare.size() * sizeof(wchar_t));
    const wchar_t tail[] = L"C:\\Cut\0left over";
    Set(L"Tail", REG_SZ, tail, sizeof tail);
    Set(L"Empty", REG_SZ, L"", sizeof(wchar_t));
    EXPECT_EQ(Read(L"Ended"), L"C:\\Tools\\msinfo32.exe");
    EXPECT_EQ(Read(L"Bare"), L"C:\\Bare");
    EXPECT_EQ(Read(L"Tail"), L"C:\\Cut");
    EXPECT_EQ(Read(L"Empty"), L"");
}

TEST_F(GetKeyValueTest, ANumberIsReadAsItsDecimalText) {
    const DWORD numbers[] = {261, 0, 0xFFFFFFFF};
    Set(L"Small", REG_DWORD, &numbers[0], sizeof(DWORD));
    Set(L"Zero", REG_DWORD, &numbers[1], sizeof(DWORD));
    Set(L"Largest", REG_DWORD, &numbers[2], sizeof(DWORD));
    // A careless writer's short number: the bytes that are there, low byte first.
    const BYTE shortNumber[] = {0x05, 0x01};
    Set(L"Short", REG_DWORD, shortNumber, sizeof shortNumber);
    EXPECT_EQ(Read(L"Small"), L"261");
    EXPECT_EQ(Read(L"Zero"), L"0");
    EXPECT_EQ(Read(L"Largest"), L"4294967295");
    EXPECT_EQ(Read(L"Short"), L"261");
}

TEST_F(GetKeyValueTest, AnExpandableTextHasItsVariablesExpanded) {
    const std::wstring text = L"%SystemRoot%\\system32\\msinfo32.exe";
    Set(L"Expand", REG_EXPAND_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    wchar_t root[MAX_PATH]{};
    ASSERT_GT(::GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH), 0u);
    EXPECT_EQ(Read(L"Expand"), std::wstring(root) + L"\\system32\\msinfo32.exe");
}

TEST_F(GetKeyValueTest, OtherTypesAreFoundButLeaveTheTextAsPassed) {
    const BYTE binary[] = {1, 2, 3};
    const ULONGLONG large = 261;
    const wchar_t multi[] = L"a\0b\0";
    Set(L"Binary", REG_BINARY, binary, sizeof binary);
    Set(L"Large", REG_QWORD, &large, sizeof large);
    Set(L"Multi", REG_MULTI_SZ, multi, sizeof multi);
    EXPECT_EQ(Read(L"Binary", L"as passed"), L"as passed");
    EXPECT_EQ(Read(L"Large", L"as passed"), L"as passed");
    EXPECT_EQ(Read(L"Multi", L"as passed"), L"as passed");
}

TEST_F(GetKeyValueTest, WhatCannotBeReadIsEmptyAndFalse) {
    SetSz(HKEY_LOCAL_MACHINE, kKey, L"Longest", std::wstring(1023, L'x'));
    SetSz(HKEY_LOCAL_MACHINE, kKey, L"TooLong", std::wstring(1024, L'x'));
    EXPECT_EQ(Read(L"Longest"), std::wstring(1023, L'x'));
    EXPECT_EQ(Read(L"TooLong"), L"<false: >");
    EXPECT_EQ(Read(L"Missing"), L"<false: >");
    std::wstring text = L"0xdeadbeef";
    EXPECT_FALSE(GetKeyValue(os, HKEY_LOCAL_MACHINE, L"SOFTWARE\\No Such Key", L"PATH", text));
    EXPECT_EQ(text, L"");

    testing::FaultyOs denied(os);
    denied.rule = [](const Call& call) {
        return call.op == Op::QueryValue ? DWORD{ERROR_ACCESS_DENIED} : DWORD{0};
    };
    text = L"0xdeadbeef";
    EXPECT_FALSE(GetKeyValue(denied, HKEY_LOCAL_MACHINE, kKey, L"Longest", text));
    EXPECT_EQ(text, L"");
}

// The tool's registry entries in the sandbox, and every start the tool's finder asks for.
class StartSysInfoTest : public ::testing::Test {
  protected:
    testing::Sandbox sandbox;
    testing::FaultyOs os{SystemOs()};
    std::vector<std::wstring> started;
    DWORD startResult = ERROR_FILE_NOT_FOUND;

    StartSysInfoTest() {
        os.rule = [this](const Call& call) {
            if (call.op != Op::StartProcess) return DWORD{0};
            started.push_back(call.a);
            return startResult;
        };
    }
    static void SetPath(std::wstring_view path) {
        SetSz(HKEY_LOCAL_MACHINE, kMsInfoKey, L"PATH", path);
    }
    static void SetLocation(std::wstring_view folder) {
        SetSz(HKEY_LOCAL_MACHINE, kSharedToolsLocationKey, L"MSINFO", folder);
    }
};

TEST_F(StartSysInfoTest, NothingRegisteredStartsNothing) {
    EXPECT_FALSE(TryStartSysInfo(os));
    EXPECT_TRUE(started.empty());
}

TEST_F(StartSysInfoTest, TheRegisteredPathIsStartedWholeAndAloneEvenWhenItFails) {
    SetPath(L"C:\\Program Files\\Common Files\\MSInfo\\msinfo32.exe");
    tarnwick::testing::WriteFile(sandbox.folders.program / L"MSINFO32.EXE");
    SetLocation(sandbox.ProgramFolder());
    EXPECT_FALSE(TryStartSysInfo(os));
    // One try: a failed start of the registered tool is not followed by the other entry.
    EXPECT_EQ(started, std::vector<std::wstring>{
                           L"\"C:\\Program Files\\Common Files\\MSInfo\\msinfo32.exe\""});

    started.clear();
    SetPath(L"\"C:\\Quoted Folder\\msinfo32.exe\"");
    EXPECT_FALSE(TryStartSysInfo(os));
    EXPECT_EQ(started, std::vector<std::wstring>{L"\"C:\\Quoted Folder\\msinfo32.exe\""});

    started.clear();
    SetPath(L"");
    EXPECT_FALSE(TryStartSysInfo(os));
    EXPECT_TRUE(started.empty());
}

TEST_F(StartSysInfoTest, TheToolsFolderIsUsedOnlyWhenItHoldsTheProgram) {
    const fs::path folder = sandbox.folders.program / L"Shared Tools";
    fs::create_directories(folder);
    SetLocation(folder.wstring() + L"\\");
    EXPECT_FALSE(TryStartSysInfo(os));
    EXPECT_TRUE(started.empty());

    // A folder of the program's name is no program.
    fs::create_directories(folder / L"MSINFO32.EXE");
    EXPECT_FALSE(TryStartSysInfo(os));
    EXPECT_TRUE(started.empty());
    fs::remove(folder / L"MSINFO32.EXE");

    tarnwick::testing::WriteFile(folder / L"MSINFO32.EXE");
    EXPECT_FALSE(TryStartSysInfo(os));
    EXPECT_EQ(started, std::vector<std::wstring>{L"\"" + folder.wstring() + L"\\MSINFO32.EXE\""});

    started.clear();
    SetLocation(L"");
    EXPECT_FALSE(TryStartSysInfo(os));
    EXPECT_TRUE(started.empty());
}

TEST_F(StartSysInfoTest, ARealProgramIsStartedFromEitherEntry) {
    const fs::path standIn = tarnwick::testing::BuiltProgram(TARNWICK_SYSINFO_STAND_IN);
    os.rule = nullptr;
    auto startedOnce = [](const fs::path& program) {
        const fs::path marker = program.wstring() + L".ran";
        const bool ran = testing::Eventually([&] { return fs::exists(marker); }, 10s);
        std::error_code ec;
        fs::remove(marker, ec);
        return ran;
    };

    const fs::path spaced = sandbox.folders.program / L"Folder With Spaces";
    fs::create_directories(spaced);
    fs::copy_file(standIn, spaced / L"msinfo32.exe");
    SetPath((spaced / L"msinfo32.exe").wstring());
    EXPECT_TRUE(TryStartSysInfo(os));
    EXPECT_TRUE(startedOnce(spaced / L"msinfo32.exe"));

    // A folder of its own: the first copy may still be running, and a running program's file
    // cannot be replaced.
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, std::wstring(kMsInfoKey).c_str());
    const fs::path tools = sandbox.folders.program / L"Shared Tools Folder";
    fs::create_directories(tools);
    fs::copy_file(standIn, tools / L"MSINFO32.EXE");
    SetLocation(tools.wstring());
    EXPECT_TRUE(TryStartSysInfo(os));
    EXPECT_TRUE(startedOnce(tools / L"MSINFO32.EXE"));
}

}  // namespace
}  // namespace tarnwick::settings
