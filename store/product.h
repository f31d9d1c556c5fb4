// Facts about the product that more than one program shows.
#pragma once

#include <string_view>

namespace tarnwick {

// The maker's web site: the launcher's error title and the settings program's web button.
inline constexpr std::wstring_view kMakerWebAddress = L"https://www.mereval.example/tarnwick";

}  // namespace tarnwick
