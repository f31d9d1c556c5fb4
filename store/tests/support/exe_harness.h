// Support for tests that run the real programs under Wine (install.exe, uninstall.exe, the setup
// program, the launcher and the settings program), and small readers of the registry that their
// tests use. The programs run as processes of their own, out of reach of the in-process sandbox,
// so they work on the prefix's real registry and folders: a guard saves every place they touch
// and puts it back afterwards.
#pragma once

#include "sandbox.h"

#include <windows.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::testing {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

// The product's entry under Apps & features (HKEY_LOCAL_MACHINE, 64-bit view).
inline constexpr std::wstring_view kAppsAndFeaturesKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarnwick";

// A Run key's values as name -> text ("<not text>" for other types), and a store section's pairs.
using Values = std::map<std::wstring, std::wstring>;
Values RunValues(HKEY root);
Values StoreSection(std::wstring_view section);

// A program of the build tree, named by its host path (as CMake's $<TARGET_FILE> gives it), in
// the form Wine's Z: drive shows it.
std::filesystem::path BuiltProgram(std::string_view hostPath);

// The prefix's real StartUp folder, the product's start-menu group and the account's folder of
// held shortcuts (no trailing backslash).
std::filesystem::path RealStartUpFolder();
std::filesystem::path RealStartMenuGroup();
std::filesystem::path RealHeldFolder();

// A whole registry key, values and sub-keys, as it was when taken.
struct KeyImage {
    bool exists = false;
    std::vector<RawValue> values;
    std::vector<std::pair<std::wstring, KeyImage>> children;
};

// One registry key, taken away for the test and put back exactly as it was (or absent) when the
// guard goes.
class KeyGuard {
  public:
    KeyGuard(HKEY root, std::wstring subKey);
    ~KeyGuard();
    KeyGuard(const KeyGuard&) = delete;
    KeyGuard& operator=(const KeyGuard&) = delete;

  private:
    HKEY root_;
    std::wstring subKey_;
    KeyImage image_;
};

// Both policy keys, the computer's and the user's, taken away for the test and put back.
class PolicyGuard {
  public:
    PolicyGuard();

  private:
    KeyGuard machine_;
    KeyGuard user_;
};

// Saves both Run keys, the stores of application "Veltane" (the machine's and the account's), the
// product's Apps & features entry, Task Manager's start-up switches, the StartUp folder, the
// start-menu group and the folder of held shortcuts, and empties them for the test; puts
// everything back when it goes.
class RealStateGuard {
  public:
    RealStateGuard();
    ~RealStateGuard();
    RealStateGuard(const RealStateGuard&) = delete;
    RealStateGuard& operator=(const RealStateGuard&) = delete;

  private:
    struct SavedFolder {
        std::filesystem::path path;
        bool existed = false;
    };
    std::deque<KeyGuard> keys_;
    std::vector<SavedFolder> folders_;
    std::filesystem::path backup_;
};

// A fresh folder below the temporary folder, removed with everything in it when it goes.
class TempFolder {
  public:
    explicit TempFolder(std::wstring_view name = L"Program Folder");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path root_;
    std::filesystem::path path_;
};

// Removes a folder tree even when it holds hidden or read-only files.
void RemoveTree(const std::filesystem::path& path);

// Every file and folder below `folder` by relative path, with the file's bytes ("<dir>" for a
// folder), for before-and-after comparisons.
std::map<std::wstring, std::string> FolderContents(const std::filesystem::path& folder);
std::string ReadFileBytes(const std::filesystem::path& path);

// A started program. Ended by force if it is still running when the object goes.
class Child {
  public:
    // Started in its own folder; `arguments` follow the quoted program path as they are.
    explicit Child(const std::filesystem::path& exe, std::wstring_view arguments = {});
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    DWORD Id() const { return id_; }
    // The exit code once the process has ended within `timeout`, else nothing.
    std::optional<DWORD> Wait(Millis timeout);
    bool Running() { return !Wait(0ms).has_value(); }
    // Whether its start-up is over within `timeout`: it waits for input with none pending.
    bool WaitForInputIdle(Millis timeout);

  private:
    UniqueHandle process_;
    DWORD id_ = 0;
};

// Polls `check` until it holds; false when it still does not after `timeout`.
bool Eventually(const std::function<bool()>& check, Millis timeout);

// The visible top-level windows of the process with that class and exact title.
std::vector<HWND> ProcessWindows(const Child& child, std::wstring_view windowClass,
                                 std::wstring_view title);
// Such a window, polled for up to `timeout`; null when none appeared.
HWND WaitForWindow(const Child& child, std::wstring_view windowClass, std::wstring_view title,
                   Millis timeout);
// Such a window of any process (one the child started, say), polled until it appears, the child
// ends or `timeout` passes; null when none appeared.
HWND WaitForWindowWhileRunning(Child& child, std::wstring_view windowClass, std::wstring_view title,
                               Millis timeout);
// Whether such a window appears before the process ends or `timeout` passes.
HWND WatchForWindowUntilExit(Child& child, std::wstring_view windowClass, std::wstring_view title,
                             Millis timeout);

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
// The direct child windows, in Z order.
std::vector<HWND> ChildWindows(HWND parent);
// Posted, so that a click which opens a modal window does not block the test.
void Click(HWND button);
// Real pointer input, as the user's mouse gives it (screen pixels). Returns once the pointer is
// there.
void MoveMouse(int x, int y);

// A program's fixed file version ("1.6.0.0"), one text of its version resource (US English,
// Unicode), and its embedded manifest.
std::wstring FixedFileVersion(const std::filesystem::path& exe);
std::wstring VersionText(const std::filesystem::path& exe, std::wstring_view name);
std::string EmbeddedManifest(const std::filesystem::path& exe);

// Saves the screen area `r` (grown by `margin`) as a 24-bit BMP, for a person to look at.
void SaveScreenshot(const std::filesystem::path& file, RECT r, int margin = 20);
// A message box, painted first (its thread paints it when it gets round to it), with a margin of
// 40, into "screenshots\<name>" beside `exe`.
void SaveBoxScreenshot(HWND box, const std::filesystem::path& exe, std::wstring_view name);
// Waits until the screen area `r` shows a picture (not one colour throughout) that stays the
// same over three looks in a row: the windows there have painted and hold still. False when that
// does not happen within `timeout`.
bool WaitForSteadyScreen(RECT r, Millis timeout);

// The ids of the processes that `parent` started and that are still running.
std::vector<DWORD> ProcessesStartedBy(DWORD parent);

}  // namespace tarnwick::testing
