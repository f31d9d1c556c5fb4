#include "cost_meter.h"

#include <algorithm>
#include <iterator>

namespace tarnwick {
namespace {

constexpr uint64_t kTicksPerMs = 10'000;

uint64_t Between(uint64_t a, uint64_t b, uint32_t fromMs, uint32_t toMs, uint32_t atMs) {
    if (toMs == fromMs) return b;
    // b >= a: the readings never fall back.
    const long double share = static_cast<long double>(atMs - fromMs) / (toMs - fromMs);
    return a + static_cast<uint64_t>(static_cast<long double>(b - a) * share + 0.5L);
}

uint64_t RoundedMs(uint64_t ticks) {
    return (ticks + kTicksPerMs / 2) / kTicksPerMs;
}

}  // namespace

void CostMeter::Add(uint32_t atMs, const CostCounters& counters) {
    const Reading& last = readings_.back();
    if (atMs < last.atMs || Complete()) return;
    CostCounters kept = counters;
    kept.cpu = std::max(kept.cpu, last.counters.cpu);
    kept.readBytes = std::max(kept.readBytes, last.counters.readBytes);
    kept.writtenBytes = std::max(kept.writtenBytes, last.counters.writtenBytes);
    if (atMs == last.atMs) {
        readings_.back().counters = kept;
    } else {
        const double share = static_cast<double>(kept.cpu - last.counters.cpu) /
                             (static_cast<double>(atMs - last.atMs) * kTicksPerMs);
        intervalMs_ = share < kQuietShare ? std::min(intervalMs_ * 2, kQuietReadMs) : 1000;
        readings_.push_back({atMs, kept});
    }
    lastMs_ = atMs;
}

uint32_t CostMeter::NextDueMs() const {
    return std::min(measuredMs_, lastMs_ / 1000 * 1000 + intervalMs_);
}

uint32_t CostMeter::CoveredMs() const {
    return ended_ ? measuredMs_ : std::min(lastMs_, measuredMs_);
}

CostCounters CostMeter::At(uint32_t atMs) const {
    const auto after = std::find_if(readings_.begin(), readings_.end(),
                                    [atMs](const Reading& r) { return r.atMs >= atMs; });
    if (after == readings_.end()) return readings_.back().counters;
    if (after == readings_.begin()) return after->counters;
    const Reading& a = *std::prev(after);
    const Reading& b = *after;
    return {Between(a.counters.cpu, b.counters.cpu, a.atMs, b.atMs, atMs),
            Between(a.counters.readBytes, b.counters.readBytes, a.atMs, b.atMs, atMs),
            Between(a.counters.writtenBytes, b.counters.writtenBytes, a.atMs, b.atMs, atMs)};
}

ProgramCost CostMeter::Cost() const {
    const CostCounters at = At(CoveredMs());
    ProgramCost cost;
    cost.cpuMs = RoundedMs(at.cpu);
    cost.readBytes = at.readBytes;
    cost.writtenBytes = at.writtenBytes;
    return cost;
}

std::vector<uint32_t> CostMeter::CpuPerSecond() const {
    std::vector<uint32_t> seconds;
    const uint32_t covered = CoveredMs();
    uint64_t before = 0;
    for (uint32_t end = 1000; end <= covered; end += 1000) {
        const uint64_t total = RoundedMs(At(end).cpu);
        seconds.push_back(static_cast<uint32_t>(std::min<uint64_t>(total - before, UINT32_MAX)));
        before = total;
    }
    // A stretch that does not end on a whole second (shortened for a test) keeps its last part.
    if (covered % 1000 != 0 && covered == measuredMs_) {
        seconds.push_back(static_cast<uint32_t>(RoundedMs(At(covered).cpu) - before));
    }
    return seconds;
}

}  // namespace tarnwick
