// The window's arithmetic without a window: twips, the marquee, the colours, dragging.
#include "window_logic.h"

#include <gtest/gtest.h>

namespace tarnwick::testing {
namespace {

TEST(Twips, FifteenToThePixelAt96Dpi) {
    EXPECT_EQ(TwipsToPixels(2175, 96), 145);
    EXPECT_EQ(TwipsToPixels(1000, 96), 67);
    EXPECT_EQ(TwipsToPixels(130, 96), 9);
    EXPECT_EQ(TwipsToPixels(15, 96), 1);
    EXPECT_EQ(TwipsToPixels(-20, 96), -1);
    EXPECT_EQ(PixelsToTwips(495, 96), 7425);
}

TEST(Twips, FollowTheWindowsDpi) {
    EXPECT_EQ(TwipsToPixels(2175, 144), 218);  // 150 %
    EXPECT_EQ(TwipsToPixels(2160, 192), 288);  // the logo at 200 %
    EXPECT_EQ(PixelsToTwips(10, 144), 100);
}

TEST(Marquee, TwentyFourCharactersStayPut) {
    Marquee m;
    m.SetText(L"  Loading: .....        ");
    EXPECT_FALSE(m.Tick());
    EXPECT_EQ(m.Text(), L"  Loading: .....        ");
}

TEST(Marquee, OneCharacterNameRotatesOneCharacterPerTick) {
    Marquee m;
    const std::wstring text = L"  Loading: Q.....        ";
    ASSERT_EQ(text.size(), 25u);
    m.SetText(text);
    EXPECT_EQ(m.Tick(), L" Loading: Q.....         ");
    EXPECT_EQ(m.Tick(), L"Loading: Q.....          ");
    for (int i = 2; i < 25; ++i) m.Tick();
    EXPECT_EQ(m.Text(), text);
}

TEST(ColourCycler, ChannelsTurnAt255AndAtZero) {
    double r = 0.999;  // the largest step, 19
    ColourCycler c([&] { return r; });
    c.Tick();  // 274 -> 255, 219, 219
    EXPECT_EQ(c.Bar(), RGB(255, 219, 219));
    c.Tick();  // red now falls: 236; 238, 238
    EXPECT_EQ(c.Bar(), RGB(236, 238, 238));
    c.Tick();  // green and blue reach 257 -> 255 and turn
    EXPECT_EQ(c.Bar(), RGB(217, 255, 255));
    for (int i = 0; i < 12; ++i) c.Tick();  // red falls below 0 -> 0 and turns
    EXPECT_EQ(GetRValue(c.Bar()), 0);
    c.Tick();
    EXPECT_EQ(GetRValue(c.Bar()), 19);
}

TEST(ColourCycler, TextIsTheInverseOfTheBar) {
    ColourCycler c([] { return 0.5; });
    c.Tick();
    EXPECT_EQ(c.Bar(), RGB(255, 210, 210));
    EXPECT_EQ(c.Text(), RGB(0, 45, 45));
}

TEST(ColourCycler, StepOfZeroChangesNothing) {
    ColourCycler c([] { return 0.0; });
    c.Tick();
    EXPECT_EQ(c.Bar(), RGB(255, 200, 200));
}

TEST(DragTo, MovesByThePointersDistanceFromThePress) {
    EXPECT_EQ(DragTo({500, 40}, {30, 12}, {10, 2}, false).x, 520);
    EXPECT_EQ(DragTo({500, 40}, {30, 12}, {10, 2}, false).y, 50);
}

TEST(DragTo, DragLabelStopsAtTheTopAndLeftEdges) {
    const POINT p = DragTo({20, 10}, {0, 0}, {100, 50}, true);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    const POINT q = DragTo({20, 10}, {0, 0}, {100, 50}, false);
    EXPECT_EQ(q.x, -80);
    EXPECT_EQ(q.y, -40);
}

TEST(DragTo, NoClampOnTheRightOrBottom) {
    const POINT p = DragTo({1200, 1000}, {500, 500}, {0, 0}, true);
    EXPECT_EQ(p.x, 1700);
    EXPECT_EQ(p.y, 1500);
}

}  // namespace
}  // namespace tarnwick::testing
