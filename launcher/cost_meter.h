// What one started program costs over its measured stretch, from readings of its cumulative
// counters taken now and then: its processor time in each whole second from its start (for the
// timeline) and its totals at the stretch's end. The readings come late when the launcher is busy
// and stop early when the program has ended; the figures between readings are interpolated. No
// system calls: the watch reads the counters, tests feed their own.
#pragma once

#include "logon_costs.h"

#include <cstdint>
#include <vector>

namespace tarnwick {

// A program's counters at one moment, summed over every process of it that could be measured.
// A program that used less than this share of one processor since the last reading is quiet.
inline constexpr double kQuietShare = 0.01;
inline constexpr uint32_t kQuietReadMs = 5000;

struct CostCounters {
    uint64_t cpu = 0;  // user and kernel time, 100 ns units
    uint64_t readBytes = 0;
    uint64_t writtenBytes = 0;
};

class CostMeter {
  public:
    explicit CostMeter(uint32_t measuredMs = kMeasuredMs) : measuredMs_(measuredMs) {}

    // A reading `atMs` after the program's start. A reading earlier than the one before is
    // dropped; a counter lower than before (a process that left the sum) counts as unchanged.
    void Add(uint32_t atMs, const CostCounters& counters);
    // Nothing of the program runs any more: its counters stay as last read.
    void Ended() { ended_ = true; }
    // The stretch is measured to its end, or the program ended: no further reading is needed.
    bool Complete() const { return ended_ || lastMs_ >= measuredMs_; }
    // When the next reading is due, on a whole second from the start and at the stretch's end at
    // the latest: a second after the last one while the program works, and less and less often,
    // up to every kQuietReadMs, while it is quiet, so that a program that waits costs the launcher
    // next to nothing.
    uint32_t NextDueMs() const;

    // The totals over the stretch, as far as it was read.
    ProgramCost Cost() const;
    // Processor milliseconds of each whole second from the start that the readings cover. Each is
    // the difference of the rounded running totals, so that they add up to Cost().cpuMs.
    std::vector<uint32_t> CpuPerSecond() const;

  private:
    struct Reading {
        uint32_t atMs;
        CostCounters counters;
    };
    // The counters `atMs` after the start, interpolated between the readings around it; the last
    // reading for a moment after it.
    CostCounters At(uint32_t atMs) const;
    // The end of what the readings cover: the last reading, or the stretch's end once the
    // program ended.
    uint32_t CoveredMs() const;

    uint32_t measuredMs_;
    // From the start, when nothing had run yet.
    std::vector<Reading> readings_{{0, {}}};
    uint32_t lastMs_ = 0;
    uint32_t intervalMs_ = 1000;
    bool ended_ = false;
};

}  // namespace tarnwick
