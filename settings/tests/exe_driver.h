// Drives the real TarnwickSettings.exe from a test process: a temporary program folder with a
// copy of the program, the real registry keys and StartUp folder it touches kept safe around each
// test, and a handle on the running window for reading and clicking its controls.
#pragma once

#include "handles.h"
#include "sandbox.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tarnwick::settings::testing {

// Both Run keys, HKCU\Software\Veltane and the StartUp folder as they were; emptied for the
// test, and put back exactly when the snapshot goes.
class RealWorldSnapshot {
  public:
    RealWorldSnapshot();
    ~RealWorldSnapshot();
    RealWorldSnapshot(const RealWorldSnapshot&) = delete;
    RealWorldSnapshot& operator=(const RealWorldSnapshot&) = delete;

    const std::filesystem::path& StartUp() const { return startUp_; }

  private:
    struct Tree {
        std::vector<tarnwick::testing::RawValue> values;
        std::vector<std::pair<std::wstring, Tree>> children;
    };
    struct SavedKey {
        HKEY root;
        std::wstring path;
        bool existed;
        Tree tree;
    };
    static Tree Read(HKEY root, const std::wstring& path);
    static void Write(HKEY root, const std::wstring& path, const Tree& tree);

    std::vector<SavedKey> keys_;
    std::filesystem::path startUp_;
    std::filesystem::path startUpBackup_;
    bool startUpExisted_ = false;
};

// A fresh folder that holds a copy of the program.
class ProgramFolderCopy {
  public:
    ProgramFolderCopy();
    ~ProgramFolderCopy();
    ProgramFolderCopy(const ProgramFolderCopy&) = delete;
    ProgramFolderCopy& operator=(const ProgramFolderCopy&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path Exe() const { return path_ / L"TarnwickSettings.exe"; }
    // Puts the product's data beside the program, as the setup does: the skins folder, the logo
    // and the help page, from the source tree.
    void CopyProductData() const;

  private:
    std::filesystem::path path_;
};

// One run of the program, from its start to its window.
class SettingsProcess {
  public:
    // Starts the program and waits for its window; check Window() for success.
    explicit SettingsProcess(const std::filesystem::path& exe);
    // A program still running at the end of a test is ended.
    ~SettingsProcess();
    SettingsProcess(const SettingsProcess&) = delete;
    SettingsProcess& operator=(const SettingsProcess&) = delete;

    HWND Window() const { return window_; }
    // The program's visible dialogs of that title (the about box, a message box).
    std::vector<HWND> Windows(std::wstring_view title) const;
    // Polls for such a dialog; null when none appeared within `timeout`.
    HWND WaitForWindow(std::wstring_view title,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    HWND Item(int id) const { return ::GetDlgItem(window_, id); }

    std::wstring Text(int id) const;
    bool Checked(int id) const;
    // Sends a message and waits at most a few seconds for the answer.
    LRESULT Send(HWND target, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    void Click(int id) const { Send(Item(id), BM_CLICK); }
    // A mouse click on a label, as the label sees it.
    void ClickLabel(int id) const;
    // A click of a spin control's arrow (SB_LINEUP, SB_LINEDOWN, ...) as the window receives it.
    void Spin(int id, int code) const;

    int Count(int list) const;
    std::wstring Row(int list, int row) const;
    std::vector<std::wstring> Rows(int list) const;
    int Selected(int list) const;
    int Top(int list) const;
    // A mouse click on a row of a list that is visible.
    void ClickRow(int list, int row) const;

    // Waits for the program to end; false when it is still running after `timeout`.
    bool WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    DWORD ExitCode() const;

  private:
    UniqueHandle process_;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
};

// The folder of the running test program.
std::filesystem::path TestFolder();

}  // namespace tarnwick::settings::testing
