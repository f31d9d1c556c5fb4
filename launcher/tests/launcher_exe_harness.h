// Running the real Tarnwick.exe from a test process, on top of the shared harness (which saves
// and empties the places the program touches and puts them back): a program folder with a copy
// of the exe, sample start-up programs that note when they were started, real mouse input and
// screenshots.
#pragma once

#include "accessibility_checks.h"
#include "exe_harness.h"  // the shared one, from the test support library
#include "probe.h"
#include "sandbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::testing {

using Clock = std::chrono::steady_clock;

std::filesystem::path TarnwickExe();
std::filesystem::path SampleExe();

RECT WindowRect(HWND hwnd);
int Width(const RECT& r);
int Height(const RECT& r);

// Real button input, as the user's mouse gives it (MoveMouse, in the shared harness, moves it).
// `data`: which X button, for MOUSEEVENTF_XDOWN and MOUSEEVENTF_XUP.
void MouseButton(DWORD flag, DWORD data = 0);

// One start of tw_sample.exe, as it recorded it.
struct SampleStart {
    std::wstring name;
    long long created = 0;  // process creation, FILETIME ticks
    long long entered = 0;  // the sample's own code under way, which a busy machine makes later
    DWORD pid = 0;
    std::wstring commandLine;
};
std::vector<SampleStart> ReadSampleStarts(const std::filesystem::path& logFolder);
// Ends every sample that is still running.
void EndSamples(const std::vector<SampleStart>& starts);

// Writes a shortcut to `target` with `arguments`.
void MakeShortcut(const std::filesystem::path& link, const std::filesystem::path& target,
                  const std::wstring& arguments);

// How many visible top-level windows of class `cls` there are, of any process.
int VisibleWindowsOfClass(const wchar_t* cls);

// A test of the real Tarnwick.exe: a clean world, a program folder with a copy of the exe and a
// folder where the sample programs note their starts.
class LauncherFixture : public ::testing::Test {
  protected:
    LauncherFixture();
    void TearDown() override;

    void SetMisc(const wchar_t* key, const std::wstring& text);
    std::wstring Misc(const wchar_t* key);
    // A program in Tarnwick's keeping, as a capture from the machine's or the user's Run key
    // leaves it in the store.
    void Hold(HKEY root, const std::wstring& name, const std::wstring& command);
    // The command line of a sample program that notes its start under `name`.
    std::wstring Sample(const std::wstring& name, const std::wstring& extra = L"--hidden") const;
    std::vector<SampleStart> Starts() const { return ReadSampleStarts(logs_); }

    // Starts Tarnwick.exe and waits for its window to exist (`visible`: to be shown) and for its
    // start-up to end; records that end, from which the slots of the starts count, in `readyAt_`.
    void StartLauncher(bool visible = true);
    Child& Launcher() { return *launcher_; }
    HWND Control(int id) const { return ::GetDlgItem(form_, id); }
    std::filesystem::path ShotPath(const std::wstring& name) const;

    RealStateGuard world_;
    TempFolder program_{L"Tarnwick"};
    TempFolder work_{L"work"};
    std::filesystem::path logs_;
    std::optional<Child> launcher_;
    HWND form_ = nullptr;
    long long readyAt_ = 0;
};

}  // namespace tarnwick::testing
