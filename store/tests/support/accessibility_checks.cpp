#include "accessibility_checks.h"

#include "handles.h"

#include <oleacc.h>

#include <chrono>
#include <thread>

namespace tarnwick::testing {
namespace {

// A screen DC with a font selected, for measuring.
class MeasuringDc {
  public:
    explicit MeasuringDc(HFONT font) : dc_(nullptr), previous_(::SelectObject(dc_.get(), font)) {}
    ~MeasuringDc() { ::SelectObject(dc_.get(), previous_); }
    MeasuringDc(const MeasuringDc&) = delete;
    MeasuringDc& operator=(const MeasuringDc&) = delete;
    HDC get() const { return dc_.get(); }

  private:
    WindowDc dc_;
    HGDIOBJ previous_;
};

std::wstring ClassOf(HWND control) {
    wchar_t name[64]{};
    ::GetClassNameW(control, name, 64);
    return name;
}

std::wstring TextOf(HWND control) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

// How a control lays out its text: whether it wraps, whether '&' marks an access key, and how
// much of its client area is not for the text.
struct TextRoom {
    bool measured = false;
    bool wraps = false;
    bool prefix = true;
    int reservedWidth = 0;
    int reservedHeight = 0;
};

TextRoom RoomOf(HWND control, UINT dpi) {
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(control, GWL_STYLE));
    const auto scaled = [dpi](int pixelsAt96) {
        return ::MulDiv(pixelsAt96, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
    };
    const std::wstring kind = ClassOf(control);
    if (::lstrcmpiW(kind.c_str(), L"Static") == 0) {
        const DWORD type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_SIMPLE &&
            type != SS_LEFTNOWORDWRAP) {
            return {};
        }
        const bool ellipsis = (style & SS_ELLIPSISMASK) != 0;
        return {true, !ellipsis && type != SS_SIMPLE && type != SS_LEFTNOWORDWRAP,
                (style & SS_NOPREFIX) == 0, 0, 0};
    }
    if (::lstrcmpiW(kind.c_str(), L"Button") != 0 || (style & (BS_ICON | BS_BITMAP)) != 0)
        return {};
    const bool wraps = (style & BS_MULTILINE) != 0;
    switch (style & BS_TYPEMASK) {
        case BS_PUSHBUTTON:
        case BS_DEFPUSHBUTTON:
            // The button's 3-D edge and the focus rectangle inside it.
            return {true, wraps, true, scaled(8), scaled(4)};
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            // The box, the gap after it, and the focus rectangle round the text.
            return {true, wraps, true, scaled(13 + 4 + 2), scaled(2)};
        case BS_GROUPBOX:
            return {true, false, true, scaled(16), 0};
        default:
            return {};
    }
}

}  // namespace

std::wstring AccessibleName(HWND control) {
    ComScope com;
    ComPtr<IAccessible> accessible;
    if (FAILED(::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                            IID_IAccessible, accessible.put_void()))) {
        return {};
    }
    VARIANT self;
    ::VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (accessible->get_accName(self, &name) != S_OK || !name) return {};
    std::wstring text(name, ::SysStringLen(name));
    ::SysFreeString(name);
    return text;
}

HWND FocusedControl(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

bool BringToFront(HWND window) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (::GetForegroundWindow() == window) return true;
        ::SetForegroundWindow(window);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return ::GetForegroundWindow() == window;
}

void PressKey(WORD vk, WORD modifier) {
    const auto key = [](WORD code, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = code;
        input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(code, MAPVK_VK_TO_VSC));
        // The arrows and the keys of their block come from the extended part of the keyboard.
        const bool extended =
            (code >= VK_PRIOR && code <= VK_DOWN) || code == VK_INSERT || code == VK_DELETE;
        input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
        return input;
    };
    std::vector<INPUT> inputs;
    if (modifier) inputs.push_back(key(modifier, false));
    inputs.push_back(key(vk, false));
    inputs.push_back(key(vk, true));
    if (modifier) inputs.push_back(key(modifier, true));
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

UniqueFont DialogFontAt(UINT dpi) {
    return UniqueFont(::CreateFontW(-::MulDiv(8, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL,
                                    FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                    L"MS Shell Dlg 2"));
}

std::vector<std::wstring> TextsThatDoNotFit(HWND window, HFONT font) {
    // The controls' rectangles in their own pixels, whatever this test program's DPI awareness.
    const DPI_AWARENESS_CONTEXT previous =
        ::SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    const UINT dpi = ::GetDpiForWindow(window);
    const MeasuringDc dc(font);
    std::vector<std::wstring> overflows;
    for (HWND control = ::GetWindow(window, GW_CHILD); control;
         control = ::GetWindow(control, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(control)) continue;
        const TextRoom room = RoomOf(control, dpi ? dpi : USER_DEFAULT_SCREEN_DPI);
        const std::wstring text = TextOf(control);
        if (!room.measured || text.empty()) continue;
        RECT client{};
        ::GetClientRect(control, &client);
        const LONG width = client.right - room.reservedWidth;
        const LONG height = client.bottom - room.reservedHeight;
        // A wrapped text is laid out in the control's width; a word longer than that widens it.
        RECT needed{0, 0, room.wraps ? width : 0, 0};
        const UINT format = DT_CALCRECT | DT_EXPANDTABS |
                            (room.wraps ? DT_WORDBREAK : DT_SINGLELINE) |
                            (room.prefix ? 0 : DT_NOPREFIX);
        ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &needed, format);
        if (needed.right <= width && needed.bottom <= height) continue;
        overflows.push_back(std::to_wstring(::GetDlgCtrlID(control)) + L" \"" + text +
                            L"\": needs " + std::to_wstring(needed.right) + L"x" +
                            std::to_wstring(needed.bottom) + L", has " + std::to_wstring(width) +
                            L"x" + std::to_wstring(height));
    }
    ::SetThreadDpiAwarenessContext(previous);
    return overflows;
}

}  // namespace tarnwick::testing
