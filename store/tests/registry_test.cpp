// The registry module and shell folder lookup against Wine's real registry and shell, each test in
// its own sandbox.
#include "registry.h"

#include "faulty_os.h"
#include "sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tarnwick {
namespace {

using testing::SetRaw;
using testing::SetSz;

constexpr std::wstring_view kKey = L"Software\\Test\\Values";

class RegistryTest : public ::testing::Test {
  protected:
    testing::RegistrySandbox sandbox;
    Os& os = SystemOs();
};

TEST_F(RegistryTest, ReadsOnlyPlainStrings) {
    const wchar_t expand[] = L"%SystemRoot%\\x.exe";
    SetRaw(HKEY_CURRENT_USER, kKey, L"expand", REG_EXPAND_SZ, expand, sizeof expand);
    EXPECT_EQ(Registry::GetValue(os, HKEY_CURRENT_USER, kKey, L"expand"), L"");
    EXPECT_EQ(Registry::ReadString(os, HKEY_CURRENT_USER, kKey, L"expand").status,
              ReadStatus::WrongType);

    const wchar_t embedded[] = L"before\0after";
    SetRaw(HKEY_CURRENT_USER, kKey, L"embedded", REG_SZ, embedded, sizeof embedded);
    EXPECT_EQ(Registry::GetValue(os, HKEY_CURRENT_USER, kKey, L"embedded"), L"before");

    const wchar_t unterminated[] = {L'a', L'b', L'c'};
    SetRaw(HKEY_CURRENT_USER, kKey, L"unterminated", REG_SZ, unterminated, sizeof unterminated);
    EXPECT_EQ(Registry::GetValue(os, HKEY_CURRENT_USER, kKey, L"unterminated"), L"abc");

    // An odd byte count cannot hold a whole last character; it is not invented.
    SetRaw(HKEY_CURRENT_USER, kKey, L"odd", REG_SZ, L"xy", 3);
    EXPECT_EQ(Registry::GetValue(os, HKEY_CURRENT_USER, kKey, L"odd"), L"x");

    SetRaw(HKEY_CURRENT_USER, kKey, L"empty", REG_SZ, L"", sizeof(wchar_t));
    const StringRead empty = Registry::ReadString(os, HKEY_CURRENT_USER, kKey, L"empty");
    EXPECT_EQ(empty.status, ReadStatus::Found);
    EXPECT_EQ(empty.text, L"");

    const DWORD number = 261;
    SetRaw(HKEY_CURRENT_USER, kKey, L"dword", REG_DWORD, &number, sizeof number);
    EXPECT_EQ(Registry::GetValue(os, HKEY_CURRENT_USER, kKey, L"dword", L"dflt"), L"dflt");
}

TEST_F(RegistryTest, MissingKeysAndValuesGiveTheDefaultAndChangeNothing) {
    EXPECT_EQ(Registry::GetValue(os, HKEY_CURRENT_USER, L"Software\\Nowhere", L"x", L"dflt"),
              L"dflt");
    EXPECT_EQ(Registry::ReadString(os, HKEY_CURRENT_USER, L"Software\\Nowhere", L"x").status,
              ReadStatus::NotFound);
    SetSz(HKEY_CURRENT_USER, kKey, L"present", L"1");
    EXPECT_EQ(Registry::GetValue(os, HKEY_CURRENT_USER, kKey, L"absent", L"dflt"), L"dflt");

    EXPECT_EQ(Registry::DeleteValue(os, HKEY_CURRENT_USER, kKey, L"absent"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Registry::DeleteValue(os, HKEY_CURRENT_USER, L"Software\\Nowhere", L"x"),
              ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(testing::KeyExists(HKEY_CURRENT_USER, L"Software\\Nowhere"));
    EXPECT_EQ(testing::DumpKey(HKEY_CURRENT_USER, kKey).size(), 1u);
}

TEST_F(RegistryTest, WritesCreateKeysAndReplaceOtherTypes) {
    const std::wstring deep = L"Software\\A\\B\\C";
    EXPECT_EQ(Registry::SetValue(os, HKEY_CURRENT_USER, deep, L"v", L"text"), ERROR_SUCCESS);
    EXPECT_EQ(Registry::GetValue(os, HKEY_CURRENT_USER, deep, L"v"), L"text");

    const DWORD number = 7;
    SetRaw(HKEY_CURRENT_USER, kKey, L"was dword", REG_DWORD, &number, sizeof number);
    Registry::SetValue(os, HKEY_CURRENT_USER, kKey, L"was dword", L"now text");
    const auto values = testing::DumpKey(HKEY_CURRENT_USER, kKey);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].type, static_cast<DWORD>(REG_SZ));
    // Written with its terminator: 8 characters + NUL.
    EXPECT_EQ(values[0].data.size(), 9 * sizeof(wchar_t));
}

TEST_F(RegistryTest, TextOutsideAnyCodePageRoundTrips) {
    const std::wstring name = L"\u4E2D\u6587 \U0001F600 \u0416";
    const std::wstring command = L"\"C:\\\u00DFpath\\\u0630.exe\" /\u03A9";
    Registry::SetValue(os, HKEY_CURRENT_USER, kKey, name, command);
    EXPECT_EQ(Registry::GetValue(os, HKEY_CURRENT_USER, kKey, name), command);
    EXPECT_EQ(Registry::EnumValues(os, HKEY_CURRENT_USER, kKey), std::vector<std::wstring>{name});
}

TEST_F(RegistryTest, AValueThatGrowsWhileItIsReadIsReadWhole) {
    const std::wstring small = L"s";
    const std::wstring large(2000, L'L');
    SetSz(HKEY_CURRENT_USER, kKey, L"growing", small);
    // Another program rewrites the value all the time, so that it often grows between the query
    // of its size and the read of its data.
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (bool big = true; !stop; big = !big)
            SetSz(HKEY_CURRENT_USER, kKey, L"growing", big ? large : small);
    });
    int failed = 0;
    int smallSeen = 0;
    int largeSeen = 0;
    LSTATUS firstFailure = ERROR_SUCCESS;
    for (int i = 0; i < 3000; ++i) {
        RegValue value;
        const LSTATUS rc = os.QueryValue(HKEY_CURRENT_USER, kKey, L"growing", value);
        if (rc != ERROR_SUCCESS) {
            if (failed++ == 0) firstFailure = rc;
            continue;
        }
        const std::wstring text = DecodeRegString(value.data);
        if (text == small) {
            ++smallSeen;
        } else if (text == large) {
            ++largeSeen;
        } else {
            ADD_FAILURE() << "read " << text.size() << " characters of neither value";
        }
    }
    stop = true;
    writer.join();
    EXPECT_EQ(failed, 0) << "first failure: " << firstFailure;
    // Both values were read: the value did change under the reads.
    EXPECT_GT(smallSeen, 0);
    EXPECT_GT(largeSeen, 0);
}

