// Pictures through the platform's own picture loader, which reads bitmaps, JPEG, GIF, icons and
// metafiles alike.
#pragma once

#include "handles.h"

#include <ocidl.h>
#include <olectl.h>

#include <string>

namespace tarnwick {

// The picture in a file; empty when the file is missing or is no picture the loader reads.
ComPtr<IPicture> LoadPicture(const std::wstring& path);

// The product's logo, twlogo.jpg in the program folder; empty when it is not there.
ComPtr<IPicture> LoadLogo(const std::wstring& programFolder);

// The picture's own size in the pixels of a window at 96 DPI: a bitmap's or an icon's pixels one
// for one, a metafile's own measure. A window of another DPI scales it as it scales its controls.
// {0, 0} when the picture cannot tell.
SIZE PictureSize(IPicture& picture);

// Draws the whole picture into `target`, scaled to fit it exactly.
void DrawPicture(IPicture& picture, HDC dc, const RECT& target);

}  // namespace tarnwick
