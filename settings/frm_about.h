// The about box frmAbout: the program's title, version and description, the logo, a disclaimer
// and the way to the System Information tool. A modeless dialog owned by the settings window:
// "OK" unloads it, and the next "&About" loads it anew.
#pragma once

#include "handles.h"
#include "os.h"
#include "skin_look.h"

#include <windows.h>

#include <string>

namespace tarnwick::settings {

class frmAbout final {
  public:
    // `look` is the settings window's, which the box shows for as long as it is loaded.
    frmAbout(Os& os, std::wstring programFolder, const SkinLook& look)
        : os_(os), programFolder_(std::move(programFolder)), look_(look) {}
    ~frmAbout();
    frmAbout(const frmAbout&) = delete;
    frmAbout& operator=(const frmAbout&) = delete;

    // Loads the box, hidden. False when it could not be made.
    bool Load(HINSTANCE instance, HWND owner);
    bool Loaded() const { return hwnd_ != nullptr; }
    void Show() const;
    // The settings window's look has changed.
    void ShowLook();

  private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnLoad();
    void MakeSizedResources();
    void DrawLogo(const DRAWITEMSTRUCT& item) const;
    HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }

    Os& os_;
    std::wstring programFolder_;
    const SkinLook& look_;
    HWND hwnd_ = nullptr;
    ComPtr<IPicture> logo_;  // twlogo.jpg from the program folder, when it is there
    UniqueGdiObj titleFont_;
    UniqueGdiObj disclaimerFont_;
    SkinnedBackground background_;
};

}  // namespace tarnwick::settings
