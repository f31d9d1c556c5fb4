// The fixture of the tests on the real TarnwickSettings.exe: the real registry keys and StartUp
// folder kept safe around each test, a fresh program folder with a copy of the program, and the
// store read and written from here.
#pragma once

#include "exe_driver.h"
#include "resource.h"

#include "capture.h"
#include "registry.h"
#include "settings_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace tarnwick::settings {

using testing::SettingsProcess;
using Pairs = std::vector<std::pair<std::wstring, std::wstring>>;
using Names = std::vector<std::wstring>;

class WindowTest : public ::testing::Test {
  protected:
    testing::RealWorldSnapshot world;
    testing::ProgramFolderCopy folder;
    Os& os = SystemOs();

    std::unique_ptr<SettingsProcess> Open() {
        auto process = std::make_unique<SettingsProcess>(folder.Exe());
        if (!process->Window()) throw std::runtime_error("no window");
        return process;
    }
    static void Save(const SettingsProcess& window) {
        window.Click(IDC_Command1);
        ASSERT_TRUE(window.WaitForExit());
        EXPECT_EQ(window.ExitCode(), 0u);
    }
    static void Cancel(const SettingsProcess& window) {
        window.Click(IDC_Command2);
        ASSERT_TRUE(window.WaitForExit());
        EXPECT_EQ(window.ExitCode(), 0u);
    }
    std::wstring Misc(std::wstring_view key) { return StoreRead(os, kMiscSection, key, L"-"); }
    void SetMisc(std::wstring_view key, std::wstring_view text) {
        StoreWrite(os, kMiscSection, key, text);
    }
    // Captured Run values of the machine, as a capture leaves them in the store.
    void Held(const Names& names) {
        for (const auto& name : names)
            StoreWrite(os, kMachineSection, name, L"C:\\" + name + L".exe");
    }
    Pairs Priority() {
        auto pairs = StoreReadSection(os, kPrioritySection);
        std::sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) {
            return std::stoi(a.second) < std::stoi(b.second);
        });
        return pairs;
    }
    bool PriorityExists() {
        return tarnwick::testing::KeyExists(HKEY_CURRENT_USER, StoreSectionKey(kPrioritySection));
    }
};

}  // namespace tarnwick::settings
