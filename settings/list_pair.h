// List4 and List5, the names and the commands of the launch list side by side: a row of the one
// is the same row of the other. Whatever moves one list's selection or top row (a click, a drag,
// the wheel, the keyboard, its scroll bar, a message from outside) is copied to the other list
// once it is done.
#pragma once

#include "settings_model.h"

#include <windows.h>

#include <string>

namespace tarnwick::settings {

class ListPair {
  public:
    ListPair() = default;
    ~ListPair();
    ListPair(const ListPair&) = delete;
    ListPair& operator=(const ListPair&) = delete;

    // From now on the two lists stay in step.
    void Attach(HWND names, HWND commands);
    // Both lists show these rows, from the top.
    void Show(const ItemList& names, const ItemList& commands);
    // The selected row; LB_ERR when none is.
    int Selection() const;
    // Row `from` moves to `to` in both lists and is selected there.
    void Move(int from, int to, const std::wstring& name, const std::wstring& command);
    // List4 has no scroll bars: it is made as tall as List5's rows area, so that both show the
    // same rows, and it ends where List5 begins.
    void Fit();

  private:
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR self);
    // Copies the top row and the selection of `from` to the other list.
    void KeepInStep(HWND from);

    HWND names_ = nullptr;
    HWND commands_ = nullptr;
    bool busy_ = false;  // true while the lists are being filled or brought in step
};

}  // namespace tarnwick::settings
