// Reading the policies: the computer's over the user's, and anything but a REG_DWORD within the
// policy's range counted as no policy, so that the user's own option holds.
#include "faulty_os.h"
#include "policy.h"
#include "sandbox.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

using testing::Call;
using testing::Op;

class PolicyTest : public ::testing::Test {
  protected:
    testing::RegistrySandbox box;
};

TEST_F(PolicyTest, TheComputersWinsAndAnOddValueCountsAsNone) {
    EXPECT_FALSE(ReadPolicies(SystemOs()).programSeconds) << "a policy without a key";
    testing::SetPolicies({{HKEY_LOCAL_MACHINE, L"TimeDelay", 12},
                          {HKEY_CURRENT_USER, L"TimeDelay", 30},
                          {HKEY_CURRENT_USER, L"initTimeDelay", 50},
                          {HKEY_LOCAL_MACHINE, L"AutoHide", 2},
                          {HKEY_CURRENT_USER, L"AutoHide", 0},
                          {HKEY_CURRENT_USER, L"Visible", 51}});
    // The computer's that cannot count lets the user's through.
    testing::SetSz(HKEY_LOCAL_MACHINE, kPolicyKey, L"initTimeDelay", L"3");
    // A REG_DWORD of the wrong size, and a REG_QWORD.
    const WORD shortOne = 1;
    testing::SetRaw(HKEY_LOCAL_MACHINE, kPolicyKey, L"WaitIdle", REG_DWORD, &shortOne,
                    sizeof shortOne);
    const ULONGLONG wideOne = 1;
    testing::SetRaw(HKEY_LOCAL_MACHINE, kPolicyKey, L"LockSwitch", REG_QWORD, &wideOne,
                    sizeof wideOne);

    const Policies policies = ReadPolicies(SystemOs());
    EXPECT_EQ(policies.programSeconds, 12u);
    EXPECT_EQ(policies.initialSeconds, 50u);
    EXPECT_EQ(policies.autoHide, 0u);
    EXPECT_FALSE(policies.visible);
    EXPECT_FALSE(policies.waitIdle);
    EXPECT_FALSE(policies.lockSwitch);
    EXPECT_FALSE(policies.Locked());
}

TEST_F(PolicyTest, TheRangesEndsCountAndAnUnreadableComputersPolicyLetsTheUsersHold) {
    for (const DWORD seconds : {1u, 50u}) {
        testing::SetPolicies({{HKEY_LOCAL_MACHINE, L"TimeDelay", seconds}});
        EXPECT_EQ(ReadPolicies(SystemOs()).programSeconds, seconds);
    }
    testing::SetPolicies(
        {{HKEY_LOCAL_MACHINE, L"LockSwitch", 1}, {HKEY_CURRENT_USER, L"LockSwitch", 0}});
    EXPECT_TRUE(ReadPolicies(SystemOs()).Locked());

    testing::FaultyOs os(SystemOs());
    os.rule = [](const Call& c) -> DWORD {
        return c.op == Op::QueryValue && c.root == HKEY_LOCAL_MACHINE ? ERROR_ACCESS_DENIED : 0;
    };
    const Policies policies = ReadPolicies(os);
    EXPECT_FALSE(policies.programSeconds);
    EXPECT_EQ(policies.lockSwitch, 0u);
}

}  // namespace
}  // namespace tarnwick
