#include "logon_costs.h"

#include "convert.h"
#include "settings_store.h"

#include <algorithm>
#include <array>

namespace tarnwick {
namespace {

constexpr wchar_t kRecordSeparator = L';';
constexpr wchar_t kFieldSeparator = L'|';
constexpr std::wstring_view kNoWindow = L"-";
constexpr std::wstring_view kWhenKey = L"when";
constexpr std::wstring_view kSpanKey = L"span";
constexpr std::wstring_view kIdleKey = L"idle";
constexpr std::wstring_view kLoadKey = L"load";
constexpr std::wstring_view kProgramsKey = L"programs";
// More rows than any launch list holds: a count beyond it is not believed.
constexpr uint64_t kMostPrograms = 10'000;

// Plain decimal digits, nothing else; nothing for an empty text or one beyond `most`.
std::optional<uint64_t> ParseCount(std::wstring_view text, uint64_t most = UINT64_MAX) {
    if (text.empty() || text.size() > 19) return std::nullopt;
    uint64_t value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - L'0');
    }
    if (value > most) return std::nullopt;
    return value;
}

std::vector<std::wstring_view> Split(std::wstring_view text, wchar_t separator) {
    std::vector<std::wstring_view> parts;
    for (size_t from = 0;;) {
        const size_t at = text.find(separator, from);
        parts.push_back(text.substr(from, at == text.npos ? text.npos : at - from));
        if (at == text.npos) return parts;
        from = at + 1;
    }
}

template <typename T>
std::wstring Joined(const std::vector<T>& items, wchar_t separator, auto&& text) {
    std::wstring out;
    for (const T& item : items) {
        if (!out.empty()) out += separator;
        out += text(item);
    }
    return out;
}

// The median of `values` (the mean of the two middle ones for an even count); 0 for none.
uint64_t Median(std::vector<uint64_t> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    if (values.size() % 2 == 1) return values[middle];
    return values[middle - 1] / 2 + values[middle] / 2 +
           (values[middle - 1] % 2 + values[middle] % 2) / 2;
}

std::wstring ProgramText(const StartedProgram& program) {
    std::wstring text = std::to_wstring(program.startMs);
    text += kFieldSeparator;
    text += Joined(program.cpuPerSecond, L',', [](uint32_t ms) { return std::to_wstring(ms); });
    text += kFieldSeparator;
    text += CostText(program.cost);
    text += kFieldSeparator;
    return text + program.name;
}

// "start|cpu,cpu,...|cost|name"; the name comes last, so that it may hold anything.
std::optional<StartedProgram> ParseProgram(std::wstring_view text) {
    std::array<std::wstring_view, 3> fields;
    for (std::wstring_view& field : fields) {
        const size_t at = text.find(kFieldSeparator);
        if (at == text.npos) return std::nullopt;
        field = text.substr(0, at);
        text.remove_prefix(at + 1);
    }
    StartedProgram program;
    program.name = std::wstring(text);
    const auto start = ParseCount(fields[0], UINT32_MAX);
    const auto cost = ParseCost(fields[2]);
    if (!start || !cost || program.name.empty()) return std::nullopt;
    program.startMs = static_cast<uint32_t>(*start);
    program.cost = *cost;
    if (!fields[1].empty()) {
        for (const std::wstring_view second : Split(fields[1], L',')) {
            const auto ms = ParseCount(second, UINT32_MAX);
            if (!ms) return std::nullopt;
            program.cpuPerSecond.push_back(static_cast<uint32_t>(*ms));
        }
    }
    if (program.cpuPerSecond.size() > kMeasuredMs / 1000) return std::nullopt;
    return program;
}

std::optional<std::vector<LoadSample>> ParseLoad(std::wstring_view text) {
    std::vector<LoadSample> load;
    if (text.empty()) return load;
    for (const std::wstring_view sample : Split(text, L',')) {
        const size_t colon = sample.find(L':');
        if (colon == sample.npos) return std::nullopt;
        const auto at = ParseCount(sample.substr(0, colon), UINT32_MAX);
        const auto busy = ParseCount(sample.substr(colon + 1), 100);
        if (!at || !busy) return std::nullopt;
        load.push_back({static_cast<uint32_t>(*at), static_cast<uint32_t>(*busy)});
    }
    return load;
}

}  // namespace

std::wstring CostText(const ProgramCost& cost) {
    std::wstring text = std::to_wstring(cost.cpuMs) + L',' + std::to_wstring(cost.readBytes) +
                        L',' + std::to_wstring(cost.writtenBytes) + L',';
    text += cost.firstWindowMs ? std::to_wstring(*cost.firstWindowMs) : std::wstring(kNoWindow);
    return text + (cost.partial ? L",1" : L",0");
}

