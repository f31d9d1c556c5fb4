#include "delay.h"

#include "convert.h"

#include <algorithm>
#include <cmath>

namespace tarnwick::settings {

std::wstring SecondsText(double seconds) {
    return FormatNumber(seconds);
}

std::wstring PositionText(int position) {
    return SecondsText((100 - position) / 2.0);
}

int PositionForTenths(double tenths) {
    const double exact = 100 - tenths * 0.2;
    // Compared before rounding, so that no huge stored value overflows the conversion.
    if (!(exact > kSpinFirst)) return kSpinFirst;
    if (exact >= kSpinLast) return kSpinLast;
    return static_cast<int>(std::lround(exact));
}

long long TenthsFromText(std::wstring_view text) {
    const double seconds = ParseNumber(text).value_or(0.5);
    return std::llround(std::clamp(seconds, -1e15, 1e15) * 10);
}

void DelaySpin::SetPosition(int position) {
    position = std::clamp(position, kSpinFirst, kSpinLast);
    if (position == position_) return;
    position_ = position;
    text_ = PositionText(position);
}

void DelaySpin::ShowStoredText(double tenths) {
    text_ = SecondsText(tenths / 10);
}

void DelaySpin::SetStoredPosition(double tenths) {
    const double exact = 100 - tenths * 0.2;
    const bool outside = !(exact > kSpinFirst - 0.5) || exact >= kSpinLast + 0.5;
    const int position = PositionForTenths(tenths);
    if (outside) {
        position_ = position;
        text_ = PositionText(position);
        return;
    }
    SetPosition(position);
}

}  // namespace tarnwick::settings
