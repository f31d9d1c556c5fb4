#include "holdings_lock.h"

#include "report.h"

namespace tarnwick {

std::wstring LockFailure(Status error) {
    if (error == ERROR_TIMEOUT)
        return L"another Tarnwick program is changing the start-up programs right now";
    return L"Tarnwick could not make sure that none of its other programs changes the start-up "
           L"programs at the same time (" +
           FailureReason(error) + L")";
}

}  // namespace tarnwick
