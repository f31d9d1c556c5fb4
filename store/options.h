// The options of section "misc": each option's key, what a missing or unreadable key reads as,
// and its text form, in one table for every program that reads or writes them. A flag is stored
// as "True"/"False" and also read from any number (0 is false); a number is decimal text.
//
// Adding an option is one line here; the programs then read and write it where they need it,
// each in the order it always wrote its options.
#pragma once

#include "os.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnwick {

struct FlagOption {
    std::wstring_view key;
    bool defaultValue;
};

struct NumberOption {
    std::wstring_view key;
    double defaultValue;
};

namespace misc {

// The launcher's window shows only for the number 1.
inline constexpr NumberOption kVisible{L"Visible", 1};
inline constexpr FlagOption kAutoHide{L"AutoHide", false};
// The delays, in tenths of a second: between two programs, and before the first one.
inline constexpr NumberOption kTimeDelay{L"TimeDelay", 3};
inline constexpr NumberOption kInitTimeDelay{L"initTimeDelay", 10};
// The master switch: Tarnwick starts the programs it holds.
inline constexpr FlagOption kEnabled{L"Enabled", true};
// The launcher's "Loading" line.
inline constexpr FlagOption kDetails{L"Details", true};
// The settings window's skins.
inline constexpr FlagOption kBack{L"Back", true};
// Hides the launcher's logo.
inline constexpr FlagOption kHideLogo{L"V", false};
// "Wait until the computer is idle": the starts are paced by the computer's load as well.
inline constexpr FlagOption kWaitIdle{L"WaitIdle", false};
// The chosen skin's index.
inline constexpr NumberOption kSkin{L"skin", 0};
// The launcher window's position in twips; -1 in either: the computed position.
inline constexpr NumberOption kX{L"X", -1};
inline constexpr NumberOption kY{L"Y", -1};

}  // namespace misc

// The default in the option's text form: "True"/"False", or the number ("3", "-1").
std::wstring DefaultText(const FlagOption& option);
std::wstring DefaultText(const NumberOption& option);

// The stored text as it stands, or the default's text when the key is missing or unreadable.
std::wstring ReadOptionText(Os& os, const FlagOption& option);
std::wstring ReadOptionText(Os& os, const NumberOption& option);
// The stored value; text that does not read as one gives the default.
bool ReadOption(Os& os, const FlagOption& option);
double ReadOption(Os& os, const NumberOption& option);

// Writes a flag as "True"/"False", a whole number as its decimal text, or a text as it is.
LSTATUS WriteOption(Os& os, const FlagOption& option, bool value);
LSTATUS WriteOption(Os& os, const NumberOption& option, long long value);
LSTATUS WriteOptionText(Os& os, const FlagOption& option, std::wstring_view text);
LSTATUS WriteOptionText(Os& os, const NumberOption& option, std::wstring_view text);

// Section "misc" read in one enumeration, for a program that reads and writes back many options
// at once. Reads answer as `ReadOption` and `ReadOptionText` do; a write goes to the store only
// where it changes what the store holds. Where the section cannot be read whole, each read and
// write goes to the store on its own.
class MiscSnapshot {
  public:
    explicit MiscSnapshot(Os& os);

    std::wstring Text(const FlagOption& option) const {
        return Text(option.key, DefaultText(option));
    }
    std::wstring Text(const NumberOption& option) const {
        return Text(option.key, DefaultText(option));
    }
    bool Read(const FlagOption& option) const;
    double Read(const NumberOption& option) const;

    void Write(const FlagOption& option, bool value);
    void Write(const NumberOption& option, long long value);
    void WriteText(const NumberOption& option, std::wstring_view text) { Put(option.key, text); }

  private:
    std::wstring Text(std::wstring_view key, std::wstring_view defaultText) const;
    void Put(std::wstring_view key, std::wstring_view text);

    Os& os_;
    bool complete_ = false;
    std::vector<std::pair<std::wstring, std::wstring>> values_;
};

// The machine's master switch: "Enabled" of section "misc" in the machine's store, which only an
// administrator can write. While it reads False, Tarnwick takes nothing for any account; a missing
// value leaves each account's own switch in charge.
bool MachineSwitchedOff(Os& os);
LSTATUS WriteMachineSwitch(Os& os, bool enabled);

}  // namespace tarnwick
