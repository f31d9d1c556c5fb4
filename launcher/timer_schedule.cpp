#include "timer_schedule.h"

#include <algorithm>
#include <utility>

namespace tarnwick {
namespace {

// Win32 timers fire on the system tick; one that comes this little before its time is on time.
constexpr Micros kEarlyTolerance{1000};

Micros FromMs(unsigned ms) {
    return Micros{static_cast<long long>(ms) * 1000};
}

}  // namespace

std::optional<TimerId> ToTimerId(UINT_PTR win32) {
    for (TimerId id : kAllTimers) {
        if (static_cast<UINT_PTR>(id) == win32) return id;
    }
    return std::nullopt;
}

const TimerSchedule::State* TimerSchedule::Slot(TimerId id) const {
    const auto* found = std::find(kAllTimers.begin(), kAllTimers.end(), id);
    if (found == kAllTimers.end()) return nullptr;
    return &slots_[static_cast<size_t>(found - kAllTimers.begin())];
}

TimerSchedule::State* TimerSchedule::Slot(TimerId id) {
    return const_cast<State*>(std::as_const(*this).Slot(id));
}

unsigned TimerSchedule::Interval(TimerId id) const {
    const State* s = Slot(id);
    return s ? s->intervalMs : 0;
}

void TimerSchedule::Set(TimerId id, unsigned intervalMs, Micros now) {
    State* s = Slot(id);
    if (!s) return;
    s->intervalMs = intervalMs;
    const Micros base = handling_.empty() ? now : handling_.back();
    s->due = base + FromMs(intervalMs);
    s->changed = true;
}

std::optional<Micros> TimerSchedule::Due(TimerId id) const {
    const State* s = Slot(id);
    if (!s || s->intervalMs == 0) return std::nullopt;
    return s->due;
}

bool TimerSchedule::BeginTick(TimerId id, Micros now) {
    State* s = Slot(id);
    if (!s || s->intervalMs == 0 || now + kEarlyTolerance < s->due) return false;
    // The slot this tick stands for: the last one on the timer's grid that has come. Slots
    // missed while the thread was busy are dropped, not run in a burst.
    const Micros interval = FromMs(s->intervalMs);
    Micros slot = s->due;
    if (now > slot) slot += (now - slot) / interval * interval;
    s->due = slot + interval;
    s->changed = true;
    handling_.push_back(slot);
    return true;
}

void TimerSchedule::EndTick() {
    if (!handling_.empty()) handling_.pop_back();
}

unsigned TimerSchedule::DelayMs(TimerId id, Micros now) const {
    const State* s = Slot(id);
    if (!s) return 1;
    const long long remaining = (s->due - now).count();
    if (remaining <= 1000) return 1;
    return static_cast<unsigned>((remaining + 999) / 1000);
}

std::vector<TimerId> TimerSchedule::TakeChanged() {
    std::vector<TimerId> changed;
    for (TimerId id : kAllTimers) {
        if (std::exchange(Slot(id)->changed, false)) changed.push_back(id);
    }
    return changed;
}

}  // namespace tarnwick
