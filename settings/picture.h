// Pictures through the platform's own picture loader, which reads bitmaps, JPEG, GIF, icons and
// metafiles alike.
#pragma once

#include "handles.h"

#include <ocidl.h>
#include <olectl.h>

#include <string>

namespace tarnwick::settings {

// The picture in a file; empty when the file is missing or is no picture the loader reads.
ComPtr<IPicture> LoadPicture(const std::wstring& path);

// The picture's own size in pixels at 96 dots per inch; {0, 0} when it cannot tell.
SIZE PictureSize(IPicture& picture);

// Draws the whole picture into `target`, scaled to fit it exactly.
void DrawPicture(IPicture& picture, HDC dc, const RECT& target);

}  // namespace tarnwick::settings
