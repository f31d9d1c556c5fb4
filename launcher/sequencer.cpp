#include "sequencer.h"

#include "entry_start.h"
#include "product.h"
#include "report.h"

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

std::wstring WaitingText(std::wstring_view name) {
    std::wstring text = L"  Waiting: ";
    text += name;
    text += L".....        ";
    return text;
}

Sequencer::Sequencer(const StoreContext& ctx, const LaunchList& list, Delays delays,
                     double windowWidth, SequencerView& view, LoadMeter* load)
    : ctx_(ctx),
      list_(list),
      delays_(delays),
      windowWidth_(windowWidth),
      view_(view),
      load_(load) {}

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
}

void Sequencer::OnTimer3() {
    if (ended_) return;
    SetTimer3(0);
    SetTimer1(static_cast<unsigned>(delays_.programSeconds) * 1000);
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
    Advance();
}

bool Sequencer::MayWait() const {
    const bool entryLeft = static_cast<size_t>(started_) < list_.commands.Count();
    return load_ && !hurried_ && entryLeft && waitedInAllMs_ < kMostWaitInAllMs;
}

bool Sequencer::ShouldWait() const {
    return MayWait() && !load_->HasRoom();
}

bool Sequencer::SampleWanted() const {
    if (waiting_) return true;
    // The stretch that the next tick of `Timer1` judges: its last samples before that tick.
    return MayWait() && timer1_ != 0 && ticksToTimer1_ <= kLoadWindowSamples;
}

void Sequencer::OnLoadSample() {
    if (ended_ || !load_) return;
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
    Advance();
    // The program delay is the least time between two starts: it counts from this one.
    SetTimer1(static_cast<unsigned>(delays_.programSeconds) * 1000);
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
    const size_t next = static_cast<size_t>(started_);
    view_.SetMarqueeText(LoadingText(next < list_.names.Count() ? list_.names.Item(next) : L""));
    inTick_ = false;
}

void Sequencer::StartEntryAt(size_t index) {
    const std::wstring& command = list_.commands.Item(index);
    const StartOutcome outcome = StartEntry(ctx_, command);
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
        remembered_ = timer1_;
        SetTimer1(0);
    } else {
        // A pause made during the initial delay cancelled it before `Timer1` ran: resuming
        // starts the per-program pace, or nothing would ever start.
        SetTimer1(remembered_ != 0 ? remembered_
                                   : static_cast<unsigned>(delays_.programSeconds) * 1000);
    }
}

void Sequencer::FastForward() {
    if (ended_) return;
    // While paused the ticks do nothing, and resuming restores the paced interval: no lasting
    // effect, as ever.
    if (!paused_) {
        hurried_ = true;
        waiting_ = false;
    }
    SetTimer1(kFastForwardMs);
}

void Sequencer::Stop() {
    if (ended_) return;
    started_ = static_cast<int>(list_.commands.Count()) + 10;
    paused_ = false;
    waiting_ = false;
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
