// A program's own wait before its start, chosen in the settings window and followed by the
// launcher. Kept per account in section "wait" of the account's own store, one key per entry
// under the name its row has (as "priority" knows it), so that a machine-wide program gets each
// account's own choice. A missing key, or a text that does not read as a wait, is "the same as
// the others": the loading delay, and the idle rule when that option is on.
#pragma once

#include "registry.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

inline constexpr std::wstring_view kWaitSection = L"wait";
// The longest wait of a program's own, in seconds.
inline constexpr int kMostOwnWaitSeconds = 3600;
// "When the one before has ended" waits at most this long, then the program starts anyway: a
// program that never ends (a tray program) must not hold back every one after it.
inline constexpr unsigned kMostWaitForEndMs = 600'000;
// The stored text of "When the one before has ended".
inline constexpr std::wstring_view kUntilEndedText = L"ended";

struct OwnWait {
    enum class Kind {
        SameAsOthers,  // the loading delay, and the idle rule when that option is on
        Seconds,       // `seconds` after the previous program's start (or the initial delay's end)
        UntilEnded,    // once everything the previous program started has ended
    };
    Kind kind = Kind::SameAsOthers;
    int seconds = 0;

    bool operator==(const OwnWait&) const = default;
};

// The wait a stored text stands for: whole seconds from 0 to kMostOwnWaitSeconds as plain decimal
// digits (spaces around them allowed), or kUntilEndedText in any letter case. Nothing for any other
// text (negative, too large, a fraction, words): such a value reads as the same as the others.
std::optional<OwnWait> ParseOwnWait(std::wstring_view text);
// The stored text of a wait; empty for the same as the others, which is stored as no key.
std::wstring OwnWaitText(const OwnWait& wait);

// Waits by entry name; names compare as registry names do, without regard to letter case.
using OwnWaits = std::map<std::wstring, OwnWait, RegistryNameLess>;

// Every readable wait of the running account's section, by entry name. Keys whose text does not
// read as a wait are left out (the same as the others), and left as they are in the store.
OwnWaits ReadOwnWaits(Os& os);
// The wait of one entry in what `ReadOwnWaits` gave: the same as the others when it has none.
OwnWait WaitOf(const OwnWaits& waits, std::wstring_view name);
// Stores one entry's wait: the same as the others removes its key.
LSTATUS WriteOwnWait(Os& os, std::wstring_view name, const OwnWait& wait);

}  // namespace tarnwick
