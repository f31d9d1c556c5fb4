// A test double for the OS seam: passes every call to the real implementation unless the test's
// rule says that this call fails, and logs the calls that change something.
#pragma once

#include "forwarding_os.h"

#include <functional>
#include <string>
#include <vector>

namespace tarnwick::testing {

// A standard user's rights, as Windows gives them to the launcher and to the settings program
// without elevation: every member that needs administrator rights is refused (the administrator
// check says no, no hive can be loaded, no folder can be given permissions that only
// administrators may change), other accounts' hives cannot be read, and every change under
// HKEY_LOCAL_MACHINE (both registry views) and every change of files in the program folder under
// Program Files (a move into or out of it too) is denied. The holdings lock may be waited for.
std::function<DWORD(const Call&)> StandardUserRights(std::wstring programFolder);

// Windows' answer for a registry key that is missing on the way to a value: reads that `real`
// answers with ERROR_FILE_NOT_FOUND answer ERROR_PATH_NOT_FOUND instead, which Wine never gives.
std::function<DWORD(const Call&)> MissingAsPathNotFound(Os& real);

class FaultyOs final : public ForwardingOs {
  public:
    using ForwardingOs::ForwardingOs;

    // Returns an error code to make the call fail, 0 to let it through.
    std::function<DWORD(const Call&)> rule;
    // Every call that changes something and was let through, in order.
    std::vector<Call> changes;
    // When set, stands in for the shell's deletion of a path that the rule let through, which
    // would otherwise ask on the screen: it does what the test wants done to the files, sets
    // whether the user declined and returns the shell's result code.
    std::function<Status(std::wstring_view path, bool& aborted)> shellDelete;

    // Lets the first `n` changing calls through and fails every later one: the process stopped
    // right after its n-th step.
    void CutAfter(size_t n);

    Status ShellDelete(std::wstring_view path, bool& aborted) override;

  protected:
    // The rule's verdict, and the log entry for a changing call that goes through.
    Status Before(const Call& call) override;
};

}  // namespace tarnwick::testing
