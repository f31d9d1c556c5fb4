// Another Tarnwick program for the tests of the holdings lock: takes the real lock, waiting at
// most the first argument's milliseconds, keeps it for the second's, and ends with what the lock
// answered as its exit code.
#include "os.h"

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    unsigned long wait = 0;
    unsigned long hold = 0;
    if (std::swscanf(commandLine, L"%lu %lu", &wait, &hold) != 2) return ERROR_INVALID_PARAMETER;
    tarnwick::OwnedMutex held;
    const tarnwick::Status status = tarnwick::SystemOs().LockHoldings(wait, held);
    if (status == ERROR_SUCCESS) ::Sleep(hold);
    return static_cast<int>(status);
}
