// The settings window Form1: a modeless dialog that shows a SettingsModel in its controls and
// hands the user's actions to it. It ends the program when it closes.
#pragma once

#include "frm_about.h"
#include "gdi.h"
#include "list_pair.h"
#include "picture.h"
#include "settings_model.h"
#include "skin_index.h"
#include "skin_look.h"
#include "window.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string_view>

namespace tarnwick::settings {

class Form1 final : public ui::Dialog, private SkinHooks {
  public:
    Form1(Os& os, std::wstring programFolder) : os_(os), programFolder_(std::move(programFolder)) {}

    // Makes the window, which runs the opening, and shows it. False when it could not be made.
    bool Create(HINSTANCE instance, int show);

  private:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnRescaled() override;

    void OnInitDialog();
    // The list of programs and the own wait's controls, as the opening prepares them.
    void AttachRows();
    void OnCommand(int id, int code);
    // The help page or the maker's web address, opened by the shell.
    void OpenInShell(std::wstring_view file);
    void OnSpin(HWND bar, int code);
    void OnMove(bool up);
    void OnLightestFirst();
    // The own wait's controls: the choice, then the seconds typed or spun.
    void OnWaitChoice();
    void OnWaitSeconds();
    void OnSwitch();
    INT_PTR OnColourStatic(HWND control, HDC dc) const;
    void DrawBand(const DRAWITEMSTRUCT& item) const;
    // The fonts and pictures that follow the window's DPI.
    void MakeSizedResources();
    // Labels of several lines as tall as their text takes at the window's DPI.
    void FitTexts();

    // "&About": the about box, loaded first when it is not.
    void ShowAbout();
    // The windows take a new look: the settings window now, the about box when it is loaded.
    void ShowLook(SkinLook look);
    // Both windows draw their look again: a high-contrast theme or the system's colours changed.
    void Restyle();
    // Names for screen readers and tooltips, for the controls that show no text of their own.
    void NameControls();

    // What the policies set: those controls are greyed, and the notes say who set them.
    void ShowPolicies();
    void ShowBoxes();
    void ShowDelays();
    void ShowSkinList();
    void ShowRows();
    // The selected row's own wait; the controls are usable only while a row is selected.
    void ShowWait();

    // SkinHooks: the index file, and the look of both windows.
    std::vector<std::wstring> SkinLoad() override;
    void Skin(int sk) override;
    void NoSkin() override;

    Os& os_;
    std::wstring programFolder_;
    HINSTANCE instance_ = nullptr;
    std::vector<SkinRecord> skins_;  // the skin table, in the skin list's order
    SkinLook look_;                  // what both windows show now
    SkinnedBackground background_;
    std::unique_ptr<frmAbout> about_;
    std::optional<SettingsModel> model_;
    ListPair lists_;         // List4, List6 and List5
    ComPtr<IPicture> logo_;  // twlogo.jpg from the program folder, when it is there
    UniqueFont bandFont_;
    UniqueIcon upArrow_;  // the move buttons' pictures, made for the window's DPI
    UniqueIcon downArrow_;
    bool warnSwitchedOff_ = false;  // the opening's warning is on its way
    bool showingWait_ = false;      // the wait's controls are being filled, not changed by the user
};

}  // namespace tarnwick::settings
