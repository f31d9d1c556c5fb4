// The launch sequence: waits the initial delay, then starts one entry of the launch list per
// tick of `Timer1`, shows the progress and ends the launcher one tick after the last entry. A
// plain class: the window hands it the timer ticks and the button clicks, and it answers through
// `SequencerView`, so tests can drive it tick by tick without a window.
#pragma once

#include "context.h"
#include "launch_list.h"
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

class Sequencer {
  public:
    // `windowWidth` is the width in twips that a full bar covers.
    Sequencer(const StoreContext& ctx, const LaunchList& list, Delays delays, double windowWidth,
              SequencerView& view);

    // Arms the initial delay.
    void Begin();
    void OnTimer3();
    void OnTimer1();

    void TogglePause();
    void FastForward();
    void Stop();
    void Quit();

    int Started() const { return started_; }
    bool Paused() const { return paused_; }
    bool Ended() const { return ended_; }
    unsigned Timer1Interval() const { return timer1_; }
    unsigned Timer3Interval() const { return timer3_; }

  private:
    void SetTimer1(unsigned ms);
    void SetTimer3(unsigned ms);
    void StartEntryAt(size_t index);
    void End();

    const StoreContext& ctx_;
    const LaunchList& list_;
    const Delays delays_;
    const double windowWidth_;
    SequencerView& view_;

    int started_ = 0;
    bool paused_ = false;
    bool ended_ = false;
    // A tick is running; a tick that arrives meanwhile (from the error box's message loop) is
    // dropped, so no second start and no second box pile up behind the first.
    bool inTick_ = false;
    unsigned timer1_ = 0;
    unsigned timer3_ = 0;
    // `Timer1`'s interval when the pause began, given back on resume.
    unsigned remembered_ = 0;
};

}  // namespace tarnwick
