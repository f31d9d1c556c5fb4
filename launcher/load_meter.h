// How busy the computer is, for pacing the starts by its load: the processors' busy time from
// GetSystemTimes and, where the system reports it, the system disk's busy time. Sampled on the
// marquee's ticks before a start and while one waits, with the option on. One sample is a system
// call and a little arithmetic, but Wine answers GetSystemTimes by reading /proc/stat: about
// 0.2 ms a sample (measured).
#pragma once

#include "handles.h"
#include "logon_costs.h"

#include <windows.h>

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace tarnwick {

// The load is judged over this last stretch of samples: 400 ms. A program that is loading keeps
// a processor busy but for short breaks while it saves (profiled every 50 ms, rarely over 200 ms),
// so the stretch need only be long enough to read reliably: Windows counts processor time in
// clock ticks of about 16 ms, so a reading over 400 ms errs by less than a tenth of a processor
// each. A longer stretch only costs time: each further sample holds the next start back by
// another 100 ms on average once the last program has finished.
inline constexpr unsigned kLoadSampleMs = 200;
inline constexpr size_t kLoadWindowSamples = 2;
// And the system disk busy for less than this share of the stretch, where it is reported.
inline constexpr double kSettledDiskShare = 0.25;

// Whether `busyCores` processors' worth of busy time over the stretch, summed over every
// processor, leaves room for the next program: it takes one processor and one stays free for the
// user, so what runs now must fit in the other N - 2, give or take half a processor for what an
// idle desktop and a program that is about done still take. At most N - 1.5 of N processors busy,
// then: 0.5 of two, 6.5 of eight. A single processor has room while less than half of it is busy.
bool LeavesRoom(double busyCores, unsigned processors);

class LoadMeter {
  public:
    virtual ~LoadMeter() = default;
    // Takes one sample; the samples of a stretch are kLoadSampleMs apart.
    virtual void Sample() = 0;
    // Forgets the samples: a marquee tick went by without one, so the next starts a new stretch.
    virtual void Clear() = 0;
    // Whether the computer has room for the next program, judged over a whole stretch of samples;
    // until there is one, it has none.
    virtual bool HasRoom() const = 0;
};

// Cumulative counters at one moment. Times in 100 ns units, summed over all processors; the
// kernel time includes the idle time, as GetSystemTimes reports it.
struct LoadCounters {
    uint64_t idle = 0;
    uint64_t kernel = 0;
    uint64_t user = 0;
    // The system disk's busy time and the time it was measured over; nothing where the system
    // does not report them.
    std::optional<uint64_t> diskIdle;
    std::optional<uint64_t> diskQuery;
};

// The room test over a window of counters, without the system: tests feed it their own.
class LoadWindow {
  public:
    explicit LoadWindow(unsigned processors) : processors_(processors) {}
    void Add(const LoadCounters& counters);
    void Clear() { samples_.clear(); }
    bool HasRoom() const;
    // Busy processors over the samples there are (0 with fewer than two).
    double BusyCores() const;
    // The share of all processors busy between the last two samples, 0 to 1; nothing with fewer
    // than two.
    std::optional<double> LastBusyShare() const;
    // The disk's busy share over the window, where reported.
    std::optional<double> DiskShare() const;

  private:
    unsigned processors_;
    std::deque<LoadCounters> samples_;
};

// The real thing. It keeps the load it saw between each two samples of a stretch, for the record
// of the log-on.
class SystemLoadMeter final : public LoadMeter {
  public:
    // `originTick`: the launcher's start (GetTickCount64), from which the kept samples count.
    explicit SystemLoadMeter(ULONGLONG originTick);
    void Sample() override;
    void Clear() override { window_.Clear(); }
    bool HasRoom() const override { return window_.HasRoom(); }
    const std::vector<LoadSample>& Samples() const { return samples_; }

  private:
    LoadWindow window_;
    ULONGLONG origin_;
    std::vector<LoadSample> samples_;
    // The system disk, opened without read or write access: enough to ask for its counters.
    UniqueHandle disk_;
};

}  // namespace tarnwick
