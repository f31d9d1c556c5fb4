// Facts about the product that more than one program shows.
#pragma once

#include <string_view>

namespace tarnwick {

// The maker's web site, as the programs show it to the user.
inline constexpr std::wstring_view kMakerWebAddress = L"https://www.mereval.example/tarnwick";

}  // namespace tarnwick
