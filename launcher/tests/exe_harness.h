// Running the real Tarnwick.exe from a test process: the places it touches are saved and
// emptied before a test and put back after, the program runs from a program folder of its own,
// and the test finds its window, reads its controls, moves the mouse and takes screenshots.
#pragma once

#include "handles.h"
#include "probe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::testing {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::filesystem::path TestBinaryFolder();
std::filesystem::path TarnwickExe();
std::filesystem::path SampleExe();

// Both Run keys, the store of application "Veltane" and the StartUp folder: saved and emptied
// when made, put back as they were when destroyed.
class WorldSnapshot {
  public:
    WorldSnapshot();
    ~WorldSnapshot();
    WorldSnapshot(const WorldSnapshot&) = delete;
    WorldSnapshot& operator=(const WorldSnapshot&) = delete;

    const std::filesystem::path& StartUpFolder() const { return startUp_; }

  private:
    struct Tree;
    std::vector<std::pair<HKEY, std::wstring>> keys_;
    std::vector<std::unique_ptr<Tree>> saved_;
    std::filesystem::path startUp_;
    std::filesystem::path startUpBackup_;
};

// A fresh folder under the temp folder, removed with everything in it.
class TempFolder {
  public:
    explicit TempFolder(std::wstring_view prefix);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// A process started by a test; terminated if it still runs when the object goes.
class Process {
  public:
    // Runs `commandLine`; an empty handle when it could not start.
    static Process Start(const std::wstring& commandLine);
    Process() = default;
    Process(Process&&) = default;
    // Ends the process held before, as the destructor does.
    Process& operator=(Process&& other) noexcept;
    ~Process() { End(); }

    explicit operator bool() const { return static_cast<bool>(handle_); }
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return handle_.get(); }
    bool Running() const;
    // Waits at most `timeout`; the exit code, or nothing when it still runs.
    std::optional<DWORD> WaitExit(std::chrono::milliseconds timeout) const;

  private:
    void End();
    UniqueHandle handle_;
    DWORD id_ = 0;
};

// Polls `condition` every few milliseconds until it holds or `timeout` passes.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

std::wstring Text(HWND hwnd);
RECT WindowRect(HWND hwnd);
int Width(const RECT& r);
int Height(const RECT& r);

// Real pointer input, as the user's mouse gives it (screen pixels).
void MoveMouse(int x, int y);
void MouseButton(DWORD flag);

// One start of tw_sample.exe, as it recorded it.
struct SampleStart {
    std::wstring name;
    long long created = 0;  // process creation, FILETIME ticks
    DWORD pid = 0;
    std::wstring commandLine;
};
std::vector<SampleStart> ReadSampleStarts(const std::filesystem::path& logFolder);
// Ends every sample that is still running.
void EndSamples(const std::vector<SampleStart>& starts);

// Saves the screen area `r` (grown by `margin`) as a 24-bit BMP.
void SaveScreenshot(const std::filesystem::path& file, RECT r, int margin = 20);

// A test of the real Tarnwick.exe: a clean world, a program folder with a copy of the exe and a
// folder where the sample programs note their starts.
class LauncherFixture : public ::testing::Test {
  protected:
    LauncherFixture();
    void TearDown() override;

    void SetMisc(const wchar_t* key, const std::wstring& text);
    std::wstring Misc(const wchar_t* key);
    void AddRun(HKEY root, const std::wstring& name, const std::wstring& command);
    // The command line of a sample program that notes its start under `name`.
    std::wstring Sample(const std::wstring& name, const std::wstring& extra = L"--hidden") const;
    std::vector<SampleStart> Starts() const { return ReadSampleStarts(logs_); }

    // Starts Tarnwick.exe and waits for its window to exist (`visible`: to be shown); records
    // the moment it was first seen shown in `shownAt_`.
    void StartLauncher(bool visible = true);
    HWND Control(int id) const { return ::GetDlgItem(form_, id); }
    // The launcher's exit code once it has ended, at most `timeout` from now.
    std::optional<DWORD> WaitLauncherExit(std::chrono::milliseconds timeout) {
        return launcher_.WaitExit(timeout);
    }
    std::filesystem::path ShotPath(const std::wstring& name) const;

    WorldSnapshot world_;
    TempFolder folder_{L"tarnwick-exe"};
    std::filesystem::path program_;
    std::filesystem::path logs_;
    Process launcher_;
    HWND form_ = nullptr;
    long long shownAt_ = 0;
};

}  // namespace tarnwick::testing
