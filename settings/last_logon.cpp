#include "last_logon.h"

#include <string>

namespace tarnwick::settings {
namespace {

// Seconds as the window shows them: tenths below ten seconds, where they still matter.
std::wstring SecondsText(uint32_t ms) {
    if (ms >= 9950) return std::to_wstring((ms + 500) / 1000);
    const uint32_t tenths = (ms + 50) / 100;
    std::wstring text = std::to_wstring(tenths / 10);
    if (tenths % 10 != 0) text += L"." + std::to_wstring(tenths % 10);
    return text;
}

// A moment in the user's local time and date format; empty when it is no moment Windows can show.
std::wstring MomentText(uint64_t when, const wchar_t* locale) {
    const std::optional<SYSTEMTIME> local = when == 0 ? std::nullopt : LocalMoment(when);
    if (!local) return {};
    wchar_t date[80]{};
    wchar_t time[80]{};
    if (!::GetDateFormatEx(locale, DATE_SHORTDATE, &*local, nullptr, date, 80, nullptr) ||
        !::GetTimeFormatEx(locale, TIME_NOSECONDS, &*local, nullptr, time, 80)) {
        return {};
    }
    return std::wstring(L"On ") + date + L" at " + time + L".";
}

}  // namespace

std::optional<SYSTEMTIME> LocalMoment(uint64_t fileTimeTicks) {
    const FILETIME utc{static_cast<DWORD>(fileTimeTicks), static_cast<DWORD>(fileTimeTicks >> 32)};
    SYSTEMTIME universal{};
    SYSTEMTIME local{};
    if (!::FileTimeToSystemTime(&utc, &universal) ||
        !::SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) {
        return std::nullopt;
    }
    return local;
}

std::wstring LastLogOnText(const std::optional<LogOnRecord>& record, const wchar_t* locale) {
    if (!record) return L"Last log-on: not measured yet.";
    const size_t count = record->programs.size();
    std::wstring text = L"Last log-on: ";
    if (count == 0) {
        text += L"no program was started.";
    } else {
        text += std::to_wstring(count) + (count == 1 ? L" program in " : L" programs in ") +
                SecondsText(record->spanMs) + L" s.";
    }
    const std::wstring when = MomentText(record->when, locale);
    return when.empty() ? text : text + L" " + when;
}

}  // namespace tarnwick::settings
