// The uninstaller's only window, `Form1`: one question, OK and Cancel.
#pragma once

#include "context.h"

#include <windows.h>

namespace tarnwick {

class Form1 {
  public:
    // `ownFile`: the name of the running uninstaller's file in the program folder.
    Form1(Os& os, std::wstring programFolder, std::wstring ownFile);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Shows the window and returns once it is gone.
    void Show(HINSTANCE instance);

  private:
    static INT_PTR CALLBACK Thunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Proc(HWND window, UINT message, WPARAM wParam);
    void Command1_Click(HWND window);

    Os& os_;
    std::wstring programFolder_;
    std::wstring ownFile_;
};

}  // namespace tarnwick
