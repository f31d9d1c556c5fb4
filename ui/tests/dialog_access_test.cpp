// Labels that grow with their text: a label whose text needs more lines than it was given, a
// control beside it and one below, in a window of this process.
#include "dialog_access.h"

#include "gdi.h"

#include <gtest/gtest.h>

namespace tarnwick::ui {
namespace {

constexpr int kLabel = 1;
constexpr int kBeside = 2;
constexpr int kBelow = 3;
constexpr int kShort = 4;
constexpr wchar_t kLongText[] =
    L"A text of many words that cannot stand on one line of a label this narrow, nor on two.";

void DestroyWindowHandle(HWND window) {
    ::DestroyWindow(window);
}
using UniqueWindow = UniqueAny<HWND, DestroyWindowHandle>;

RECT Place(HWND window, int id) {
    RECT r{};
    ::GetWindowRect(::GetDlgItem(window, id), &r);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

LONG Height(const RECT& r) {
    return r.bottom - r.top;
}

class FitLabelsTest : public ::testing::Test {
  protected:
    UniqueFont font{::CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0,
                                  0, 0, 0, L"MS Shell Dlg 2")};
    UniqueWindow window{::CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 400, 200, nullptr,
                                          nullptr, nullptr, nullptr)};

    FitLabelsTest() {
        Child(kLabel, L"Static", kLongText, SS_LEFT, {10, 10, 130, 26});
        Child(kBeside, L"Button", L"OK", BS_PUSHBUTTON, {150, 10, 220, 33});
        Child(kBelow, L"Button", L"Cancel", BS_PUSHBUTTON, {10, 30, 80, 53});
        Child(kShort, L"Static", L"Fits", SS_LEFT, {10, 60, 130, 76});
    }
    void Child(int id, const wchar_t* kind, const wchar_t* text, DWORD style, const RECT& r) {
        const HWND control =
            ::CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                              r.right - r.left, r.bottom - r.top, window.get(),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    }
    // The height of the long text, wrapped in the label's width.
    LONG Needed() const {
        const WindowDc dc(window.get());
        const Selected selected(dc.get(), font.get());
        RECT r{0, 0, 120, 0};
        ::DrawTextW(dc.get(), kLongText, -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
        return r.bottom;
    }
    LONG WindowHeight() const {
        RECT r{};
        ::GetWindowRect(window.get(), &r);
        return Height(r);
    }
};

TEST_F(FitLabelsTest, ALabelGrowsToItsTextAndWhatLiesBelowMovesDownAsFar) {
    ASSERT_TRUE(window);
    const LONG extra = Needed() - Height(Place(window.get(), kLabel));
    ASSERT_GT(extra, 0) << "the text fits the label as it is";
    const RECT beside = Place(window.get(), kBeside);
    const RECT below = Place(window.get(), kBelow);
    const RECT fits = Place(window.get(), kShort);
    const LONG height = WindowHeight();

    FitLabelsToText(window.get(), {kLabel, kShort});
    EXPECT_EQ(Height(Place(window.get(), kLabel)), Needed());
    EXPECT_EQ(Place(window.get(), kLabel).top, 10);
    // The button beside the label starts above its old bottom and stays.
    const RECT besideAfter = Place(window.get(), kBeside);
    EXPECT_TRUE(::EqualRect(&beside, &besideAfter));
    EXPECT_EQ(Place(window.get(), kBelow).top, below.top + extra);
    EXPECT_EQ(Height(Place(window.get(), kBelow)), Height(below));
    // A label whose text fits keeps its size, and moves with the rest.
    EXPECT_EQ(Place(window.get(), kShort).top, fits.top + extra);
    EXPECT_EQ(Height(Place(window.get(), kShort)), Height(fits));
    EXPECT_EQ(WindowHeight(), height + extra);

    // Once fitted, nothing more moves.
    FitLabelsToText(window.get(), {kLabel, kShort});
    EXPECT_EQ(Height(Place(window.get(), kLabel)), Needed());
    EXPECT_EQ(Place(window.get(), kBelow).top, below.top + extra);
    EXPECT_EQ(WindowHeight(), height + extra);
}

}  // namespace
}  // namespace tarnwick::ui
