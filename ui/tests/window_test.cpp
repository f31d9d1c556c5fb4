// A window that belongs to an object: what the object knows of its window, and what becomes of
// an exception in its procedure.
#include "window.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tarnwick::ui
