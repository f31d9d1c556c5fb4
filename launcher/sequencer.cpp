#include "sequencer.h"

#include "entry_start.h"
#include "product.h"
#include "reasons.h"

#include <utility>

namespace tarnwick {
namespace {

constexpr unsigned kFastForwardMs = 10;
constexpr unsigned kStopMs = 100;

// The system's own text for an error code.
std::wstring ErrorText(DWORD error) {
    const std::wstring text = SystemMessage(error);
    return text.empty() ? L"Error " + std::to_wstring(error) : text;
}

}  // namespace

std::wstring LoadingText(std::wstring_view name) {
    std::wstring text = L"  Loading: ";
    text += name;
    text += L".....        ";
    return text;
}

namespace {

// "45 s", "2 min", "1 min 30 s".
std::wstring DurationText(int seconds) {
    const int minutes = seconds / 60;
    const int rest = seconds % 60;
    if (minutes == 0) return std::to_wstring(rest) + L" s";
    std::wstring text = std::to_wstring(minutes) + L" min";
    if (rest != 0) text += L" " + std::to_wstring(rest) + L" s";
    return text;
}

}  // namespace

std::wstring OwnWaitLine(std::wstring_view name, const OwnWait& wait, std::wstring_view previous) {
    const std::wstring after = previous.empty() ? L"the initial delay" : std::wstring(previous);
    std::wstring what;
    switch (wait.kind) {
        case OwnWait::Kind::SameAsOthers:
            return LoadingText(name);
        case OwnWait::Kind::Seconds:
            what =
                (wait.seconds == 0 ? L"at once" : DurationText(wait.seconds)) + L" after " + after;
            break;
        case OwnWait::Kind::UntilEnded:
            // The first entry has no program before it to wait for.
            if (previous.empty()) return LoadingText(name);
            what = L"when " + after + L" has ended";
            break;
    }
    std::wstring text(name);
    text += L" ";
    text += what;
    return LoadingText(text);
}

std::wstring WaitingText(std::wstring_view name) {
    std::wstring text = L"  Waiting: ";
    text += name;
    text += L".....        ";
    return text;
}

Sequencer::Sequencer(const StoreContext& ctx, const LaunchList& list, Delays delays,
                     double windowWidth, SequencerView& view, const OwnWaits& waits,
                     ProgramWatch* watch, LoadMeter* load)
    : ctx_(ctx),
      list_(list),
      delays_(delays),
      windowWidth_(windowWidth),
      view_(view),
      watch_(watch),
      load_(load) {
    waits_.reserve(list_.names.Count());
    for (size_t k = 0; k < list_.names.Count(); ++k) {
        waits_.push_back(WaitOf(waits, list_.names.Item(k)));
    }
}

void Sequencer::SetTimer1(unsigned ms) {
    timer1_ = ms;
    ticksToTimer1_ = ms / kLoadSampleMs;
    view_.SetTimer(TimerId::Timer1, ms);
}

void Sequencer::SetTimer3(unsigned ms) {
    timer3_ = ms;
    view_.SetTimer(TimerId::Timer3, ms);
}

void Sequencer::Begin() {
    SetTimer3(static_cast<unsigned>(delays_.initialSeconds) * 1000);
    view_.SetMarqueeText(NextLine());
}

void Sequencer::OnTimer3() {
    if (ended_) return;
    SetTimer3(0);
    // The end of the initial delay sets the pace, also after a fast-forward made during it; the
    // line says again what the next entry waits for.
    if (std::exchange(fast_, false)) view_.SetMarqueeText(NextLine());
    ArmNext(false);
}

OwnWait Sequencer::WaitAt(size_t index) const {
    // After the last entry the launcher ends one program delay later, as ever.
    return index < waits_.size() ? waits_[index] : OwnWait{};
}

void Sequencer::ArmNext(bool onTimer1) {
    const int n = static_cast<int>(list_.commands.Count());
    // Stopping or fast-forwarding: their pace stands. Paused meanwhile (from an error box's
    // message loop): the resume arms the wait.
    if (ended_ || started_ > n || fast_) return;
    if (paused_) {
        remembered_.reset();
        return;
    }
    const OwnWait wait = WaitAt(static_cast<size_t>(started_));
    ownPace_ = wait.kind != OwnWait::Kind::SameAsOthers;
    waitingForEnd_ = wait.kind == OwnWait::Kind::UntilEnded;
    unsigned ms = 0;
    switch (wait.kind) {
        case OwnWait::Kind::SameAsOthers:
            ms = static_cast<unsigned>(delays_.programSeconds) * 1000;
            break;
        case OwnWait::Kind::Seconds:
            if (wait.seconds <= 0) {
                Step(false);
                return;
            }
            ms = static_cast<unsigned>(wait.seconds) * 1000;
            break;
        case OwnWait::Kind::UntilEnded:
            // The end is looked for on the load-sample ticks; this tick is the most it waits.
            ms = kMostWaitForEndMs;
            break;
    }
    // A timer that ticked runs on at its interval from the slot it was due, past the ticks it
    // dropped while an error box was open: the same interval is left to run on that grid.
    if (!onTimer1 || ms != timer1_) SetTimer1(ms);
}

void Sequencer::OnTimer1() {
    // The timer goes on at its interval: its next tick is one interval away.
    ticksToTimer1_ = timer1_ / kLoadSampleMs;
    if (ended_ || paused_ || inTick_ || waiting_) return;
    if (list_.commands.Count() == 0) {
        End();
        return;
    }
    if (ShouldWait()) {
        waiting_ = true;
        waitedMs_ = 0;
        SetTimer1(0);
        view_.SetMarqueeText(WaitingText(list_.names.Item(static_cast<size_t>(started_))));
        return;
    }
    // A wait for the end that reaches its most: the entry starts anyway.
    waitingForEnd_ = false;
    Step(true);
}

void Sequencer::Step(bool onTimer1) {
    if (inTick_) return;
    Advance();
    ArmNext(onTimer1);
}

bool Sequencer::MayWait() const {
    const bool entryLeft = static_cast<size_t>(started_) < list_.commands.Count();
    // A wait of the program's own is not the idle rule's to stretch.
    const bool sameAsOthers =
        entryLeft && WaitAt(static_cast<size_t>(started_)).kind == OwnWait::Kind::SameAsOthers;
    return load_ && !hurried_ && sameAsOthers && waitedInAllMs_ < kMostWaitInAllMs;
}

bool Sequencer::ShouldWait() const {
    return MayWait() && !load_->HasRoom();
}

bool Sequencer::SampleWanted() const {
    if (waiting_) return true;
    // The stretch that the next tick of `Timer1` judges: its last samples before that tick.
    return MayWait() && timer1_ != 0 && ticksToTimer1_ <= kLoadWindowSamples;
}

bool Sequencer::PreviousEnded() const {
    if (started_ == 0 || !watch_) return true;
    return watch_->Ended(static_cast<size_t>(started_ - 1));
}

void Sequencer::OnLoadSample() {
    if (ended_) return;
    if (waitingForEnd_) {
        // Nothing is sampled meanwhile: the idle rule does not hold this entry back.
        if (paused_ || inTick_ || !PreviousEnded()) return;
        waitingForEnd_ = false;
        Step(false);
        return;
    }
    if (!load_) return;
    if (ticksToTimer1_ > 0) --ticksToTimer1_;
    if (!SampleWanted()) {
        // A sample costs a system call; the next stretch begins afresh.
        load_->Clear();
        return;
    }
    load_->Sample();
    // A pause holds the wait: its time does not count against the limits.
    if (!waiting_ || paused_) return;
    waitedMs_ += kLoadSampleMs;
    waitedInAllMs_ += kLoadSampleMs;
    if (!load_->HasRoom() && waitedMs_ < kMostWaitPerProgramMs &&
        waitedInAllMs_ < kMostWaitInAllMs) {
        return;
    }
    waiting_ = false;
    // The next wait, the program delay as the least time between two starts among them, counts
    // from this start.
    Step(false);
}

void Sequencer::Advance() {
    if (inTick_) return;
    inTick_ = true;
    const int n = static_cast<int>(list_.commands.Count());
    ++started_;
    // Whole percent, rounded down, in integers: 29 of 100 reads 29%, not the 28% a floating
    // product would give.
    const long long percent = static_cast<long long>(started_) * 100 / n;
    view_.ShowProgress(static_cast<double>(started_) / n * windowWidth_,
                       std::to_wstring(percent) + L"%");
    if (started_ > n) {
        inTick_ = false;
        End();
        return;
    }
    StartEntryAt(static_cast<size_t>(started_ - 1));
    view_.SetMarqueeText(NextLine());
    inTick_ = false;
}

std::wstring Sequencer::NextLine() const {
    const size_t next = static_cast<size_t>(started_);
    if (next >= list_.names.Count()) return LoadingText(L"");
    const std::wstring& name = list_.names.Item(next);
    // Fast-forward starts it whatever it waits for.
    if (fast_) return LoadingText(name);
    return OwnWaitLine(name, WaitAt(next), next > 0 ? list_.names.Item(next - 1) : L"");
}

void Sequencer::StartEntryAt(size_t index) {
    const std::wstring& command = list_.commands.Item(index);
    StartOutcome outcome = StartEntry(ctx_, command);
    switch (outcome.result) {
        case StartResult::Missing:
            RemoveMissingProgram(ctx_.os, command);
            break;
        case StartResult::Failed: {
            std::wstring title = L"Error, please inform Mereval Software at, ";
            title += kMakerWebAddress;
            view_.ShowError(L"There was an error:" + ErrorText(outcome.error), title);
            break;
        }
        case StartResult::Started:
            if (watch_) watch_->Started(index, list_.names.Item(index), std::move(outcome.started));
            break;
        case StartResult::Nothing:
        case StartResult::Unreachable:
            break;
    }
}

void Sequencer::TogglePause() {
    if (ended_) return;
    SetTimer3(0);
    paused_ = !paused_;
    view_.ShowPaused(paused_);
    if (paused_) {
        if (timer1_ == 0) {
            remembered_.reset();
        } else {
            remembered_ = ownPace_ && !fast_ ? view_.TimeLeftMs(TimerId::Timer1) : timer1_;
        }
        SetTimer1(0);
    } else if (remembered_) {
        SetTimer1(*remembered_);
    } else {
        // A pause made during the initial delay cancelled it before `Timer1` ran: resuming
        // arms the next entry's wait, or nothing would ever start.
        ArmNext(false);
    }
}

void Sequencer::FastForward() {
    if (ended_) return;
    // While paused the ticks do nothing, and resuming restores the paced interval: no lasting
    // effect, as ever.
    if (!paused_) {
        hurried_ = true;
        fast_ = true;
        waiting_ = false;
        waitingForEnd_ = false;
        view_.SetMarqueeText(NextLine());
    }
    SetTimer1(kFastForwardMs);
}

void Sequencer::Stop() {
    if (ended_) return;
    started_ = static_cast<int>(list_.commands.Count()) + 10;
    paused_ = false;
    waiting_ = false;
    waitingForEnd_ = false;
    SetTimer1(kStopMs);
    view_.Hide();
}

void Sequencer::Quit() {
    End();
}

void Sequencer::End() {
    if (std::exchange(ended_, true)) return;
    view_.End();
}

}  // namespace tarnwick
