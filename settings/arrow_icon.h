// The pictures of the settings window's move buttons.
#pragma once

#include "gdi.h"

namespace tarnwick::settings {

// An arrow for a move button: a triangle in the button text colour on a transparent square of
// `size` pixels. Drawn here rather than taken from a font, since not every font has the glyph.
UniqueIcon ArrowIcon(int size, bool up);

}  // namespace tarnwick::settings
