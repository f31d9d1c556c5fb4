// The launch sequence: waits the initial delay, then starts one entry of the launch list per
// tick of `Timer1`, shows the progress and ends the launcher one tick after the last entry. A
// plain class: the window hands it the timer ticks and the button clicks, and it answers through
// `SequencerView`, so tests can drive it tick by tick without a window.
#pragma once

#include "context.h"
#include "launch_list.h"
#include "load_meter.h"
#include "timer_schedule.h"

#include <string>
#include <string_view>

namespace tarnwick {

// What the sequence needs from its window.
class SequencerView {
  public:
    virtual ~SequencerView() = default;
    // Arms (interval in milliseconds) or stops (0) one of the window's timers.
    virtual void SetTimer(TimerId id, unsigned intervalMs) = 0;
    // The bar's new width in twips and the percentage text ("25%").
    virtual void ShowProgress(double barWidth, const std::wstring& percent) = 0;
    // The "Loading" line for the marquee.
    virtual void SetMarqueeText(const std::wstring& text) = 0;
    // The pause button's face: the "play" picture while paused, else the "pause" picture.
    virtual void ShowPaused(bool paused) = 0;
    virtual void Hide() = 0;
    // Ends the launcher: no timer runs after this and nothing more is written.
    virtual void End() = 0;
    // A modal error box; the message loop (and with it the timers) runs while it is open.
    virtual void ShowError(const std::wstring& text, const std::wstring& title) = 0;
};

struct Delays {
    int initialSeconds = 1;
    int programSeconds = 1;
};

// "  Loading: " + name + ".....        ": the line the marquee shows for the next entry.
std::wstring LoadingText(std::wstring_view name);
// "  Waiting: " + name + ".....        ": the same entry while the computer is still busy.
std::wstring WaitingText(std::wstring_view name);

// Pacing by the computer's load: once the program delay is over, the next start waits while the
// computer is busy, at most this long for one program and for the whole sequence, so that a
// machine busy for other reasons does not hold the programs back for ever.
inline constexpr unsigned kMostWaitPerProgramMs = 60'000;
inline constexpr unsigned kMostWaitInAllMs = 180'000;

class Sequencer {
  public:
    // `windowWidth` is the width in twips that a full bar covers. With a `load` meter the starts
    // are paced by the computer's load as well (the option "Wait until the computer is idle");
    // without one the schedule is the plain one.
    Sequencer(const StoreContext& ctx, const LaunchList& list, Delays delays, double windowWidth,
              SequencerView& view, LoadMeter* load = nullptr);

    // Arms the initial delay.
    void Begin();
    void OnTimer3();
    void OnTimer1();
    // Every kLoadSampleMs from the start (the marquee's tick). When the starts are paced by the
    // load: one load sample in the last stretch before a start and while a start waits, where it
    // ends the wait once the computer has room; no sample at the other ticks, since no start would
    // read it.
    void OnLoadSample();

    void TogglePause();
    void FastForward();
    void Stop();
    void Quit();

    int Started() const { return started_; }
    bool Paused() const { return paused_; }
    bool Ended() const { return ended_; }
    bool Waiting() const { return waiting_; }
    unsigned Timer1Interval() const { return timer1_; }
    unsigned Timer3Interval() const { return timer3_; }

  private:
    void SetTimer1(unsigned ms);
    void SetTimer3(unsigned ms);
    void StartEntryAt(size_t index);
    // Starts the next entry (or ends after the last) and shows it: the body of a tick.
    void Advance();
    // The load may still hold a start back: paced by it, not hurried, an entry left, and the
    // sequence's wait not used up.
    bool MayWait() const;
    bool ShouldWait() const;
    bool SampleWanted() const;
    void End();

    const StoreContext& ctx_;
    const LaunchList& list_;
    const Delays delays_;
    const double windowWidth_;
    SequencerView& view_;
    LoadMeter* const load_;

    int started_ = 0;
    bool paused_ = false;
    bool ended_ = false;
    // A tick is running; a tick that arrives meanwhile (from the error box's message loop) is
    // dropped, so no second start and no second box pile up behind the first.
    bool inTick_ = false;
    unsigned timer1_ = 0;
    // Marquee ticks left until `Timer1`'s next tick, counted down by the load samples' ticks.
    unsigned ticksToTimer1_ = 0;
    unsigned timer3_ = 0;
    // `Timer1`'s interval when the pause began, given back on resume.
    unsigned remembered_ = 0;
    // The next start waits for the computer to settle; `Timer1` is stopped meanwhile.
    bool waiting_ = false;
    // Fast-forward was pressed: the rest starts at once, idle or not.
    bool hurried_ = false;
    unsigned waitedMs_ = 0;       // for the entry now waiting
    unsigned waitedInAllMs_ = 0;  // over the whole sequence
};

}  // namespace tarnwick
