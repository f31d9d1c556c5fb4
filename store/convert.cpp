#include "convert.h"

#include <windows.h>

#include <charconv>
#include <cmath>
#include <limits>

namespace tarnwick {
namespace {

// Narrow ASCII copy; anything else cannot be part of a number.
std::optional<std::string> Ascii(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c > 0x7F) return std::nullopt;
        out.push_back(static_cast<char>(c));
    }
    return out;
}

}  // namespace

std::wstring TrimSpaces(std::wstring_view text) {
    const auto first = text.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) return {};
    const auto last = text.find_last_not_of(L' ');
    return std::wstring(text.substr(first, last - first + 1));
}

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring ToLower(std::wstring_view text) {
    std::wstring out(text);
    if (!out.empty()) {
        // Invariant locale: the result must not depend on the user's regional settings.
        ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, out.data(),
                        static_cast<int>(out.size()), out.data(), static_cast<int>(out.size()),
                        nullptr, nullptr, 0);
    }
    return out;
}

std::optional<double> ParseNumber(std::wstring_view text) {
    const auto ascii = Ascii(TrimSpaces(text));
    if (!ascii || ascii->empty()) return std::nullopt;
    const char* begin = ascii->data();
    const char* end = begin + ascii->size();
    if (*begin == '+') ++begin;  // from_chars does not take a plus sign
    double value = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc{} || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<bool> ParseFlag(std::wstring_view text) {
    const std::wstring word = ToLower(TrimSpaces(text));
    if (word == L"true") return true;
    if (word == L"false") return false;
    if (const auto number = ParseNumber(word)) return *number != 0;
    return std::nullopt;
}

long long LeadingNumber(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == L' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    long long value = 0;
    constexpr long long kMax = std::numeric_limits<long long>::max();
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        const int digit = text[i] - L'0';
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return negative ? -value : value;
}

std::wstring FormatFlag(bool value) {
    return value ? L"True" : L"False";
}

std::wstring FormatNumber(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::wstring(buffer, result.ptr);
}

}  // namespace tarnwick
