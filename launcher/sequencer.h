// The launch sequence: waits the initial delay, then starts one entry of the launch list per
// tick of `Timer1`, shows the progress and ends the launcher one program delay after the last
// entry. Each entry waits the program delay or a wait of its own (see `OwnWait`). A plain class:
// the window hands it the timer ticks and the button clicks, and it answers through
// `SequencerView`, so tests can drive it tick by tick without a window.
#pragma once

#include "context.h"
#include "launch_list.h"
#include "load_meter.h"
#include "own_wait.h"
#include "program_watch.h"
#include "timer_schedule.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// What the sequence needs from its window.
class SequencerView {
  public:
    virtual ~SequencerView() = default;
    // Arms (interval in milliseconds) or stops (0) one of the window's timers.
    virtual void SetTimer(TimerId id, unsigned intervalMs) = 0;
    // Milliseconds until the timer is next due (at least 1); 0 when it is stopped.
    virtual unsigned TimeLeftMs(TimerId id) const = 0;
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
// The "Loading" line for an entry with a wait of its own: "  Loading: Chat 45 s after Mail.....",
// "  Loading: Disk when Mount has ended.....". `previous` is empty for the first entry, whose
// seconds count from the end of the initial delay; the first one has nothing to wait the end of.
// Said as "after", not "in": the line is set when the wait begins and is not counted down.
std::wstring OwnWaitLine(std::wstring_view name, const OwnWait& wait, std::wstring_view previous);
// "  Waiting: " + name + ".....        ": the same entry while the computer is still busy.
std::wstring WaitingText(std::wstring_view name);

// Pacing by the computer's load: once the program delay is over, the next start waits while the
// computer is busy, at most this long for one program and for the whole sequence, so that a
// machine busy for other reasons does not hold the programs back for ever.
inline constexpr unsigned kMostWaitPerProgramMs = 60'000;
inline constexpr unsigned kMostWaitInAllMs = 180'000;

// Each entry's wait, before its start:
// - the same as the others: the program delay after the previous start, and the idle rule when
//   the starts are paced by the load;
// - seconds: exactly that long after the previous start (the first entry: after the initial
//   delay's end), on the timers' grid, never held back by the load; 0 starts it with the previous;
// - until the one before has ended: checked on every load-sample tick, and at most
//   kMostWaitForEndMs after the previous start; at the first check for the first entry, or
//   without a watch.
// A pause holds every wait. Resuming gives the program delay afresh, as it always did, but a wait
// of its own goes on with what was left of it: a pause must not restart an hour's wait, nor
// count against the ten minutes a program is waited for. Fast-forward starts the rest 10 ms
// apart, whatever their waits; Stop ends as ever.
class Sequencer {
  public:
    // `windowWidth` is the width in twips that a full bar covers. With a `load` meter the starts
    // are paced by the computer's load as well (the option "Wait until the computer is idle");
    // without one the schedule is the plain one. `watch` hears of every start and tells when a
    // started program has ended; without one, "until the one before has ended" waits for nothing.
    Sequencer(const StoreContext& ctx, const LaunchList& list, Delays delays, double windowWidth,
              SequencerView& view, const OwnWaits& waits = {}, ProgramWatch* watch = nullptr,
              LoadMeter* load = nullptr);

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

    // The "Loading" line for the next entry.
    std::wstring NextLine() const;

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
    // Starts the next entry (or ends after the last) and shows it.
    void Advance();
    // The body of a tick: starts the next entry, then those that start with it, and arms the
    // wait of the one after them. `onTimer1`: in a tick of `Timer1`, which runs on by itself.
    void Step(bool onTimer1);
    // Arms the wait of the next entry, counted from now (in a tick: from when it was due), or
    // starts it now when it waits for nothing.
    void ArmNext(bool onTimer1);
    OwnWait WaitAt(size_t index) const;
    bool PreviousEnded() const;
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
    // Each entry's own wait, by its index in the launch list.
    std::vector<OwnWait> waits_;
    ProgramWatch* const watch_;
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
    // What `Timer1` had left when the pause began, given back on resume: its interval for the
    // program delay, what was left for a wait of its own. Nothing when there is no wait to go on
    // with (a pause during the initial delay, or one made while an entry was being started): then
    // resuming arms the next entry's wait afresh.
    std::optional<unsigned> remembered_;
    // `Timer1` counts a wait of the next entry's own, not the program delay.
    bool ownPace_ = false;
    // The next entry waits for the one before it to end; `Timer1` counts the most it waits.
    bool waitingForEnd_ = false;
    // `Timer1` runs at the fast-forward pace, until the initial delay's end sets the pace back.
    bool fast_ = false;
    // The next start waits for the computer to settle; `Timer1` is stopped meanwhile.
    bool waiting_ = false;
    // Fast-forward was pressed: the rest starts at once, idle or not.
    bool hurried_ = false;
    unsigned waitedMs_ = 0;       // for the entry now waiting
    unsigned waitedInAllMs_ = 0;  // over the whole sequence
};

}  // namespace tarnwick
