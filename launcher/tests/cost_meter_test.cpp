// The arithmetic of a program's cost from readings of its cumulative counters: whole seconds,
// late readings, an early end, and the schedule of readings.
#include "cost_meter.h"

#include <gtest/gtest.h>

#include <numeric>

namespace tarnwick {
namespace {

constexpr uint64_t kMs = 10'000;  // 100 ns units in a millisecond

CostCounters Cpu(uint64_t ms, uint64_t read = 0, uint64_t written = 0) {
    return {ms * kMs, read, written};
}

uint64_t Sum(const std::vector<uint32_t>& seconds) {
    return std::accumulate(seconds.begin(), seconds.end(), uint64_t{0});
}

TEST(CostMeterTest, ReadingsOnWholeSecondsGiveEachSecondAndTheTotalsAtTheEnd) {
    CostMeter meter(3000);
    meter.Add(1000, Cpu(1900, 100, 10));
    EXPECT_FALSE(meter.Complete());
    EXPECT_EQ(meter.CpuPerSecond(), (std::vector<uint32_t>{1900}));
    meter.Add(2000, Cpu(2000, 200, 20));
    meter.Add(3000, Cpu(2400, 300, 30));
    EXPECT_TRUE(meter.Complete());
    EXPECT_EQ(meter.CpuPerSecond(), (std::vector<uint32_t>{1900, 100, 400}));
    const ProgramCost cost = meter.Cost();
    EXPECT_EQ(cost.cpuMs, 2400u);
    EXPECT_EQ(cost.readBytes, 300u);
    EXPECT_EQ(cost.writtenBytes, 30u);
    // Nothing after the end counts.
    meter.Add(4000, Cpu(9000));
    EXPECT_EQ(meter.Cost().cpuMs, 2400u);
}

// A busy launcher reads late: the seconds between are shared out as the readings say, the
// stretch ends where it ends, and the seconds always add up to the total.
TEST(CostMeterTest, LateReadingsAreInterpolatedAndTheSecondsAddUpToTheTotal) {
    CostMeter meter(3000);
    meter.Add(1500, Cpu(1500));
    meter.Add(3600, Cpu(1500 + 2100));
    EXPECT_TRUE(meter.Complete());
    EXPECT_EQ(meter.CpuPerSecond(), (std::vector<uint32_t>{1000, 1000, 1000}));
    EXPECT_EQ(meter.Cost().cpuMs, 3000u) << "what it used after the stretch is left out";

    CostMeter thirds(2000);
    thirds.Add(1000, {3333, 0, 0});  // a third of a millisecond a time
    thirds.Add(2000, {6666, 0, 0});
    EXPECT_EQ(Sum(thirds.CpuPerSecond()), thirds.Cost().cpuMs);
}

// All its processes ended: what it used stays as last read, and the minute is over for it.
TEST(CostMeterTest, AProgramThatEndedIsMeasuredToTheEndOfItsStretchAtOnce) {
    CostMeter meter(5000);
    meter.Add(1000, Cpu(800));
    meter.Add(1300, Cpu(1100));
    meter.Ended();
    EXPECT_TRUE(meter.Complete());
    EXPECT_EQ(meter.CpuPerSecond(), (std::vector<uint32_t>{800, 300, 0, 0, 0}));
    EXPECT_EQ(meter.Cost().cpuMs, 1100u);
    meter.Add(2000, Cpu(5000));
    EXPECT_EQ(meter.Cost().cpuMs, 1100u);
}

// A process that left the sum (a thread Linux forgot, a process gone before it was read) takes
// nothing back from what was counted; a reading from before the last one is no reading.
TEST(CostMeterTest, CountersNeverFallBackAndReadingsNeverGoBackInTime) {
    CostMeter meter(3000);
    meter.Add(1000, Cpu(500, 40, 40));
    meter.Add(2000, Cpu(200, 10, 90));
    meter.Add(1500, Cpu(9000));
    meter.Add(3000, Cpu(700, 50, 90));
    EXPECT_EQ(meter.CpuPerSecond(), (std::vector<uint32_t>{500, 0, 200}));
    EXPECT_EQ(meter.Cost().readBytes, 50u);
    EXPECT_EQ(meter.Cost().writtenBytes, 90u);
}

// A quiet program is read less and less often, up to every kQuietReadMs; once it works again,
// every second; and the stretch's end is always read.
TEST(CostMeterTest, AQuietProgramIsReadLessOften) {
    CostMeter meter(19'500);
    EXPECT_EQ(meter.NextDueMs(), 1000u);
    meter.Add(1000, Cpu(5));
    EXPECT_EQ(meter.NextDueMs(), 3000u);
    meter.Add(3000, Cpu(6));
    EXPECT_EQ(meter.NextDueMs(), 7000u);
    meter.Add(7000, Cpu(6));
    EXPECT_EQ(meter.NextDueMs(), 12'000u);
    meter.Add(12'000, Cpu(6));
    EXPECT_EQ(meter.NextDueMs(), 17'000u);
    meter.Add(17'100, Cpu(600));
    EXPECT_EQ(meter.NextDueMs(), 18'000u) << "busy again: every second";
    meter.Add(18'000, Cpu(600));
    EXPECT_EQ(meter.NextDueMs(), 19'500u) << "the end of the stretch at the latest";
    // The quiet stretch between two readings is shared out evenly.
    EXPECT_EQ(meter.CpuPerSecond()[11], 0u);
    EXPECT_EQ(Sum(meter.CpuPerSecond()), 600u);
}

// A stretch shortened to a part of a second (tests shorten it) keeps that last part.
TEST(CostMeterTest, AStretchThatEndsWithinASecondKeepsItsLastPart) {
    CostMeter meter(1500);
    meter.Add(1000, Cpu(100));
    meter.Add(1500, Cpu(400));
    EXPECT_EQ(meter.CpuPerSecond(), (std::vector<uint32_t>{100, 300}));
}

}  // namespace
}  // namespace tarnwick
