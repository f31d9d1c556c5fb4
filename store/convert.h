// Conversions between the store's text and numbers or flags. Independent of the user's locale:
// the decimal separator is always a point.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// A whole text that is a decimal number ("40", " -1 ", "1440.5", "1e3"), or nothing.
std::optional<double> ParseNumber(std::wstring_view text);
// "True"/"False" in any letter case, or any number (0 is false); otherwise nothing.
std::optional<bool> ParseFlag(std::wstring_view text);
// The leading whole number of a text ("12abc" is 12, "-3" is -3); 0 when it starts otherwise.
// Clamped to the range of long long.
long long LeadingNumber(std::wstring_view text);

std::wstring FormatFlag(bool value);
// Shortest decimal text that reads back as the same number ("1440", "12.5").
std::wstring FormatNumber(double value);

std::wstring TrimSpaces(std::wstring_view text);
std::wstring ToLower(std::wstring_view text);
// Equal as the registry and the file system compare names: without regard to letter case.
bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b);

}  // namespace tarnwick
