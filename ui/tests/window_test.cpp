// A window that belongs to an object: what the object knows of its window, and what becomes of
// an exception in its procedure; which WM_DRAWITEM and WM_DPICHANGED it takes.
#include "window.h"

#include "gdi.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>

namespace tarnwick::ui {
namespace {

constexpr wchar_t kClass[] = L"TarnwickWindowTest";
constexpr UINT kFail = WM_APP + 1;
constexpr UINT kPing = WM_APP + 2;
constexpr LRESULT kPong = 42;

class TestWindow final : public Window {
  public:
    bool Create() {
        static const bool registered = RegisterWindowClass(::GetModuleHandleW(nullptr), kClass);
        return registered &&
               MakeWindow(0, kClass, L"", WS_POPUP, nullptr, 0, ::GetModuleHandleW(nullptr));
    }
    HWND createdAs = nullptr;  // what the object knew of its window during WM_CREATE
    int pings = 0;

  private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_CREATE:
                createdAs = hwnd();
                break;
            case kPing:
                ++pings;
                return kPong;
            case kFail:
                // Stands for the failed allocation, the one exception the programs' window code
                // meets.
                throw std::runtime_error("no memory");
            default:
                break;
        }
        return Default(message, wParam, lParam);
    }
};

TEST(WindowTest, TheObjectKnowsItsWindowUntilTheWindowIsGone) {
    TestWindow window;
    ASSERT_TRUE(window.Create());
    const HWND hwnd = window.hwnd();
    EXPECT_TRUE(::IsWindow(hwnd));
    // Already while it is being made, so that its creation can work on it.
    EXPECT_EQ(window.createdAs, hwnd);
    EXPECT_EQ(::SendMessageW(hwnd, kPing, 0, 0), kPong);
    EXPECT_EQ(window.pings, 1);
    ::DestroyWindow(hwnd);
    EXPECT_EQ(window.hwnd(), nullptr);
}

TEST(WindowTest, ACreationMessageToAWindowThatExistsChangesNothing) {
    TestWindow window;
    TestWindow stranger;
    ASSERT_TRUE(window.Create());
    // Any program can send it, naming whatever it likes as the window's object.
    CREATESTRUCTW create{};
    create.lpCreateParams = static_cast<Window*>(&stranger);
    ::SendMessageW(window.hwnd(), WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create));
    EXPECT_EQ(stranger.hwnd(), nullptr);
    EXPECT_EQ(::SendMessageW(window.hwnd(), kPing, 0, 0), kPong);
    EXPECT_EQ(window.pings, 1);
    EXPECT_EQ(stranger.pings, 0);
}

TEST(WindowTest, AWindowStillThereGoesWithItsObject) {
    HWND hwnd = nullptr;
    {
        TestWindow window;
        ASSERT_TRUE(window.Create());
        hwnd = window.hwnd();
    }
    EXPECT_FALSE(::IsWindow(hwnd));
}

TEST(WindowTest, AnExceptionInTheProcedureEndsTheMessageLoopWithTheFailureCode) {
    TestWindow window;
    ASSERT_TRUE(window.Create());
    EXPECT_EQ(PendingQuitCode(), 0);
    EXPECT_EQ(::SendMessageW(window.hwnd(), kFail, 0, 0), 0);
    EXPECT_EQ(PendingQuitCode(), kFailedExitCode);
    // The window itself is untouched: what to do next is the program's.
    EXPECT_TRUE(::IsWindow(window.hwnd()));
}

// A window with a picture control that it draws itself, as the settings window has its band.
class DrawingWindow final : public Window {
  public:
    static constexpr int kPicture = 7;
    bool Create() {
        static const bool registered = RegisterWindowClass(::GetModuleHandleW(nullptr), kDrawing);
        return registered && MakeWindow(WS_EX_TOPMOST, kDrawing, L"", WS_POPUP | WS_VISIBLE,
                                        nullptr, 0, ::GetModuleHandleW(nullptr));
    }
    HWND Picture() const { return ::GetDlgItem(hwnd(), kPicture); }
    int drawn = 0;
    int refused = 0;
    std::optional<RECT> suggested;

  private:
    static constexpr wchar_t kDrawing[] = L"TarnwickDrawingTest";
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_CREATE:
                ::SetWindowPos(hwnd(), nullptr, 0, 0, 200, 100, SWP_NOZORDER);
                ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 0, 0,
                                  100, 50, hwnd(), reinterpret_cast<HMENU>(INT_PTR{kPicture}),
                                  nullptr, nullptr);
                return 0;
            case WM_DRAWITEM:
                ++(OwnDrawItem(hwnd(), kPicture, wParam, lParam) ? drawn : refused);
                return TRUE;
            case WM_DPICHANGED:
                if (const RECT* r = SuggestedRect(hwnd(), wParam, lParam)) suggested = *r;
                return 0;
            default:
                return Default(message, wParam, lParam);
        }
    }
};

TEST(PointerMessagesTest, AControlsOwnRequestToBeDrawnIsTakenAndNoneOfAnotherMaking) {
    DrawingWindow window;
    ASSERT_TRUE(window.Create());
    ::RedrawWindow(window.Picture(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(window.drawn, 1);
    // A request that names the control but a device context of another window.
    const WindowDc parentDc(window.hwnd());
    DRAWITEMSTRUCT item{
        ODT_STATIC,     DrawingWindow::kPicture, 0, ODA_DRAWENTIRE, 0, window.Picture(),
        parentDc.get(), {0, 0, 100, 50},         0};
    ::SendMessageW(window.hwnd(), WM_DRAWITEM, DrawingWindow::kPicture,
                   reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(window.drawn, 1);
    EXPECT_EQ(window.refused, 1);
}

TEST(PointerMessagesTest, ADpiChangeIsTakenOnlyWithARectangleOnThisStackForTheWindowsDpi) {
    DrawingWindow window;
    ASSERT_TRUE(window.Create());
    const UINT dpi = ::GetDpiForWindow(window.hwnd());
    const auto send = [&](UINT to, const RECT* r) {
        window.suggested.reset();
        ::SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(to, to),
                       reinterpret_cast<LPARAM>(r));
        return window.suggested.has_value();
    };
    const RECT onScreen{10, 10, 210, 110};
    EXPECT_TRUE(send(dpi, &onScreen));
    EXPECT_EQ(window.suggested->left, 10);
    // Posted with a number for a pointer, as any program can.
    window.suggested.reset();
    ::PostMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0x10);
    for (MSG msg; ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) ::DispatchMessageW(&msg);
    EXPECT_FALSE(window.suggested.has_value());
    const auto elsewhere = std::make_unique<RECT>(onScreen);
    EXPECT_FALSE(send(dpi, elsewhere.get())) << "a rectangle off this thread's stack";
    EXPECT_FALSE(send(dpi * 2, &onScreen)) << "a DPI the window does not have";
    const RECT empty{10, 10, 10, 110};
    const RECT offEveryMonitor{-30000, -30000, -29800, -29900};
    EXPECT_FALSE(send(dpi, &empty));
    EXPECT_FALSE(send(dpi, &offEveryMonitor));
}

}  // namespace
}  // namespace tarnwick::ui
