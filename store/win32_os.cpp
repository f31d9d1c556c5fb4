// The production `Os`: each member is the function of its name in store/win32_os.h, generated
// from the seam's table.
#include "win32_os.h"

#include <type_traits>

namespace tarnwick {
namespace {

class Win32Os final : public Os {
  public:
#define TARNWICK_WIN32_MEMBER(reach, name, parameters, arguments) \
    Status name parameters override {                             \
        return win32::name arguments;                             \
    }
    TARNWICK_OS_SEAM(TARNWICK_WIN32_MEMBER)
#undef TARNWICK_WIN32_MEMBER
};

// What keeps the table whole: a member of `Os` without its entry would stay pure here.
static_assert(!std::is_abstract_v<Win32Os>,
              "every member of Os needs its entry in TARNWICK_OS_SEAM");

}  // namespace

Os& SystemOs() {
    static Win32Os os;
    return os;
}

}  // namespace tarnwick
