// A heavy start-up program for the log-on storm benchmark: a fixed amount of CPU work and some
// tens of megabytes written to disk, interleaved the way a program that loads, builds its caches
// and saves them goes about it. It shows no window.
//   storm_load.exe LOG DATA UNITS MEGABYTES
// LOG receives "start end" (performance-counter milliseconds) once the work is done; DATA is the
// file it writes. Exit code 0 when done, 2 for bad arguments, 3 when a write failed.
#include "storm_common.h"

#include <cstdio>

namespace {

// The work comes in this many rounds of computing and then saving a share of the data.
constexpr std::uint64_t kRounds = 8;

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace tarnwick::storm;
    const double start = NowMs();
    const auto args = Arguments();
    if (args.size() != 4) return 2;
    const auto units = ParseCount(args[2]);
    const auto megabytes = ParseCount(args[3]);
    if (!units || !megabytes) return 2;

    tarnwick::UniqueHandle data = CreateForWriting(args[1]);
    if (!data) return 3;
    const std::vector<char> pattern = Pattern(*units + *megabytes);
    const std::uint64_t bytes = *megabytes << 20;
    // Kept in a volatile so that the work cannot be optimised away.
    volatile std::uint64_t sink = 0;
    for (std::uint64_t round = 0; round < kRounds; ++round) {
        // Split so that the rounds add up to exactly the whole.
        const auto share = [&](std::uint64_t total) {
            return total * (round + 1) / kRounds - total * round / kRounds;
        };
        sink = sink + Spin(share(*units), sink + round);
        if (!WriteFlushed(data.get(), pattern, share(bytes))) return 3;
    }
    const double end = NowMs();

    char line[64];
    const int length = std::snprintf(line, sizeof line, "%.3f %.3f\n", start, end);
    return WriteText(args[0], std::string_view(line, static_cast<std::size_t>(length))) ? 0 : 3;
}
