#include "window.h"

#include <windowsx.h>

namespace tarnwick::ui {

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
        case WM_DPICHANGED:
            // The dialog manager rescales the dialog once this returns FALSE.
            ::PostMessageW(hwnd_, kRescaled, 0, 0);
            return FALSE;
        case kRescaled:
            OnRescaled();
            return TRUE;
        default:
            return OnMessage(message, wParam, lParam);
    }
}

}  // namespace tarnwick::ui
