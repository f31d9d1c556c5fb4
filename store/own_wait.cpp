#include "own_wait.h"

#include "convert.h"
#include "settings_store.h"

namespace tarnwick {

std::optional<OwnWait> ParseOwnWait(std::wstring_view stored) {
    const std::wstring text = TrimSpaces(stored);
    if (EqualsIgnoringCase(text, kUntilEndedText)) return OwnWait{OwnWait::Kind::UntilEnded, 0};
    // Digits only: no sign, no fraction, no exponent. At most four of them, so that no text can
    // overflow on its way to the limit.
    if (text.empty() || text.size() > 4) return std::nullopt;
    int seconds = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        seconds = seconds * 10 + (c - L'0');
    }
    if (seconds > kMostOwnWaitSeconds) return std::nullopt;
    return OwnWait{OwnWait::Kind::Seconds, seconds};
}

std::wstring OwnWaitText(const OwnWait& wait) {
    switch (wait.kind) {
        case OwnWait::Kind::Seconds:
            return std::to_wstring(wait.seconds);
        case OwnWait::Kind::UntilEnded:
            return std::wstring(kUntilEndedText);
        case OwnWait::Kind::SameAsOthers:
            break;
    }
    return {};
}

OwnWaits ReadOwnWaits(Os& os) {
    OwnWaits waits;
    for (const auto& [name, text] : StoreReadSection(os, kWaitSection)) {
        if (const std::optional<OwnWait> wait = ParseOwnWait(text); wait) waits[name] = *wait;
    }
    return waits;
}

OwnWait WaitOf(const OwnWaits& waits, std::wstring_view name) {
    const auto found = waits.find(name);
    return found == waits.end() ? OwnWait{} : found->second;
}

LSTATUS WriteOwnWait(Os& os, std::wstring_view name, const OwnWait& wait) {
    if (wait.kind == OwnWait::Kind::SameAsOthers) return StoreDelete(os, kWaitSection, name);
    return StoreWrite(os, kWaitSection, name, OwnWaitText(wait));
}

}  // namespace tarnwick