TEST_F(RegistryTest, APathNotFoundReadsAsNotThere) {
    // Windows may answer ERROR_PATH_NOT_FOUND where a key on the way is missing; Wine never does.
    testing::FaultyOs faulty(os);
    faulty.rule = testing::MissingAsPathNotFound(os);
    EXPECT_EQ(Registry::ReadString(faulty, HKEY_CURRENT_USER, L"Software\\Nowhere", L"x").status,
              ReadStatus::NotFound);
    SetSz(HKEY_CURRENT_USER, kKey, L"present", L"1");
    EXPECT_EQ(Registry::ReadString(faulty, HKEY_CURRENT_USER, kKey, L"absent").status,
              ReadStatus::NotFound);
    EXPECT_EQ(Registry::ReadString(faulty, HKEY_CURRENT_USER, kKey, L"present").status,
              ReadStatus::Found);
    // Any other failure is still a failure to read.
    faulty.rule = [](const testing::Call&) -> DWORD { return ERROR_ACCESS_DENIED; };
    EXPECT_EQ(Registry::ReadString(faulty, HKEY_CURRENT_USER, kKey, L"present").status,
              ReadStatus::Failed);
}

TEST_F(RegistryTest, ListingNamesEveryValue) {
    EXPECT_TRUE(Registry::EnumValues(os, HKEY_CURRENT_USER, L"Software\\Nowhere").empty());
    testing::SetSz(HKEY_CURRENT_USER, L"Software\\Empty", L"", L"");
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Empty", L"");
    EXPECT_TRUE(Registry::EnumValues(os, HKEY_CURRENT_USER, L"Software\\Empty").empty());

    SetSz(HKEY_CURRENT_USER, kKey, L"one", L"1");
    SetSz(HKEY_CURRENT_USER, kKey, L"", L"default value");
    // Names and data far beyond what a fixed 255/4000 buffer would hold, before and after
    // ordinary values: none of them may end or shorten the listing.
    const std::wstring longName(300, L'n');
    const std::wstring longData(5000, L'd');
    SetSz(HKEY_CURRENT_USER, kKey, longName, L"x");
    SetSz(HKEY_CURRENT_USER, kKey, L"big", longData);
    SetSz(HKEY_CURRENT_USER, kKey, L"zzz after", L"3");

    std::vector<std::wstring> names = Registry::EnumValues(os, HKEY_CURRENT_USER, kKey);
    std::sort(names.begin(), names.end());  // the registry's order differs between platforms
    EXPECT_EQ(names, (std::vector<std::wstring>{L"", L"big", longName, L"one", L"zzz after"}));
    EXPECT_EQ(Registry::GetValue(os, HKEY_CURRENT_USER, kKey, L"big"), longData);
}

TEST_F(RegistryTest, SpecialFoldersFollowTheUsersShellFolders) {
    testing::Sandbox box;  // redirects Start Menu and Recent into temp folders
    const std::wstring startMenu = SpecialFolderPath(os, nullptr, kCsidlStartMenu);
    EXPECT_EQ(startMenu, box.folders.startMenu.wstring());
    EXPECT_EQ(StartUpFolder(os, nullptr), box.folders.startMenu.wstring() + L"\\Programs\\StartUp");
    // "My Computer" is virtual: no file-system path.
    EXPECT_EQ(SpecialFolderPath(os, nullptr, 0x0011), L"");
}

TEST_F(RegistryTest, StartUpFolderNeedsBothRecentAndStartMenu) {
    testing::Sandbox box;
    testing::FaultyOs faulty(os);
    for (int missing : {kCsidlRecent, kCsidlStartMenu}) {
        faulty.rule = [missing](const testing::Call& call) -> DWORD {
            return call.op == testing::Op::ShellFolder && call.a == std::to_wstring(missing) ? 1
                                                                                             : 0;
        };
        EXPECT_EQ(StartUpFolder(faulty, nullptr), L"") << "folder " << missing << " unresolvable";
    }
}

}  // namespace
}  // namespace tarnwick
