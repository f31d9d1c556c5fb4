// The uninstaller's only window, `Form1`: one question, OK and Cancel.
#pragma once

#include "context.h"
#include "window.h"

#include <windows.h>

namespace tarnwick {

// Each program with a window names its window Form1: each in a namespace of its own.
namespace uninstall {

class Form1 final : public ui::Dialog {
  public:
    // `ownFile`: the name of the running uninstaller's file in the program folder.
    Form1(Os& os, std::wstring programFolder, std::wstring ownFile);

    // Shows the window and returns once it is gone.
    void Show(HINSTANCE instance);
    // The uninstall removed everything but the running uninstaller's own file.
    bool OwnFileLeft() const { return ownFileLeft_; }

  private:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnRescaled() override;
    void FitText();
    void Command1_Click();

    Os& os_;
    std::wstring programFolder_;
    std::wstring ownFile_;
    bool ownFileLeft_ = false;
};
}  // namespace uninstall

}  // namespace tarnwick
