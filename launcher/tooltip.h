// The text of a picture, shown beside it while the pointer rests on it: a small top-most box in
// the system's tooltip colours. The launcher's own, rather than the common controls' tooltip,
// which would bring that library (about 3 MB of working set) into a program that runs at every
// log-on; its window is made the first time it is shown, so a log-on that never hovers a button
// pays nothing for it.
#pragma once

#include "gdi.h"
#include "window.h"

#include <string>

namespace tarnwick {

inline constexpr wchar_t kTooltipClass[] = L"TarnwickTip";

class Tooltip final : public ui::Window {
  public:
    Tooltip() = default;

    // Shows `text` just below `anchor` (screen coordinates), kept on the anchor's monitor, in the
    // system's tooltip font at `dpi`.
    void Show(HWND owner, const std::wstring& text, const RECT& anchor, UINT dpi);
    void Hide();

  private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool Make(HWND owner);

    UniqueFont font_;
    UINT fontDpi_ = 0;
};

}  // namespace tarnwick
