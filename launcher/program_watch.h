// What the launcher knows of the programs it has started: whether one has ended (for the wait
// "When the one before has ended") and what each one costs (measured over its first minute).
// The sequencer reports every start here; the window supplies the real watch, tests their own.
#pragma once

#include "os.h"

#include <cstddef>
#include <string_view>

namespace tarnwick {

class ProgramWatch {
  public:
    virtual ~ProgramWatch() = default;
    // Entry `index` of the launch list, named `name`, was just started; `started` is what the
    // start left to watch (possibly nothing).
    virtual void Started(size_t index, std::wstring_view name, StartedProcess started) = 0;
    // Whether everything that entry `index` started has ended. True for an entry that was not
    // started or left nothing to watch: nothing would ever tell its end.
    virtual bool Ended(size_t index) const = 0;
};

}  // namespace tarnwick
