// Two Tarnwick programs at once. Every change of what Tarnwick holds is made under one lock: a
// capture run by another program at any step of a give-back, or the other way round, waits and
// does nothing, so that no program ends up in neither place. Then the lock itself, the real named
// mutex, between this process and another one.
#include "holdings_lock.h"

#include "capture.h"
#include "restore.h"

#include "exe_harness.h"
#include "other_program.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <set>

namespace tarnwick {
namespace {

using namespace std::chrono_literals;
using testing::Everything;
using testing::kNoWait;

void FreeDescriptor(PSECURITY_DESCRIPTOR descriptor) {
    ::LocalFree(descriptor);
}
using UniqueDescriptor = UniqueAny<PSECURITY_DESCRIPTOR, FreeDescriptor>;

// Disabled gives everything back while the launcher of another session takes what it finds after
// its sequence; Enabled takes everything while another program gives everything back. The second
// program waits for the first, so each ends as the first one leaves it. Without the lock the
// capture takes a value the give-back has just written back, which the give-back then releases
// from the store; or the give-back releases a stored copy whose Run value the capture then
// removes: in neither place.
TEST(TwoProgramsTest, ACaptureAndAGiveBackNeverInterleave) {
    const auto disabled = [](Os& os, testing::StartUpWorld& world) {
        RestoreStartupEntries({os, world.Folder(), nullptr, kNoWait}, true);
    };
    const auto launcher = [](Os& os, testing::StartUpWorld& world) {
        CaptureStartupEntries({os, world.Folder(), nullptr, kNoWait}, Registration::Require);
    };
    const auto enabled = [](Os& os, testing::StartUpWorld& world) {
        CaptureStartupEntries({os, world.Folder()}, Registration::Write);
    };
    const struct {
        const char* name;
        bool held;
        std::function<void(testing::FaultyOs&, testing::StartUpWorld&)> first;
        std::function<void(Os&, testing::StartUpWorld&)> second;
        testing::Places after;
    } races[] = {
        {"Disabled, then the launcher", true, disabled, launcher, Everything(L"back", L"gone")},
        {"Enabled, then Disabled", false, enabled, disabled, Everything(L"held", L"registered")},
    };
    for (const auto& race : races) {
        const std::vector<testing::Places> runs =
            testing::AtEveryStep(race.held, race.first, race.second, true);
        ASSERT_GE(runs.size(), 6u) << race.name;
        for (size_t step = 0; step < runs.size(); ++step)
            EXPECT_EQ(runs[step], race.after) << race.name << ", step " << step;
        EXPECT_TRUE(
            testing::SomethingLost(testing::AtEveryStep(race.held, race.first, race.second, false)))
            << race.name << ": without the lock nothing is lost, so the test shows nothing";
    }
}

// What decides a change (the switches, the launcher's registration, what is held) is read only
// once the lock is held: read before it, it could be stale by the time the change is made.
TEST(TwoProgramsTest, NothingIsReadBeforeTheLockIsHeld) {
    testing::StartUpWorld world(false);
    testing::FaultyOs os(SystemOs());
    std::vector<testing::Call> calls;
    os.rule = [&](const testing::Call& c) -> DWORD {
        calls.push_back(c);
        return 0;
    };
    const StoreContext ctx{os, world.Folder(), nullptr, 1234};
    for (const auto& entry : std::vector<std::function<void()>>{
             [&] { CaptureStartupEntries(ctx, Registration::Write); },
             [&] { CaptureStartupEntries(ctx, Registration::Require); },
             [&] { CaptureListedRunValues(ctx); }, [&] { RestoreStartupEntries(ctx, false); }}) {
        calls.clear();
        entry();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.front().op, testing::Op::LockHoldings);
        EXPECT_EQ(calls.front().a, L"1234") << "the wait the program chose";
    }
}

// The real lock: the named mutex every program of every session opens. Another program that
// takes it: "<longest wait> <hold>" in milliseconds; its exit code is what the lock answered.
class HoldingsLockTest : public ::testing::Test {
  protected:
    static std::filesystem::path Holder() { return testing::BuiltProgram(TARNWICK_LOCK_HOLDER); }
    OwnedMutex held;
};

TEST_F(HoldingsLockTest, AnotherProcessWaitsForItAndGetsItOnceReleasedOrSaysItIsBusy) {
    ASSERT_EQ(SystemOs().LockHoldings(0, held), static_cast<Status>(ERROR_SUCCESS));
    testing::Child waiting(Holder(), L"20000 0");
    EXPECT_FALSE(waiting.Wait(700ms).has_value()) << "it did not wait for the lock";
    held.reset();
    EXPECT_EQ(waiting.Wait(10s), std::optional<DWORD>(ERROR_SUCCESS));

    // Held twice by this thread, as a program's entry points nest, and released once: still held.
    ASSERT_EQ(SystemOs().LockHoldings(0, held), static_cast<Status>(ERROR_SUCCESS));
    EXPECT_EQ(HoldingsLock({SystemOs(), {}, nullptr, 0}).Error(), ERROR_SUCCESS);
    const auto asked = std::chrono::steady_clock::now();
    testing::Child impatient(Holder(), L"400 0");
    EXPECT_EQ(impatient.Wait(10s), std::optional<DWORD>(ERROR_TIMEOUT));
    EXPECT_GE(std::chrono::steady_clock::now() - asked, 400ms);
}

// A program that ends while it holds the lock (a log-off in the middle of a capture) passes it on.
TEST_F(HoldingsLockTest, AHolderThatEndsWithoutReleasingPassesItOn) {
    testing::Child holder(Holder(), L"20000 60000");
    ASSERT_TRUE(testing::Eventually(testing::HeldElsewhere, 10s));
    const UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, holder.Id()));
    ASSERT_TRUE(::TerminateProcess(process.get(), 1));
    EXPECT_EQ(SystemOs().LockHoldings(10000, held), static_cast<Status>(ERROR_SUCCESS));
}