std::optional<ProgramCost> ParseCost(std::wstring_view text) {
    const std::wstring trimmed = TrimSpaces(text);
    const std::vector<std::wstring_view> fields = Split(trimmed, L',');
    if (fields.size() != 5) return std::nullopt;
    const auto cpu = ParseCount(fields[0]);
    const auto read = ParseCount(fields[1]);
    const auto written = ParseCount(fields[2]);
    const auto partial = ParseCount(fields[4], 1);
    if (!cpu || !read || !written || !partial) return std::nullopt;
    ProgramCost cost{*cpu, *read, *written, std::nullopt, *partial == 1};
    if (fields[3] != kNoWindow) {
        const auto window = ParseCount(fields[3], UINT32_MAX);
        if (!window) return std::nullopt;
        cost.firstWindowMs = static_cast<uint32_t>(*window);
    }
    return cost;
}

std::vector<ProgramCost> ParseCosts(std::wstring_view text) {
    std::vector<ProgramCost> costs;
    for (const std::wstring_view record : Split(text, kRecordSeparator)) {
        if (costs.size() == kKeptLogOns) break;
        if (const auto cost = ParseCost(record)) costs.push_back(*cost);
    }
    return costs;
}

std::wstring CostsText(const std::vector<ProgramCost>& costs) {
    return Joined(costs, kRecordSeparator, CostText);
}

Impact ImpactOf(uint64_t cpuMs, uint64_t diskBytes) {
    if (cpuMs > kHighCpuMs || diskBytes > kHighDiskBytes) return Impact::High;
    if (cpuMs >= kMediumCpuMs || diskBytes >= kMediumDiskBytes) return Impact::Medium;
    return Impact::Low;
}

Impact MedianImpact(const std::vector<ProgramCost>& costs) {
    if (costs.empty()) return Impact::NotMeasured;
    std::vector<uint64_t> cpu;
    std::vector<uint64_t> disk;
    for (const ProgramCost& cost : costs) {
        cpu.push_back(cost.cpuMs);
        disk.push_back(cost.DiskBytes());
    }
    return ImpactOf(Median(std::move(cpu)), Median(std::move(disk)));
}

KeptCosts ReadCosts(Os& os) {
    KeptCosts kept;
    for (const auto& [name, text] : StoreReadSection(os, kImpactSection)) {
        if (std::vector<ProgramCost> costs = ParseCosts(text); !costs.empty())
            kept[name] = std::move(costs);
    }
    return kept;
}

LSTATUS WriteLogOn(Os& os, const LogOnRecord& record) {
    LSTATUS first = ERROR_SUCCESS;
    const auto note = [&first](LSTATUS status) {
        if (first == ERROR_SUCCESS) first = status;
    };
    KeptCosts kept = ReadCosts(os);
    for (const StartedProgram& program : record.programs) {
        std::vector<ProgramCost>& costs = kept[program.name];
        costs.insert(costs.begin(), program.cost);
        if (costs.size() > kKeptLogOns) costs.resize(kKeptLogOns);
        note(StoreWrite(os, kImpactSection, program.name, CostsText(costs)));
    }
    note(StoreDelete(os, kLastLogOnSection));
    for (size_t i = 0; i < record.programs.size(); ++i)
        note(
            StoreWrite(os, kLastLogOnSection, std::to_wstring(i), ProgramText(record.programs[i])));
    note(StoreWrite(
        os, kLastLogOnSection, kLoadKey, Joined(record.load, L',', [](const LoadSample& sample) {
            return std::to_wstring(sample.atMs) + L':' + std::to_wstring(sample.busyPercent);
        })));
    note(StoreWrite(os, kLastLogOnSection, kIdleKey, FormatFlag(record.waitedForIdle)));
    note(StoreWrite(os, kLastLogOnSection, kSpanKey, std::to_wstring(record.spanMs)));
    note(StoreWrite(os, kLastLogOnSection, kProgramsKey, std::to_wstring(record.programs.size())));
    // Last: a record whose writing was cut short has no time, and reads as none.
    note(StoreWrite(os, kLastLogOnSection, kWhenKey, std::to_wstring(record.when)));
    return first;
}

std::optional<LogOnRecord> ReadLastLogOn(Os& os) {
    std::map<std::wstring, std::wstring, RegistryNameLess> keys;
    for (auto& [key, text] : StoreReadSection(os, kLastLogOnSection)) keys[key] = std::move(text);
    const auto text = [&keys](std::wstring_view key) {
        const auto found = keys.find(key);
        return found == keys.end() ? std::wstring() : found->second;
    };
    const auto when = ParseCount(text(kWhenKey));
    const auto span = ParseCount(text(kSpanKey), UINT32_MAX);
    const auto count = ParseCount(text(kProgramsKey), kMostPrograms);
    const auto load = ParseLoad(text(kLoadKey));
    if (!when || !span || !count || !load) return std::nullopt;
    LogOnRecord record;
    record.when = *when;
    record.spanMs = static_cast<uint32_t>(*span);
    record.waitedForIdle = ParseFlag(text(kIdleKey)).value_or(false);
    record.load = *load;
    for (uint64_t i = 0; i < *count; ++i) {
        if (auto program = ParseProgram(text(std::to_wstring(i)))) {
            record.programs.push_back(std::move(*program));
        }
    }
    return record;
}

}  // namespace tarnwick
