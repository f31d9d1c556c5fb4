// Another Tarnwick program at work while the one under test runs, for the tests of what two
// programs do at once. It runs on a thread of its own, which holds nothing that the test's thread
// holds, as another process would not; a seam that passes over the holdings lock stands for a
// program that knows no lock.
#pragma once

#include "faulty_os.h"
#include "sandbox.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tarnwick::testing {

// Answers every wait for the holdings lock at once as if it were had, taking nothing.
class IgnoresTheLock final : public ForwardingOs {
  public:
    using ForwardingOs::ForwardingOs;
    Status LockHoldings(DWORD, OwnedMutex& held) override {
        held.reset();
        return ERROR_SUCCESS;
    }
};

// Another program holds the real holdings lock: this thread's wait for it runs out at once (and
// what it got, it lets go at once).
bool HeldElsewhere();

// Runs `outer`, which works through `os`, and just before its change number `step` (from 0) runs
// `other` to its end as another program. Whether `outer` made that many changes.
bool RunWithAnotherAt(size_t step, FaultyOs& os, const std::function<void()>& outer,
                      const std::function<void()>& other);

// Where each program is, as the user would find it: "back" with Windows, "held" by Tarnwick,
// "both" or "nowhere"; and whether this program folder's launcher is "registered" or "gone".
using Places = std::map<std::wstring, std::wstring>;

// One machine's start-up programs in a sandbox, all in the hands of Windows or all held by
// Tarnwick with its launcher registered: a program for all users ("Sync"), one of the account's
// own ("Chat") and a shortcut ("Notes").
class StartUpWorld {
  public:
    explicit StartUpWorld(bool held);
    Sandbox& Box() { return box_; }
    std::wstring Folder() const { return box_.ProgramFolder(); }
    Places Where() const;

  private:
    Sandbox box_;
};

// Every program in one place, and the launcher.
Places Everything(const std::wstring& place, const std::wstring& launcher);

// The other program's wait for the lock: none, since the lock the test's thread holds is
// another's to it.
inline constexpr DWORD kNoWait = 0;

// One program's operation on a fresh world, once for each change it makes, with another
// program's operation run to its end just before that change: where everything is after each
// run. The other program takes the lock, or knows none. `operation(FaultyOs&, StartUpWorld&)`,
// `other(Os&, StartUpWorld&)`.
template <typename Operation, typename Other>
std::vector<Places> AtEveryStep(bool held, const Operation& operation, const Other& other,
                                bool otherTakesTheLock) {
    std::vector<Places> runs;
    for (size_t step = 0;; ++step) {
        StartUpWorld world(held);
        FaultyOs os(SystemOs());
        IgnoresTheLock lockless(SystemOs());
        Os& otherOs = otherTakesTheLock ? SystemOs() : static_cast<Os&>(lockless);
        if (!RunWithAnotherAt(
                step, os, [&] { operation(os, world); }, [&] { other(otherOs, world); })) {
            return runs;
        }
        runs.push_back(world.Where());
    }
}

// Some program ended up in neither place after one of the runs.
bool SomethingLost(const std::vector<Places>& runs);

}  // namespace tarnwick::testing
