// The about box frmAbout: the program's title, version and description, the logo, a disclaimer
// and the way to the System Information tool. A modeless dialog owned by the settings window:
// "OK" unloads it, and the next "&About" loads it anew.
#pragma once

#include "gdi.h"
#include "os.h"
#include "skin_look.h"
#include "window.h"

#include <windows.h>

#include <string>

namespace tarnwick::settings {

class frmAbout final : public ui::Dialog {
  public:
    // `look` is the settings window's, which the box shows for as long as it is loaded.
    frmAbout(Os& os, std::wstring programFolder, const SkinLook& look)
        : os_(os), programFolder_(std::move(programFolder)), look_(look) {}

    // Loads the box, hidden. False when it could not be made.
    bool Load(HINSTANCE instance, HWND owner);
    // "OK" unloads the box: its window and everything it showed go.
    bool Loaded() const { return hwnd() != nullptr; }
    void Show() const;
    // The settings window's look has changed.
    void ShowLook();

  private:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnRescaled() override;
    void OnLoad();
    void MakeSizedResources();
    // The texts were put in at load, at the window's DPI: their labels grow where they need to.
    void FitTexts();
    void DrawLogo(const DRAWITEMSTRUCT& item) const;

    Os& os_;
    std::wstring programFolder_;
    const SkinLook& look_;
    ComPtr<IPicture> logo_;  // twlogo.jpg from the program folder, when it is there
    UniqueFont titleFont_;
    UniqueFont disclaimerFont_;
    SkinnedBackground background_;
};

}  // namespace tarnwick::settings
