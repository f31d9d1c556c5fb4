#include "form1.h"

#include "resource.h"
#include "settings_windows.h"
#include "uninstall_run.h"

#include "dialog_access.h"

#include <utility>

namespace tarnwick {
namespace {

constexpr wchar_t kHeldCaption[] = L"Tarnwick is still installed";
constexpr wchar_t kRemovedCaption[] = L"Tarnwick was removed";
constexpr wchar_t kSettingsOpenCaption[] = L"Tarnwick Settings is open";
constexpr wchar_t kSettingsOpenText[] =
    L"Tarnwick Settings is open and did not close when asked, so the uninstaller is waiting for "
    L"it.\n\nClose Tarnwick Settings, then press Retry. Cancel leaves Tarnwick as it is.";

}  // namespace

namespace uninstall {

Form1::Form1(Os& os, std::wstring programFolder, std::wstring ownFile)
    : os_(os), programFolder_(std::move(programFolder)), ownFile_(std::move(ownFile)) {}

void Form1::Show(HINSTANCE instance) {
    RunModal(instance, IDD_FORM1, nullptr);
}

INT_PTR Form1::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            FitText();
            ui::ShowKeyboardCues(hwnd());
            // The default button takes the focus, so Enter answers OK.
            ::SetFocus(Item(IDC_COMMAND1));
            return FALSE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_COMMAND1:
                    Command1_Click();
                    return TRUE;
                case IDC_COMMAND2:
                case IDCANCEL:  // the Esc key and the close box
                    ::EndDialog(hwnd(), 0);
                    return TRUE;
                default:
                    return FALSE;
            }
        default:
            return FALSE;
    }
}

void Form1::OnRescaled() {
    FitText();
}

void Form1::FitText() {
    ui::FitLabelsToText(hwnd(), {IDC_LABEL1});
}

void Form1::Command1_Click() {
    const HWND window = hwnd();
    // The shell's confirmation and progress windows run a message loop on this thread; the
    // disabled window cannot start a second uninstall meanwhile.
    ::EnableWindow(window, FALSE);
    while (!CloseSettingsWindows(kSettingsCloseWaitMs)) {
        if (::MessageBoxW(window, kSettingsOpenText, kSettingsOpenCaption,
                          MB_RETRYCANCEL | MB_ICONWARNING) != IDRETRY) {
            ::EndDialog(window, 0);
            return;
        }
    }
    const UninstallOutcome outcome =
        Uninstall({os_, programFolder_, window}, SystemProtectedFolders(os_), ownFile_);
    ownFileLeft_ = outcome.ownFileLeft;
    if (!outcome.message.empty()) {
        ::MessageBoxW(window, outcome.message.c_str(), kHeldCaption, MB_OK | MB_ICONWARNING);
    } else if (!outcome.notice.empty()) {
        ::MessageBoxW(window, outcome.notice.c_str(), kRemovedCaption, MB_OK | MB_ICONINFORMATION);
    }
    ::EndDialog(window, 0);
}

}  // namespace uninstall
}  // namespace tarnwick
