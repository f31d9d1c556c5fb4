// A window for the sequencer without a window: its timers run on a simulated clock through the
// same schedule the real window uses, and everything the sequencer shows is recorded.
#pragma once

#include "sequencer.h"
#include "timer_schedule.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::testing {

using namespace std::chrono_literals;

class SimWindow final : public SequencerView {
  public:
    // The marquee runs from the moment the window exists.
    SimWindow() { schedule.Set(TimerId::Timer5, kMarqueeMs, now); }

    TimerSchedule schedule;
    Micros now{0};
    Sequencer* sequencer = nullptr;

    struct Progress {
        double width;
        std::wstring percent;
    };
    std::vector<Progress> progress;
    std::wstring marquee;
    bool pausedFace = false;
    bool hidden = false;
    std::optional<Micros> endedAt;
    struct Box {
        std::wstring text, title;
    };
    std::vector<Box> boxes;
    // Runs while an error box is open, as the box's own message loop would.
    std::function<void()> whileBoxOpen;

    void SetTimer(TimerId id, unsigned intervalMs) override { schedule.Set(id, intervalMs, now); }
    unsigned TimeLeftMs(TimerId id) const override {
        return schedule.Due(id) ? schedule.DelayMs(id, now) : 0;
    }
    void ShowProgress(double width, const std::wstring& percent) override {
        progress.push_back({width, percent});
    }
    void SetMarqueeText(const std::wstring& text) override { marquee = text; }
    void ShowPaused(bool paused) override { pausedFace = paused; }
    void Hide() override { hidden = true; }
    void End() override { endedAt = now; }
    void ShowError(const std::wstring& text, const std::wstring& title) override {
        boxes.push_back({text, title});
        if (whileBoxOpen) whileBoxOpen();
    }

    // Moves the clock to `until`, running every sequencer tick that falls due on the way, in
    // order, as the real window's message loop would.
    void RunUntil(Micros until) {
        while (!endedAt) {
            std::optional<std::pair<Micros, TimerId>> next;
            // A marquee tick (a load sample) due with a start comes first, as its timer is older.
            for (TimerId id : {TimerId::Timer5, TimerId::Timer3, TimerId::Timer1}) {
                const auto due = schedule.Due(id);
                if (due && *due <= until && (!next || *due < next->first)) next = {*due, id};
            }
            if (!next) break;
            // A timer set in a tick that ran late can be due already: its tick comes at once.
            now = std::max(now, next->first);
            if (!schedule.BeginTick(next->second, now)) continue;
            if (next->second == TimerId::Timer1) {
                sequencer->OnTimer1();
            } else if (next->second == TimerId::Timer5) {
                sequencer->OnLoadSample();
            } else {
                sequencer->OnTimer3();
            }
            schedule.EndTick();
        }
        if (!endedAt && now < until) now = until;
    }
    void RunFor(Micros span) { RunUntil(now + span); }
};

}  // namespace tarnwick::testing
