// The "Last log-on" window's words: the log-on told one fact a line (when it was, the load, each
// program's start and costs), and the legend that says how the picture tells a busy second.
#include "logon_timeline_parts.h"

#include "labels.h"
#include "last_logon.h"

#include <algorithm>
#include <optional>
#include <string>

namespace tarnwick::settings {
namespace {

// Tenths of a second, as "12.0 s".
std::wstring Seconds(uint64_t ms) {
    const uint64_t tenths = (ms + 50) / 100;
    return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10) + L" s";
}

std::wstring ProcessorTime(uint64_t ms) {
    return (ms < 1000 ? std::to_wstring(ms) + L" ms" : Seconds(ms)) + L" of processor time";
}

std::wstring DiskBytes(uint64_t bytes) {
    constexpr uint64_t kKilo = 1024;
    constexpr uint64_t kMega = kKilo * kKilo;
    if (bytes == 0) return L"nothing read or written";
    if (bytes < kMega)
        return std::to_wstring((bytes + kKilo / 2) / kKilo) + L" KB read and written";
    const uint64_t tenths = (bytes * 10 + kMega / 2) / kMega;
    return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10) +
           L" MB read and written";
}

std::wstring When(uint64_t ticks) {
    const std::optional<SYSTEMTIME> local = LocalMoment(ticks);
    if (!local) return {};
    wchar_t date[80]{};
    wchar_t time[80]{};
    ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_LONGDATE, &*local, nullptr, date, 80, nullptr);
    ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &*local, nullptr, time, 80);
    return std::wstring(date) + L", " + time;
}

std::wstring ProgramLine(const StartedProgram& program) {
    const ProgramCost& cost = program.cost;
    std::wstring line = program.name + L": started at " + Seconds(program.startMs) + L", " +
                        ProcessorTime(cost.cpuMs) + L", " + DiskBytes(cost.DiskBytes()) + L", ";
    line += cost.firstWindowMs ? L"first window after " + Seconds(*cost.firstWindowMs)
                               : std::wstring(L"no window");
    line += L", ";
    line += ImpactWord(ImpactOf(cost.cpuMs, cost.DiskBytes()));
    if (cost.partial) line += L" (part of what it started could not be measured)";
    return line;
}

std::wstring LoadLine(const LogOnRecord& record) {
    if (!record.waitedForIdle) return L"The starts did not wait for the computer to be idle.";
    if (record.load.empty()) {
        return L"The starts waited for the computer to be idle; no load was sampled.";
    }
    uint32_t lowest = 100;
    uint32_t highest = 0;
    uint64_t sum = 0;
    for (const LoadSample& sample : record.load) {
        lowest = std::min(lowest, sample.busyPercent);
        highest = std::max(highest, sample.busyPercent);
        sum += sample.busyPercent;
    }
    const uint64_t mean = (sum + record.load.size() / 2) / record.load.size();
    return L"The starts waited for the computer to be idle. Its load over " +
           std::to_wstring(record.load.size()) + L" samples: lowest " + std::to_wstring(lowest) +
           L"%, highest " + std::to_wstring(highest) + L"%, " + std::to_wstring(mean) +
           L"% on average.";
}

}  // namespace

std::wstring LogOnDescription(const std::optional<LogOnRecord>& record) {
    if (!record) return kTimelineNothingMeasured;
    const size_t count = record->programs.size();
    const std::wstring when = When(record->when);
    std::wstring text = L"Log-on" + (when.empty() ? L"" : L" of " + when) + L": " +
                        std::to_wstring(count) + (count == 1 ? L" program" : L" programs") +
                        L" in " + Seconds(record->spanMs) + L".\r\n" + LoadLine(*record);
    if (count == 0) text += std::wstring(L"\r\n") + kTimelineNoPrograms;
    for (const StartedProgram& program : record->programs) text += L"\r\n" + ProgramLine(program);
    return text;
}

std::wstring TimelineLegend(bool highContrast, bool load) {
    std::wstring legend =
        highContrast ? L"Each bar is a program's first minute from its start mark, one part a "
                       L"second: the higher it is filled, the more processor time it took (full: "
                       L"one whole processor busy)."
                     : L"Each bar is a program's first minute from its start mark, one shade a "
                       L"second: the darker, the more processor time it took (darkest: one whole "
                       L"processor busy).";
    if (load) legend += L" Above the rows, the computer's own load while the starts waited for it.";
    return legend;
}

}  // namespace tarnwick::settings
