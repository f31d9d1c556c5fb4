// How busy the computer is, for pacing the starts by its load: the processors' busy time from
// GetSystemTimes and, where the system reports it, the system disk's busy time. Sampled on the
// marquee's ticks while the option is on; one sample is a system call and a little arithmetic.
#pragma once

#include "handles.h"

#include <windows.h>

#include <cstdint>
#include <deque>
#include <optional>

namespace tarnwick {

// The load is judged over this last stretch of samples.
inline constexpr unsigned kLoadSampleMs = 200;
inline constexpr size_t kLoadWindowSamples = 5;  // one second
// Settled: less than this many processors' worth of busy time over the last second, summed over
// every processor. A program that is still loading keeps at least one core mostly busy; an idle
// desktop, Wine's own servers included, takes a few hundredths of one.
inline constexpr double kSettledCores = 0.5;
// And the system disk busy for less than this share of the last second, where it is reported.
inline constexpr double kSettledDiskShare = 0.25;

class LoadMeter {
  public:
    virtual ~LoadMeter() = default;
    // Takes one sample; called every kLoadSampleMs.
    virtual void Sample() = 0;
    // Whether the computer has settled, judged over the samples of the last second (fewer just
    // after the start: then over what there is; with none yet, it counts as settled).
    virtual bool Settled() const = 0;
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

// The settled test over a window of counters, without the system: tests feed it their own.
class LoadWindow {
  public:
    explicit LoadWindow(unsigned processors) : processors_(processors) {}
    void Add(const LoadCounters& counters);
    bool Settled() const;
    // Busy processors over the window (0 with fewer than two samples).
    double BusyCores() const;
    // The disk's busy share over the window, where reported.
    std::optional<double> DiskShare() const;

  private:
    unsigned processors_;
    std::deque<LoadCounters> samples_;
};

// The real thing.
class SystemLoadMeter final : public LoadMeter {
  public:
    SystemLoadMeter();
    void Sample() override;
    bool Settled() const override { return window_.Settled(); }

  private:
    LoadWindow window_;
    // The system disk, opened without read or write access: enough to ask for its counters.
    UniqueHandle disk_;
};

}  // namespace tarnwick
