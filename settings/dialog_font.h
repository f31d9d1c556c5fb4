// Fonts made after a dialog's own, so that they follow its face and its DPI.
#pragma once

#include "gdi.h"

#include <windows.h>

namespace tarnwick::settings {

LOGFONTW DialogFont(HWND dialog);

// A font like the dialog's, `scale` times its height.
UniqueFont ScaledFont(HWND dialog, double scale, LONG weight);

// A font like the dialog's at `points` points for the dialog's DPI.
UniqueFont PointFont(HWND dialog, int points);

}  // namespace tarnwick::settings
