// The delay display's arithmetic: positions, texts, the opening's show-then-position rule and
// the clamping of stored delays the spin cannot reach.
#include "delay.h"

#include <gtest/gtest.h>

#include <limits>

namespace tarnwick::settings {
namespace {

TEST(DelayTest, PositionsStandForHalfSecondsFromFiftyDown) {
    EXPECT_EQ(PositionText(0), L"50");
    EXPECT_EQ(PositionText(1), L"49.5");
    EXPECT_EQ(PositionText(75), L"12.5");
    EXPECT_EQ(PositionText(76), L"12");
    EXPECT_EQ(PositionText(98), L"1");
    EXPECT_EQ(PositionText(99), L"0.5");
}

TEST(DelayTest, StoredTenthsGiveTheNearestPositionWithinTheRange) {
    EXPECT_EQ(PositionForTenths(3), 99);
    EXPECT_EQ(PositionForTenths(10), 98);
    EXPECT_EQ(PositionForTenths(60), 88);
    EXPECT_EQ(PositionForTenths(16), 97);  // 96.8
    EXPECT_EQ(PositionForTenths(500), 0);
    EXPECT_EQ(PositionForTenths(502), 0);  // -0.4 rounds to 0
    // Beyond either end: the end itself.
    EXPECT_EQ(PositionForTenths(503), 0);
    EXPECT_EQ(PositionForTenths(1e300), 0);
    EXPECT_EQ(PositionForTenths(2), 99);
    EXPECT_EQ(PositionForTenths(0), 99);
    EXPECT_EQ(PositionForTenths(-1e300), 99);
    EXPECT_EQ(PositionForTenths(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(DelayTest, SaveStoresTheShownSecondsInWholeTenths) {
    EXPECT_EQ(TenthsFromText(L"0.5"), 5);
    EXPECT_EQ(TenthsFromText(L"1.6"), 16);
    EXPECT_EQ(TenthsFromText(L"12.5"), 125);
    EXPECT_EQ(TenthsFromText(L"50"), 500);
    EXPECT_EQ(TenthsFromText(L"1.65"), 17);
}

struct Shown {
    double tenths;
    std::wstring text;
    int position;
};

class OpeningRuleTest : public ::testing::TestWithParam<Shown> {};

// The stored value goes into the box first; only a real move of the position rewrites it.
TEST_P(OpeningRuleTest, ShowsTheStoredValueThenSetsThePosition) {
    DelaySpin spin;
    spin.ShowStoredText(GetParam().tenths);
    spin.SetStoredPosition(GetParam().tenths);
    EXPECT_EQ(spin.Text(), GetParam().text) << GetParam().tenths;
    EXPECT_EQ(spin.Position(), GetParam().position) << GetParam().tenths;
}

INSTANTIATE_TEST_SUITE_P(
    Stored, OpeningRuleTest,
    ::testing::Values(Shown{3, L"0.5", 99}, Shown{10, L"1", 98}, Shown{60, L"6", 88},
                      Shown{16, L"1.6", 97}, Shown{15, L"1.5", 97}, Shown{500, L"50", 0},
                      // Out of the spin's reach: clamped, and the box shows the clamped delay.
                      Shown{0, L"0.5", 99}, Shown{1, L"0.5", 99}, Shown{-40, L"0.5", 99},
                      Shown{503, L"50", 0}, Shown{1e12, L"50", 0}));

TEST(DelayTest, ThePositionStopsAtBothEndsAndKeepsItsText) {
    DelaySpin spin;
    spin.SetPosition(0);
    EXPECT_EQ(spin.Text(), L"50");
    spin.SetPosition(-1);
    EXPECT_EQ(spin.Position(), 0);
    EXPECT_EQ(spin.Text(), L"50");
    spin.SetPosition(99);
    spin.SetPosition(100);
    EXPECT_EQ(spin.Position(), 99);
    EXPECT_EQ(spin.Text(), L"0.5");
}

TEST(DelayTest, ABoxKeepsAnOffGridTextUntilThePositionMoves) {
    DelaySpin spin;
    spin.ShowStoredText(16);
    spin.SetStoredPosition(16);
    spin.SetPosition(97);
    EXPECT_EQ(spin.Text(), L"1.6");
    spin.SetPosition(96);
    EXPECT_EQ(spin.Text(), L"2");
    spin.SetPosition(97);
    EXPECT_EQ(spin.Text(), L"1.5");
}

}  // namespace
}  // namespace tarnwick::settings
