// The settings window Form1: a modeless dialog that shows a SettingsModel in its controls and
// hands the user's actions to it. It ends the program when it closes.
#pragma once

#include "frm_about.h"
#include "handles.h"
#include "picture.h"
#include "settings_model.h"
#include "skin_index.h"
#include "skin_look.h"

#include <windows.h>

#include <memory>
#include <optional>

namespace tarnwick::settings {

class Form1 final : private SkinHooks {
  public:
    Form1(Os& os, std::wstring programFolder) : os_(os), programFolder_(std::move(programFolder)) {}
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Makes the window, which runs the opening, and shows it. False when it could not be made.
    bool Create(HINSTANCE instance, int show);

  private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The focus cue of a control that cannot draw its own: the owner repaints its cue control
    // when it gains or loses the focus, and the cue control frames itself meanwhile.
    static LRESULT CALLBACK FocusOwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR cue, DWORD_PTR);
    static LRESULT CALLBACK FocusCueProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR owner, DWORD_PTR);
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR self);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void OnInitDialog();
    void OnCommand(int id, int code);
    void OnSpin(HWND bar, int code);
    void OnMove(bool up);
    void OnSwitch();
    void DrawBand(const DRAWITEMSTRUCT& item) const;
    // The fonts and pictures that follow the window's DPI.
    void MakeSizedResources();

    // "&About": the about box, loaded first when it is not.
    void ShowAbout();
    // The windows take a new look: the settings window now, the about box when it is loaded.
    void ShowLook(SkinLook look);

    void ShowBoxes();
    void ShowDelays();
    void ShowSkinList();
    void ShowRows();
    // Copies the top row and the selection of `from` to the other list.
    void KeepListsInStep(HWND from);
    // List4 has no scroll bars: it is made as tall as List5's rows area, so that both show the
    // same rows, and it ends where List5 begins.
    void FitLists();

    HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }

    // SkinHooks: the index file, and the look of both windows.
    std::vector<std::wstring> SkinLoad() override;
    void Skin(int sk) override;
    void NoSkin() override;

    Os& os_;
    std::wstring programFolder_;
    HINSTANCE instance_ = nullptr;
    HWND hwnd_ = nullptr;
    std::vector<SkinRecord> skins_;  // the skin table, in the skin list's order
    SkinLook look_;                  // what both windows show now
    SkinnedBackground background_;
    std::unique_ptr<frmAbout> about_;
    std::optional<SettingsModel> model_;
    ComPtr<IPicture> logo_;  // twlogo.jpg from the program folder, when it is there
    UniqueGdiObj bandFont_;
    UniqueIcon upArrow_;  // the move buttons' pictures, made for the window's DPI
    UniqueIcon downArrow_;
    bool listsInStep_ = false;  // true while the lists are being filled or brought in step
};

}  // namespace tarnwick::settings
