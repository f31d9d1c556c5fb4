// Facts about the product that more than one program shows.
#pragma once

#include <string_view>

namespace tarnwick {

// The maker's web site, as the programs show it to the user.
inline constexpr std::wstring_view kMakerWebAddress = L"https://www.mereval.example/tarnwick";

// The product's group below the Start Menu folder, and the shortcuts the setup puts into it.
inline constexpr std::wstring_view kStartMenuGroup = L"Programs\\Tarnwick";
inline constexpr std::wstring_view kProductShortcuts[] = {L"Tarnwick Settings.lnk",
                                                          L"Uninstall Tarnwick.lnk"};

}  // namespace tarnwick
