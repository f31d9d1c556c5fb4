// The lock under which every change of what Tarnwick holds is made, as the store routines take
// it. The words for the user when it could not be had are `LockFailure` (words/reasons.h).
#pragma once

#include "context.h"

namespace tarnwick {

// The lock's name: one object for every session of the machine.
inline constexpr wchar_t kHoldingsLockName[] = L"Global\\Tarnwick.Holdings";

// The lock for as long as the object lives, waited for as long as the context allows.
class HoldingsLock {
  public:
    explicit HoldingsLock(const StoreContext& ctx)
        : status_(ctx.os.LockHoldings(ctx.lockWaitMs, held_)) {}

    explicit operator bool() const { return status_ == ERROR_SUCCESS; }
    // ERROR_SUCCESS while held; ERROR_TIMEOUT when another program kept it all the while; else
    // why it could not be had.
    Status Error() const { return status_; }

  private:
    OwnedMutex held_;
    Status status_;
};

}  // namespace tarnwick
