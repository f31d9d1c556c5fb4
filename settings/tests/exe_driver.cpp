#include "exe_driver.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tarnwick::settings {

using namespace std::chrono_literals;

void CopyProductData(const std::filesystem::path& programFolder) {
    const std::filesystem::path source = testing::BuiltProgram(TARNWICK_SOURCE_DIR);
    std::filesystem::copy(source / L"settings" / L"data" / L"skins", programFolder / L"skins",
                          std::filesystem::copy_options::recursive);
    std::filesystem::copy_file(source / L"launcher" / L"res" / L"twlogo.jpg",
                               programFolder / L"twlogo.jpg");
    std::filesystem::copy_file(source / L"settings" / L"data" / L"TARNWICK.HTM",
                               programFolder / L"TARNWICK.HTM");
}

SettingsProcess::SettingsProcess(const std::filesystem::path& exe) : Child(exe) {
    // The window's own message boxes carry its title too; the window is the one without an owner.
    testing::Eventually(
        [&] {
            for (HWND found : testing::ProcessWindows(*this, L"#32770", L"Tarnwick Settings")) {
                if (!::GetWindow(found, GW_OWNER)) window_ = found;
            }
            return window_ != nullptr;
        },
        15s);
    if (!window_) throw std::runtime_error("the settings window did not appear");
}

HWND SettingsProcess::WaitForMessage(testing::Millis timeout) const {
    HWND box = nullptr;
    testing::Eventually(
        [&] {
            for (HWND found : testing::ProcessWindows(*this, L"#32770", L"Tarnwick Settings")) {
                if (::GetWindow(found, GW_OWNER) == window_) box = found;
            }
            return box != nullptr;
        },
        timeout);
    return box;
}

LRESULT SettingsProcess::Send(HWND target, UINT message, WPARAM wParam, LPARAM lParam) const {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(target, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &result)) {
        ADD_FAILURE() << "message " << message << " was not answered";
    }
    return static_cast<LRESULT>(result);
}

std::wstring SettingsProcess::Text(int id) const {
    wchar_t text[512]{};
    Send(Item(id), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

bool SettingsProcess::Checked(int id) const {
    return Send(Item(id), BM_GETCHECK) == BST_CHECKED;
}

void SettingsProcess::ClickCaption(int id) const {
    RECT client{};
    ::GetClientRect(Item(id), &client);
    // The box is about as wide as the control is tall: twice that is well into the caption.
    const LPARAM at = MAKELPARAM(client.bottom * 2, client.bottom / 2);
    Send(Item(id), WM_LBUTTONDOWN, MK_LBUTTON, at);
    Send(Item(id), WM_LBUTTONUP, 0, at);
}

void SettingsProcess::Spin(int id, int code) const {
    Send(window_, WM_VSCROLL, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(Item(id)));
}

int SettingsProcess::Count(int list) const {
    return static_cast<int>(Send(Item(list), LB_GETCOUNT));
}

std::wstring SettingsProcess::Row(int list, int row) const {
    const auto length = Send(Item(list), LB_GETTEXTLEN, static_cast<WPARAM>(row));
    if (length < 0) return L"<no row>";
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    Send(Item(list), LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

std::vector<std::wstring> SettingsProcess::Rows(int list) const {
    std::vector<std::wstring> rows;
    for (int i = 0; i < Count(list); ++i) rows.push_back(Row(list, i));
    return rows;
}

int SettingsProcess::Selected(int list) const {
    return static_cast<int>(Send(Item(list), LB_GETCURSEL));
}

int SettingsProcess::Top(int list) const {
    return static_cast<int>(Send(Item(list), LB_GETTOPINDEX));
}

void SettingsProcess::ClickRow(int list, int row) const {
    const int height = static_cast<int>(Send(Item(list), LB_GETITEMHEIGHT));
    const LPARAM at = MAKELPARAM(10, (row - Top(list)) * height + height / 2);
    Send(Item(list), WM_LBUTTONDOWN, MK_LBUTTON, at);
    Send(Item(list), WM_LBUTTONUP, 0, at);
}

}  // namespace tarnwick::settings
