// The launcher's timers as plain state: which run, at what interval, and when each is next due.
// The window arms one-shot Win32 timers from it; tests step it with a simulated clock. Due times
// advance by whole intervals from where the previous tick was due, not from when it ran, so a
// late tick never shifts the ticks after it (a start every second stays on its second).
#pragma once

#include <windows.h>

#include <array>
#include <chrono>
#include <optional>
#include <vector>

namespace tarnwick {

// The window's timers; the numbers are the Win32 timer ids.
enum class TimerId : UINT_PTR {
    Timer1 = 1,  // one tick per program start
    Timer3 = 3,  // the initial delay, fires once
    Timer4 = 4,  // auto-hide
    Timer5 = 5,  // marquee
    Timer6 = 6,  // bar colours
};
inline constexpr std::array<TimerId, 5> kAllTimers = {
    TimerId::Timer1, TimerId::Timer3, TimerId::Timer4, TimerId::Timer5, TimerId::Timer6};
// The marquee's interval. Its ticks also carry the load samples when the starts are paced by the
// computer's load: a timer of their own would wake the launcher four more times a second.
inline constexpr unsigned kMarqueeMs = 200;

using Micros = std::chrono::microseconds;

// The timer a Win32 timer id stands for; nothing for an id that is none of the window's. A
// WM_TIMER's id is whatever the program that posted it put there.
std::optional<TimerId> ToTimerId(UINT_PTR win32);

class TimerSchedule {
  public:
    // An id that is none of the timers reads as a stopped timer, and setting it does nothing.
    // Sets the interval in milliseconds; 0 stops the timer. Any setting starts a fresh period.
    // The period counts from `now`, except while a tick is being handled: then it counts from
    // the moment that tick was due, so a timer armed by another timer's tick keeps its slot.
    void Set(TimerId id, unsigned intervalMs, Micros now);
    unsigned Interval(TimerId id) const;
    // When the timer is next due; nothing when it is stopped.
    std::optional<Micros> Due(TimerId id) const;

    // A Win32 tick arrived at `now`. True when the timer is due: the tick is to be handled
    // (between BeginTick and EndTick) and the next one is scheduled. False for a stopped timer
    // or a tick that came early.
    bool BeginTick(TimerId id, Micros now);
    void EndTick();

    // The delay to give a one-shot Win32 timer so that it fires when `id` is due (at least 1 ms).
    unsigned DelayMs(TimerId id, Micros now) const;
    // The timers set since the last call, for re-arming their Win32 counterparts.
    std::vector<TimerId> TakeChanged();

  private:
    struct State {
        unsigned intervalMs = 0;
        Micros due{0};
        bool changed = false;
    };
    // The state of `id`; null for an id that is none of the timers, which stays stopped.
    const State* Slot(TimerId id) const;
    State* Slot(TimerId id);

    std::array<State, kAllTimers.size()> slots_{};
    // Due times of the ticks being handled, innermost last (a modal box inside a tick runs the
    // message loop, so ticks can nest).
    std::vector<Micros> handling_;
};

}  // namespace tarnwick
