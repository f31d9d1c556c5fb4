// The launcher's watch over the programs it starts: whether each one has ended, and what it costs
// over its first minute, for the log-on's record. A thread of its own takes each program's
// readings once a second from its start (and at once when its process ends), and times its first
// visible top-level window through the system's window events, so that neither the window's
// ticks nor the capture after the sequence hold the readings up, nor they them.
#pragma once

#include "cost_meter.h"
#include "program_counters.h"
#include "program_watch.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tarnwick {

class LogOnWatch final : public ProgramWatch {
  public:
    // `originTick`: the launcher's start (GetTickCount64), from which the record counts; each
    // program is measured for `measuredMs` after its start.
    explicit LogOnWatch(ULONGLONG originTick, uint32_t measuredMs = kMeasuredMs);
    ~LogOnWatch() override;
    LogOnWatch(const LogOnWatch&) = delete;
    LogOnWatch& operator=(const LogOnWatch&) = delete;

    void Started(size_t index, std::wstring_view name, StartedProcess started) override;
    bool Ended(size_t index) const override;

    // No program starts after this: once the last measurement is taken, measuring ends.
    void Finish();
    // Signalled once measuring has ended after `Finish`: at most `measuredMs` after the last
    // start, sooner when every program has ended, at once when none was started.
    HANDLE Measured() const { return measured_.get(); }
    // Every started program, in the order of their starts, with what was measured of it. Waits
    // for the end of measuring; a program that could not be read to the end is partial.
    std::vector<StartedProgram> Programs();
    // From the launcher's start to the last start; 0 without one.
    uint32_t SpanMs() const;

  private:
    struct Entry {
        Entry(size_t at, std::wstring_view called, ULONGLONG tick, uint32_t ms,
              StartedProcess started, uint32_t measuredMs)
            : index(at),
              name(called),
              startTick(tick),
              startMs(ms),
              counters(std::move(started)),
              meter(measuredMs) {}
        size_t index;
        std::wstring name;
        ULONGLONG startTick;
        uint32_t startMs;
        ProgramCounters counters;
        CostMeter meter;
        std::optional<uint32_t> firstWindowMs;
        bool readNow = false;       // its process has just ended
        bool processEnded = false;  // no longer waited for
        bool waited = false;        // its process is among the handles the thread waits on
        bool complete = false;
    };
    // A top-level window of a program that was not visible yet when it was made: Wine tells no
    // EVENT_OBJECT_SHOW at all (measured), so its visibility is looked at now and then.
    struct Candidate {
        HWND hwnd;
        Entry* entry;
        ULONGLONG made;
        ULONGLONG nextLook;
    };

    void Run();
    // Takes the readings that are due and looks at the candidates; when the next is due.
    ULONGLONG Step(ULONGLONG now);
    void Read(Entry& entry, ULONGLONG now);
    void WindowShown(Entry& entry, ULONGLONG at);
    void OnWindow(DWORD event, HWND hwnd, DWORD pid, ULONGLONG at);
    // Every visible top-level window there is once the window events are asked for: a program
    // may have shown its window before.
    void FindWindowsShownBefore();
    // A visible window of process `pid` was there before the window events were asked for.
    void ShownBefore(DWORD pid);
    static void CALLBACK OnWinEvent(HWINEVENTHOOK hook, DWORD event, HWND hwnd, LONG object,
                                    LONG child, DWORD thread, DWORD time);
    void StopThread();

    const ULONGLONG origin_;
    const uint32_t measuredMs_;
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Entry>> entries_;
    std::vector<Candidate> candidates_;
    bool finished_ = false;
    bool stop_ = false;
    UniqueHandle wake_;
    UniqueHandle measured_;
    std::thread thread_;
};

}  // namespace tarnwick
