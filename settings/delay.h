// The delay display of the settings window. A spin position p from 0 to 99 stands for
// (100 - p) / 2 seconds: the up arrow lowers p and so lengthens the delay by half a second.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick::settings {

inline constexpr int kSpinFirst = 0;   // 50 s
inline constexpr int kSpinLast = 99;   // 0.5 s
inline constexpr int kSpinStart = 97;  // before the opening has shown a stored value

// Seconds as a value box shows them: a point as separator, no trailing zeros ("0.5", "1", "12.5").
std::wstring SecondsText(double seconds);
// The text of the value box for a spin position.
std::wstring PositionText(int position);
// The spin position nearest to a delay in tenths of a second; delays beyond either end of the
// spin's range give that end.
int PositionForTenths(double tenths);
// What Save stores for a value box: the seconds it shows, in whole tenths. A text that is not a
// number (the window never shows one) counts as the shortest delay.
long long TenthsFromText(std::wstring_view text);

// One value box with its spin control.
class DelaySpin {
  public:
    int Position() const { return position_; }
    const std::wstring& Text() const { return text_; }

    // Any change of the position, by the user or by the program: clamped to the range; the value
    // box is rewritten only when the position really moves.
    void SetPosition(int position);

    // The opening shows a stored delay in two halves: first the stored value goes into the box as
    // it stands, later the position is set. A stored value that lands on the position the spin
    // already has therefore keeps its own text (16 tenths stays "1.6").
    void ShowStoredText(double tenths);
    // A value beyond the spin's range is clamped, and then the box always shows the clamped
    // delay, never the unreachable one.
    void SetStoredPosition(double tenths);

  private:
    int position_ = kSpinStart;
    std::wstring text_;
};

}  // namespace tarnwick::settings
