// Runs one log-on storm and times the user's first action through it. At time 0 it starts the
// storm's command lines (every start-up program at once, or the launcher alone); from then on it
// starts the probe once a second, waits for it and records how long it took from the start of
// its process to the end.
//   storm_driver.exe OUT SECONDS PROBE_COMMAND [STORM_COMMAND ...]
// OUT receives, in performance-counter milliseconds:
//   t0 <time 0>
//   probe <start, from time 0> <latency> <exit code>     one line per probe
//   exit <index of the storm command> <exit code>                once the storm has ended
// Exit code 0 when every probe did its work, 2 for bad arguments, 3 when a storm command did not
// start or OUT could not be written, 4 when a probe failed.
#include "storm_common.h"

#include <cstdio>
#include <string>

namespace {

using tarnwick::UniqueHandle;
using namespace tarnwick::storm;

constexpr double kTickMs = 1000;
// A probe or a storm program that takes longer than this is stuck, not slow.
constexpr DWORD kStuckMs = 180'000;

void SleepUntil(double when) {
    const double now = NowMs();
    if (when > now) ::Sleep(static_cast<DWORD>(when - now));
}

template <typename... Values>
std::string Line(const char* format, Values... values) {
    char line[96];
    const int length = std::snprintf(line, sizeof line, format, values...);
    return std::string(line, static_cast<std::size_t>(length));
}

// An exit code as the signed number a program returns.
long long Signed(DWORD code) {
    return static_cast<int>(code);
}

}  // namespace

int wmain() {
    const auto args = Arguments();
    if (args.size() < 3) {
        std::fputs("usage: storm_driver OUT SECONDS PROBE_COMMAND [STORM_COMMAND ...]\n", stderr);
        return 2;
    }
    const auto seconds = ParseCount(args[1]);
    if (!seconds) return 2;

    const double t0 = NowMs();
    std::vector<UniqueHandle> storm;
    for (std::size_t i = 3; i < args.size(); ++i) {
        storm.push_back(StartCommand(args[i]));
        if (!storm.back()) {
            std::fprintf(stderr, "storm_driver: cannot start %ls (error %lu)\n", args[i].c_str(),
                         ::GetLastError());
            return 3;
        }
    }

    std::string out = Line("t0 %.3f\n", t0);
    bool probesOk = true;
    // One user does one thing at a time: a tick that comes while the probe still runs is
    // skipped, and the next probe starts at the first tick after it ended.
    const double end = t0 + static_cast<double>(*seconds) * kTickMs;
    for (double tick = t0; tick < end;) {
        SleepUntil(tick);
        const double start = NowMs();
        UniqueHandle probe = StartCommand(args[2]);
        DWORD code = static_cast<DWORD>(-1);
        if (probe && ::WaitForSingleObject(probe.get(), kStuckMs) == WAIT_OBJECT_0) {
            ::GetExitCodeProcess(probe.get(), &code);
        } else if (probe) {
            ::TerminateProcess(probe.get(), 1);
        }
        const double finish = NowMs();
        probesOk = probesOk && code == 0;
        out += Line("probe %.3f %.3f %lld\n", start - t0, finish - start, Signed(code));
        while (tick <= finish) tick += kTickMs;
    }

    // The next run must not begin while this storm still loads the machine.
    for (std::size_t i = 0; i < storm.size(); ++i) {
        DWORD code = static_cast<DWORD>(-1);
        if (::WaitForSingleObject(storm[i].get(), kStuckMs) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(storm[i].get(), &code);
        out += Line("exit %zu %lld\n", i, Signed(code));
    }

    if (!WriteText(args[0], out)) return 3;
    return probesOk ? 0 : 4;
}
