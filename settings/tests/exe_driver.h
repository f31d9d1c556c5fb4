// Drives the real TarnwickSettings.exe from a test process, on top of the shared exe harness:
// the product's data files for its program folder, and the readers and clicks of the controls
// of its running window.
#pragma once

#include "exe_harness.h"

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarnwick::settings {

// Puts the product's data beside the program, as the setup does: the skins folder, the logo and
// the help page, from the source tree.
void CopyProductData(const std::filesystem::path& programFolder);

// One run of the program, from its start to its window; ended by force if still running when
// it goes.
class SettingsProcess : public testing::Child {
  public:
    // Starts the program and waits for its window; throws when none appeared.
    explicit SettingsProcess(const std::filesystem::path& exe);

    HWND Window() const { return window_; }
    // A message box of the window's own (titled as the window, owned by it), polled for up to
    // `timeout`; null when none appeared.
    HWND WaitForMessage(testing::Millis timeout) const;
    HWND Item(int id) const { return ::GetDlgItem(window_, id); }

    std::wstring Text(int id) const;
    bool Checked(int id) const;
    // Sends a message and waits at most a few seconds for the answer.
    LRESULT Send(HWND target, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // Sent, so that the click has been handled when it returns.
    void Click(int id) const { Send(Item(id), BM_CLICK); }
    // A mouse click on the caption of a tick box, past the box, as the box sees it.
    void ClickCaption(int id) const;
    // A click of a spin control's arrow (SB_LINEUP, SB_LINEDOWN, ...) as the window receives it.
    void Spin(int id, int code) const;

    int Count(int list) const;
    std::wstring Row(int list, int row) const;
    std::vector<std::wstring> Rows(int list) const;
    int Selected(int list) const;
    int Top(int list) const;
    // A mouse click on a row of a list that is visible.
    void ClickRow(int list, int row) const;

  private:
    HWND window_ = nullptr;
};

}  // namespace tarnwick::settings
