// The ordered launch list: the order in which the captured programs start. `listt` builds it from
// the launch order ("priority"), the captured Run values and the account's held shortcuts.
#pragma once

#include "context.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnwick {

// One column of the list, with the semantics of a list control's items: an insert at an index
// shifts later items down, a removal shifts them up, and an impossible insert or removal does
// nothing (and says so).
class ItemList {
  public:
    size_t Count() const { return items_.size(); }
    const std::wstring& Item(size_t index) const { return items_[index]; }
    const std::vector<std::wstring>& Items() const { return items_; }

    bool Insert(long long index, std::wstring text);
    bool Remove(long long index);
    void Append(std::wstring text) { items_.push_back(std::move(text)); }
    void Clear() { items_.clear(); }
    // The first of rows [0, end) whose text equals `text` exactly (letter case counts).
    std::optional<size_t> Find(std::wstring_view text, size_t end) const;

  private:
    std::vector<std::wstring> items_;
};

// `List4` (names) and `List5` (commands): rows in step, row 0 starts first.
struct LaunchList {
    ItemList names;
    ItemList commands;

    size_t Count() const { return names.Count(); }
    // Appends `count` rows of one space each: the placeholders that positions are placed on.
    void AppendBlankRows(size_t count);
};

// Text made only of spaces, or empty.
bool IsBlankItem(std::wstring_view text);

// What Tarnwick holds for the running account, read once: the captured section of each Run origin
// (in `kRunOrigins`' order, each in the store's own order; the machine's from the machine's store,
// followed by what an earlier version kept of the machine's in the account's own store under a
// name the machine's store does not hold) and the shortcut files of the account's folder of held
// shortcuts.
struct HeldEntries {
    std::vector<std::vector<std::pair<std::wstring, std::wstring>>> sections;
    std::wstring folder;  // the account's folder of held shortcuts; empty: not resolved
    std::vector<std::wstring> shortcuts;
};
HeldEntries ReadHeldEntries(const StoreContext& ctx);

// Builds the launch list on top of whatever rows `list` already holds, from what the stores and the
// account's folder of held shortcuts hold: it reads and never takes anything. Rows of the machine's
// 32-bit view carry their origin's suffix (" (32-bit)") in their name.
void listt(const StoreContext& ctx, LaunchList& list);
// The same over entries read before, so that a caller that needs them again reads them once.
void listt(const StoreContext& ctx, const HeldEntries& held, LaunchList& list);

// At a log-on: removes every row whose held entry stands again where Windows starts it (its Run
// key or view, or the StartUp folder): Windows has just started that program, and the launcher
// must not start it a second time.
void LeaveOutStartedByWindows(const StoreContext& ctx, const HeldEntries& held, LaunchList& list);

}  // namespace tarnwick