// SYSTEM and the administrators may do anything with the lock, everyone else only wait for it and
// release a hold of their own; OWNER RIGHTS takes away what its creator could do without an entry
// (rewrite its DACL), should that be a standard user's launcher. Wine keeps the DACL as given but
// enforces little of it (every process is an administrator there): what Windows does with these
// entries follows from them.
TEST_F(HoldingsLockTest, OnlySystemAndAdministratorsMayDoMoreThanWaitAndRelease) {
    ASSERT_EQ(SystemOs().LockHoldings(0, held), static_cast<Status>(ERROR_SUCCESS));
    const UniqueHandle lock(::OpenMutexW(READ_CONTROL, FALSE, kHoldingsLockName));
    ASSERT_TRUE(lock) << ::GetLastError();
    PACL dacl = nullptr;
    UniqueDescriptor descriptor;
    ASSERT_EQ(::GetSecurityInfo(lock.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, &dacl, nullptr, descriptor.put()),
              static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_NE(dacl, nullptr) << "no DACL: everyone may do anything";
    std::set<std::pair<std::wstring, ACCESS_MASK>> entries;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        ASSERT_TRUE(::GetAce(dacl, i, &ace));
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        ASSERT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        UniqueLocalText sid;
        ASSERT_TRUE(::ConvertSidToStringSidW(&allowed->SidStart, sid.put()));
        entries.emplace(sid.get(), allowed->Mask);
    }
    constexpr ACCESS_MASK kWaitAndRelease = SYNCHRONIZE | MUTEX_MODIFY_STATE;
    EXPECT_EQ(entries, (std::set<std::pair<std::wstring, ACCESS_MASK>>{
                           {L"S-1-5-18", MUTEX_ALL_ACCESS},
                           {L"S-1-5-32-544", MUTEX_ALL_ACCESS},
                           {L"S-1-1-0", kWaitAndRelease},
                           {L"S-1-3-4", kWaitAndRelease},
                       }));
}

}  // namespace
}  // namespace tarnwick
