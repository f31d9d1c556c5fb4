// The words the windows show for what the store measures.
#pragma once

#include "logon_costs.h"

#include <string_view>

namespace tarnwick {

// "High", "Medium", "Low", "Not measured".
std::wstring_view ImpactWord(Impact impact);

}  // namespace tarnwick
