// The reasons the reports give, from a Win32 error alone.
#include "reasons.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(FailureReasonTest, NamesTheRemedyElseTheSystemsOwnTextWithoutItsFullStop) {
    EXPECT_EQ(FailureReason(ERROR_ACCESS_DENIED), L"administrator rights are needed");
    const std::wstring other = FailureReason(ERROR_DISK_FULL);
    EXPECT_FALSE(other.empty());
    EXPECT_NE(other.back(), L'.') << other;
    EXPECT_NE(other.back(), L'\n') << other;
}

}  // namespace
}  // namespace tarnwick
