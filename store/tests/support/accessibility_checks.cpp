#include "accessibility_checks.h"

#include "handles.h"

#include <oleacc.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

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

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kLogPixels[] = L"LogPixels";
constexpr wchar_t kColoursKey[] = L"Control Panel\\Colors";
constexpr wchar_t kThemeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
constexpr wchar_t kHighContrastVariable[] = L"TARNWICK_HIGH_CONTRAST";

struct SchemeValue {
    std::wstring key, name, data;
};

// The values of the scheme's .reg file (its keys under HKEY_CURRENT_USER), the one place its
// colours are written down, which scripts/high-contrast.sh hands to regedit.
std::vector<SchemeValue> SchemeValues() {
    std::ifstream file(BuiltProgram(TARNWICK_HIGH_CONTRAST_SCHEME));
    if (!file) throw std::runtime_error("no high-contrast scheme file");
    constexpr std::string_view kRoot = "[HKEY_CURRENT_USER\\";
    std::vector<SchemeValue> values;
    std::wstring key;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with(kRoot) && line.ends_with(']')) {
            key = std::wstring(line.begin() + kRoot.size(), line.end() - 1);
        } else if (const size_t equals = line.find("\"=\"");
                   line.starts_with('"') && equals != line.npos) {
            values.push_back({key, std::wstring(line.begin() + 1, line.begin() + equals),
                              std::wstring(line.begin() + equals + 3, line.end() - 1)});
        }
    }
    return values;
}

// WINEDEBUG for the one program started while it lives: a new process takes it from the
// environment it is given.
class Tracing {
  public:
    explicit Tracing(std::wstring_view channels) {
        const DWORD length = ::GetEnvironmentVariableW(kWineDebug, nullptr, 0);
        if (length > 0) {
            before_.emplace(length, L'\0');
            before_->resize(::GetEnvironmentVariableW(kWineDebug, before_->data(), length));
        }
        ::SetEnvironmentVariableW(kWineDebug, std::wstring(channels).c_str());
    }
    ~Tracing() { ::SetEnvironmentVariableW(kWineDebug, before_ ? before_->c_str() : nullptr); }
    Tracing(const Tracing&) = delete;
    Tracing& operator=(const Tracing&) = delete;

  private:
    static constexpr wchar_t kWineDebug[] = L"WINEDEBUG";
    std::optional<std::wstring> before_;
};

// `exe`, while `tracing` lives: until the end of the statement that starts it.
const std::filesystem::path& WhileTracing(const Tracing&, const std::filesystem::path& exe) {
    return exe;
}

