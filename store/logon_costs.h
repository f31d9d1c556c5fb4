// What each program cost the log-on, as the launcher measured it, and the last log-on as a whole.
// Windows measures a start-up program's cost only while Windows starts it; once Tarnwick holds it,
// the launcher measures instead and keeps the figures in the running account's own store:
//   section "impact": one key per entry (the name its row has), the costs of its last
//     kKeptLogOns log-ons, newest first;
//   section "lastlogon": the last log-on, for its timeline.
// Both are written once, when the launcher's last measurement is taken; a log-on cut short writes
// nothing and the earlier figures stay.
#pragma once

#include "own_wait.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

inline constexpr std::wstring_view kImpactSection = L"impact";
inline constexpr std::wstring_view kLastLogOnSection = L"lastlogon";
inline constexpr size_t kKeptLogOns = 5;
// A program is measured over this long after its start.
inline constexpr unsigned kMeasuredMs = 60'000;

// What one program cost one log-on over its first kMeasuredMs: it and every process it started.
struct ProgramCost {
    uint64_t cpuMs = 0;  // processor time, user and kernel, summed over all processors
    uint64_t readBytes = 0;
    uint64_t writtenBytes = 0;
    // From its start to its first visible top-level window; nothing when it showed none.
    std::optional<uint32_t> firstWindowMs;
    // Part of it could not be measured: a process that left the launcher's job, or a start that
    // the shell handed to a process already running (or to an elevated one).
    bool partial = false;

    uint64_t DiskBytes() const { return readBytes + writtenBytes; }
    bool operator==(const ProgramCost&) const = default;
};

// One record as stored: "cpuMs,readBytes,writtenBytes,windowMs,partial" with "-" for no window
// and "0" or "1" for `partial`.
std::wstring CostText(const ProgramCost& cost);
std::optional<ProgramCost> ParseCost(std::wstring_view text);
// The records of one key, separated by ";", newest first. Records that do not read are left out;
// at most kKeptLogOns are taken.
std::vector<ProgramCost> ParseCosts(std::wstring_view text);
std::wstring CostsText(const std::vector<ProgramCost>& costs);

// Task Manager's "Start-up impact", with its thresholds: High for more than 1 s of processor time
// or more than 3 MB of disk, Medium from 300 ms or from 300 KB, else Low.
enum class Impact { NotMeasured, Low, Medium, High };
inline constexpr uint64_t kHighCpuMs = 1000;
inline constexpr uint64_t kMediumCpuMs = 300;
inline constexpr uint64_t kHighDiskBytes = 3ull * 1024 * 1024;
inline constexpr uint64_t kMediumDiskBytes = 300ull * 1024;
Impact ImpactOf(uint64_t cpuMs, uint64_t diskBytes);
// The impact of the median processor time and the median disk bytes of the kept log-ons (the mean
// of the two middle ones for an even count); NotMeasured when none is kept.
Impact MedianImpact(const std::vector<ProgramCost>& costs);

// Every readable key of section "impact", by entry name (without regard to letter case).
using KeptCosts = std::map<std::wstring, std::vector<ProgramCost>, RegistryNameLess>;
KeptCosts ReadCosts(Os& os);

// One program of a log-on, in the order it was started.
struct StartedProgram {
    std::wstring name;
    uint32_t startMs = 0;  // from the launcher's start
    // Processor time in milliseconds in each whole second of its measured minute, from its start
    // (up to kMeasuredMs / 1000 entries; more than 1000 when it kept several processors busy).
    std::vector<uint32_t> cpuPerSecond;
    ProgramCost cost;
};

// One sample of the computer's own load, taken while the starts were paced by it.
struct LoadSample {
    uint32_t atMs = 0;         // from the launcher's start
    uint32_t busyPercent = 0;  // of all processors together, 0 to 100
    bool operator==(const LoadSample&) const = default;
};

struct LogOnRecord {
    uint64_t when = 0;           // the launcher's start, FILETIME ticks (UTC)
    uint32_t spanMs = 0;         // from the launcher's start to the last program's start
    bool waitedForIdle = false;  // "Wait until the computer is idle" was on
    std::vector<LoadSample> load;
    std::vector<StartedProgram> programs;
};

// Writes a log-on: each program's cost in front of the ones kept for its name (the oldest beyond
// kKeptLogOns dropped), and section "lastlogon" anew. The kept costs of programs this log-on did
// not start stay as they are. ERROR_SUCCESS, or the first write that failed.
LSTATUS WriteLogOn(Os& os, const LogOnRecord& record);
// The last log-on; nothing when none is stored or it does not read.
std::optional<LogOnRecord> ReadLastLogOn(Os& os);

}  // namespace tarnwick
