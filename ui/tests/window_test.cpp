// A window that belongs to an object: what the object knows of its window, and what becomes of
// an exception in its procedure.
#include "window.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tarnwick::ui {
namespace {

constexpr wchar_t kClass[] = L"TarnwickWindowTest";
constexpr UINT kFail = WM_APP + 1;

class TestWindow final : public Window {
  public:
    bool Create() {
        static const bool registered = RegisterWindowClass(::GetModuleHandleW(nullptr), kClass);
        return registered &&
               MakeWindow(0, kClass, L"", WS_POPUP, nullptr, 0, ::GetModuleHandleW(nullptr));
    }
    int messages = 0;

  private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        ++messages;
        // Stands for the failed allocation, the one exception the programs' window code meets.
        if (message == kFail) throw std::runtime_error("no memory");
        return Default(message, wParam, lParam);
    }
};

TEST(WindowTest, TheObjectKnowsItsWindowUntilTheWindowIsGone) {
    TestWindow window;
    ASSERT_TRUE(window.Create());
    const HWND hwnd = window.hwnd();
    EXPECT_TRUE(::IsWindow(hwnd));
    EXPECT_GT(window.messages, 0);
    ::DestroyWindow(hwnd);
    EXPECT_EQ(window.hwnd(), nullptr);
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