// Every text of `window`'s controls that does not fit, in `font` or a control's own, at `dpi`.
std::vector<std::wstring> Overflows(HWND window, HFONT font, UINT dpi,
                                    const std::map<int, HFONT>& ownFonts) {
    // The controls' rectangles in their own pixels, whatever this test program's DPI awareness.
    const DPI_AWARENESS_CONTEXT previous =
        ::SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    const MeasuringDc dc(font);
    std::vector<std::wstring> overflows;
    for (HWND control = ::GetWindow(window, GW_CHILD); control;
         control = ::GetWindow(control, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(control)) continue;
        const TextRoom room = RoomOf(control, dpi);
        const std::wstring text = WindowText(control);
        if (!room.measured || text.empty()) continue;
        RECT client{};
        ::GetClientRect(control, &client);
        const LONG width = client.right - room.reservedWidth;
        const LONG height = client.bottom - room.reservedHeight;
        const auto own = ownFonts.find(::GetDlgCtrlID(control));
        const Selected drawing(dc.get(), own != ownFonts.end() ? own->second : font);
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

std::vector<HWND> FocusAfterEachPress(HWND window, int presses, WORD vk, WORD modifier) {
    std::vector<HWND> focus;
    HWND last = FocusedControl(window);
    for (int press = 0; press < presses; ++press) {
        PressKey(vk, modifier);
        for (int look = 0; look < 20 && FocusedControl(window) == last; ++look)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        last = FocusedControl(window);
        focus.push_back(last);
    }
    return focus;
}

bool KeyboardCuesShown(HWND control) {
    for (int look = 0; look < 20; ++look) {
        if ((::SendMessageW(control, WM_QUERYUISTATE, 0, 0) & (UISF_HIDEFOCUS | UISF_HIDEACCEL)) ==
            0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::wstring AccessKeys(HWND window) {
    std::wstring keys;
    for (HWND control = ::GetWindow(window, GW_CHILD); control;
         control = ::GetWindow(control, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(control)) continue;
        const bool isStatic = ::lstrcmpiW(ClassOf(control).c_str(), L"Static") == 0;
        if (isStatic && (::GetWindowLongPtrW(control, GWL_STYLE) & SS_NOPREFIX) != 0) continue;
        const std::wstring text = WindowText(control);
        for (size_t i = 0; i + 1 < text.size(); ++i) {
            if (text[i] != L'&') continue;
            if (text[i + 1] != L'&') {
                wchar_t key = text[i + 1];
                ::CharUpperBuffW(&key, 1);
                keys += key;
                break;
            }
            ++i;  // "&&" shows one '&'
        }
    }
    return keys;
}

UniqueFont DialogFontAt(UINT dpi, int points, LONG weight) {
    return UniqueFont(::CreateFontW(-::MulDiv(points, static_cast<int>(dpi), 72), 0, 0, 0, weight,
                                    FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                    L"MS Shell Dlg 2"));
}

std::vector<std::wstring> TextsThatDoNotFit(HWND window, UINT dpi,
                                            const std::map<int, HFONT>& ownFonts) {
    const UniqueFont font = DialogFontAt(dpi);
    return Overflows(window, font.get(), dpi, ownFonts);
}

std::vector<std::wstring> ControlsOutOfPlace(HWND window) {
    const DPI_AWARENESS_CONTEXT previous =
        ::SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    RECT client{};
    ::GetClientRect(window, &client);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    std::vector<std::wstring> found;
    std::vector<std::pair<int, RECT>> placed;
    for (HWND control = ::GetWindow(window, GW_CHILD); control;
         control = ::GetWindow(control, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(control)) continue;
        const int id = ::GetDlgCtrlID(control);
        RECT r{};
        ::GetWindowRect(control, &r);
        RECT inside{};
        if (!::IntersectRect(&inside, &r, &client) || !::EqualRect(&inside, &r))
            found.push_back(std::to_wstring(id) + L" sticks out");
        for (const auto& [other, at] : placed) {
            RECT both{};
            if (::IntersectRect(&both, &r, &at))
                found.push_back(std::to_wstring(other) + L" and " + std::to_wstring(id) +
                                L" overlap");
        }
        placed.emplace_back(id, r);
    }
    ::SetThreadDpiAwarenessContext(previous);
    return found;
}

DisplayDpi::DisplayDpi(DWORD dpi) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, RRF_RT_REG_DWORD, nullptr,
                       &value, &size) == ERROR_SUCCESS) {
        before_ = value;
    }
    SetRaw(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &dpi, sizeof dpi);
}

DisplayDpi::~DisplayDpi() {
    if (before_) {
        SetRaw(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &*before_, sizeof *before_);
    } else {
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels);
    }
}

HighContrastScheme::HighContrastScheme()
    : colours_(HKEY_CURRENT_USER, kColoursKey), theme_(HKEY_CURRENT_USER, kThemeKey) {
    for (const SchemeValue& value : SchemeValues())
        SetSz(HKEY_CURRENT_USER, value.key, value.name, value.data);
    ::SetEnvironmentVariableW(kHighContrastVariable, L"1");
}

HighContrastScheme::~HighContrastScheme() {
    ::SetEnvironmentVariableW(kHighContrastVariable, nullptr);
}

TracedChild::TracedChild(const std::filesystem::path& exe, std::wstring_view channels)
    : Child(WhileTracing(Tracing(channels), exe)) {}

}  // namespace tarnwick::testing
