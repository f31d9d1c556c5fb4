// List4, List6 and List5, the names, the start-up impacts and the commands of the launch list side
// by side: a row of the one is the same row of the others. Whatever moves one list's selection or
// top row (a click, a drag, the wheel, the keyboard, its scroll bar, a message from outside) is
// copied to the other lists once it is done. Alt+Up and Alt+Down in any of them ask for the
// selected row to move, as the arrow buttons beside them do.
#pragma once

#include "settings_model.h"

#include <windows.h>

#include <array>
#include <functional>
#include <string>

namespace tarnwick::settings {

class ListPair {
  public:
    // The columns from left to right; only the last one, the commands, has scroll bars.
    static constexpr size_t kColumns = 3;
    using Texts = std::array<std::wstring, kColumns>;

    ListPair() = default;
    ~ListPair();
    ListPair(const ListPair&) = delete;
    ListPair& operator=(const ListPair&) = delete;

    // From now on the lists stay in step; `selectionChanged` is told each time the selected row
    // becomes another, whoever moved it, and `moveAsked` (true: up) each time a key asks for a
    // move.
    void Attach(const std::array<HWND, kColumns>& lists, std::function<void()> selectionChanged,
                std::function<void(bool up)> moveAsked);
    // Every list shows its column's rows, from the top, with none selected.
    void Show(const std::array<const ItemList*, kColumns>& columns);
    // The selected row; LB_ERR when none is.
    int Selection() const;
    // Selects a row in every list (LB_ERR: none).
    void Select(int row);
    // Row `from` moves to `to` in every list and is selected there.
    void Move(int from, int to, const Texts& texts);
    // The lists before the commands have no scroll bars: each is made as tall as the commands'
    // rows area, so that all show the same rows, and ends where the next one begins.
    void Fit();

  private:
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR self);
    // Copies the top row and the selection of `from` to the other lists.
    void KeepInStep(HWND from);
    HWND Commands() const { return lists_.back(); }

    std::array<HWND, kColumns> lists_{};
    std::function<void()> selectionChanged_;
    std::function<void(bool up)> moveAsked_;
    int selection_ = LB_ERR;  // the selection last told
    bool busy_ = false;       // true while the lists are being filled or brought in step
};

}  // namespace tarnwick::settings
