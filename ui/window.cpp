#include "window.h"

#include <windowsx.h>

namespace tarnwick::ui {
namespace {

// The structure of `size` bytes that lParam points to, where it lies in the part of this thread's
// stack that is in use, from here to the stack's base: where the system's sender keeps it, and
// where the system puts its copy of one that another thread sent. Null for any other lParam, a
// posted one or a pointer passed as it is, which points anywhere; one that happens to point into
// that part of the stack reads safely, and the callers check what it says.
const void* OnThisStack(LPARAM lParam, size_t size, size_t alignment) {
    ULONG_PTR low = 0;
    ULONG_PTR high = 0;
    ::GetCurrentThreadStackLimits(&low, &high);
    const auto inUse = reinterpret_cast<ULONG_PTR>(&low);
    const auto at = static_cast<ULONG_PTR>(lParam);
    if (at < inUse || at >= high || high - at < size || at % alignment != 0) return nullptr;
    return reinterpret_cast<const void*>(at);
}

template <typename T>
const T* OnThisStack(LPARAM lParam) {
    return static_cast<const T*>(OnThisStack(lParam, sizeof(T), alignof(T)));
}

}  // namespace

int PendingQuitCode() {
    MSG msg;
    return ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? static_cast<int>(msg.wParam)
                                                                      : 0;
}

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

POINT PointFrom(LPARAM lParam) {
    return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

const DRAWITEMSTRUCT* OwnDrawItem(HWND parent, int id, WPARAM wParam, LPARAM lParam) {
    if (wParam != static_cast<WPARAM>(id)) return nullptr;
    const auto* item = OnThisStack<DRAWITEMSTRUCT>(lParam);
    if (!item || item->CtlID != static_cast<UINT>(id) || item->hwndItem != ::GetDlgItem(parent, id))
        return nullptr;
    return ::WindowFromDC(item->hDC) == item->hwndItem ? item : nullptr;
}

const RECT* SuggestedRect(HWND window, WPARAM wParam, LPARAM lParam) {
    const UINT dpi = ::GetDpiForWindow(window);
    if (LOWORD(wParam) != dpi || HIWORD(wParam) != dpi) return nullptr;
    const auto* suggested = OnThisStack<RECT>(lParam);
    if (!suggested || suggested->right <= suggested->left || suggested->bottom <= suggested->top)
        return nullptr;
    return ::MonitorFromRect(suggested, MONITOR_DEFAULTTONULL) ? suggested : nullptr;
}

Window::~Window() {
    if (!hwnd_) return;
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
}

bool Window::RegisterWindowClass(HINSTANCE instance, const wchar_t* name) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = name;
    return ::RegisterClassExW(&windowClass) != 0;
}

bool Window::MakeWindow(DWORD exStyle, const wchar_t* windowClass, const wchar_t* title,
                        DWORD style, HWND parent, int id, HINSTANCE instance) {
    return ::CreateWindowExW(exStyle, windowClass, title, style, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                             this) != nullptr;
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        // Another program can send this message to a window that exists long since, naming any
        // object it likes: only the creation's own one, the first, is taken.
        if (self) return TRUE;
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return Guarded(LRESULT{0}, [&] { return self->OnMessage(message, wParam, lParam); });
}

Dialog::~Dialog() {
    if (!hwnd_) return;
    ::SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
    ::DestroyWindow(hwnd_);
}

bool Dialog::MakeModeless(HINSTANCE instance, int id, HWND owner) {
    return ::CreateDialogParamW(instance, MAKEINTRESOURCEW(id), owner, Procedure,
                                reinterpret_cast<LPARAM>(this)) != nullptr;
}

void Dialog::RunModal(HINSTANCE instance, int id, HWND owner) {
    ::DialogBoxParamW(instance, MAKEINTRESOURCEW(id), owner, Procedure,
                      reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (message == WM_INITDIALOG) {
        // Any program can post this message with any number: only the dialog manager's own one,
        // the first, names the object, and the opening runs once.
        if (self) return FALSE;
        self = reinterpret_cast<Dialog*>(lParam);
        self->hwnd_ = hwnd;
        self->dpi_ = ::GetDpiForWindow(hwnd);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    }
    if (!self) return FALSE;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
        return FALSE;
    }
    return Guarded(INT_PTR{FALSE}, [&] { return self->Dispatch(message, wParam, lParam); });
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DPICHANGED: {
            // The dialog manager rescales the dialog to the message's rectangle once this returns
            // FALSE: only for a DPI that the dialog has taken since. Any other is answered here.
            const UINT dpi = ::GetDpiForWindow(hwnd_);
            if (!SuggestedRect(hwnd_, wParam, lParam) || dpi == dpi_) return TRUE;
            dpi_ = dpi;
            ::PostMessageW(hwnd_, kRescaled, 0, 0);
            return FALSE;
        }
        case kRescaled:
            OnRescaled();
            return TRUE;
        default:
            return OnMessage(message, wParam, lParam);
    }
}

}  // namespace tarnwick::ui
