// The fixture of the tests on the real TarnwickSettings.exe: the real registry keys and folders
// the program touches kept safe around each test, a fresh program folder with a copy of the
// program, and the store read and written from here.
#pragma once

#include "exe_driver.h"
#include "resource.h"
#include "store_view.h"

#include "registry.h"

#include <gtest/gtest.h>

#include <memory>

namespace tarnwick::settings {

using namespace std::chrono_literals;
using Names = std::vector<std::wstring>;

class WindowTest : public ::testing::Test {
  protected:
    testing::RealStateGuard world;
    testing::TempFolder folder{L"Tarnwick"};
    std::filesystem::path exe = folder.Path() / L"TarnwickSettings.exe";
    Os& os = SystemOs();

    // The program beside a stand-in for the launcher's file, as an installation leaves them.
    WindowTest() {
        std::filesystem::copy_file(testing::BuiltProgram(TARNWICK_SETTINGS_EXE), exe);
        testing::WriteFile(folder.Path() / L"Tarnwick.exe", "launcher");
        // The pointer rests in a corner no window of the program covers. Where a window of it
        // appears under the pointer, Wine hands it a move to the pointer's place some time later,
        // and a list that holds the mouse between a test's press and release takes that as a
        // drag to the row under the pointer.
        testing::MoveMouse(::GetSystemMetrics(SM_CXSCREEN) - 1,
                           ::GetSystemMetrics(SM_CYSCREEN) - 1);
    }

    std::unique_ptr<SettingsProcess> Open() const { return std::make_unique<SettingsProcess>(exe); }
    // "&Save" and "&Cancel" end the program, and end it well.
    static void Save(SettingsProcess& window) { End(window, IDC_Command1); }
    static void Cancel(SettingsProcess& window) { End(window, IDC_Command2); }
    static void End(SettingsProcess& window, int button) {
        window.Click(button);
        const std::optional<DWORD> code = window.Wait(10s);
        ASSERT_TRUE(code.has_value());
        EXPECT_EQ(*code, 0u);
    }
    static bool PriorityExists() {
        return testing::KeyExists(HKEY_CURRENT_USER, StoreSectionKey(kPrioritySection));
    }
};

}  // namespace tarnwick::settings
