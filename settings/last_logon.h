// The settings window's line about the last log-on, and the local time it is told in.
#pragma once

#include "logon_costs.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace tarnwick::settings {

// A moment stored as FILETIME ticks (UTC) in the computer's local time; nothing when Windows
// cannot show it.
std::optional<SYSTEMTIME> LocalMoment(uint64_t fileTimeTicks);

// The line under the lists about the last log-on: how many programs started and how long after
// the log-on the last one did, then when it was, in the user's format (`locale` names the
// format; the user's own by default). Said plainly when none was measured yet.
std::wstring LastLogOnText(const std::optional<LogOnRecord>& record,
                           const wchar_t* locale = LOCALE_NAME_USER_DEFAULT);

}  // namespace tarnwick::settings
