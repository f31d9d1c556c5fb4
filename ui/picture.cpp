#include "picture.h"

#include "folder_path.h"
#include "gdi.h"

namespace tarnwick {
namespace {

// Pictures measure themselves in hundredths of a millimetre.
constexpr int kHimetricPerInch = 2540;

SIZE HimetricSize(IPicture& picture) {
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    if (FAILED(picture.get_Width(&width)) || FAILED(picture.get_Height(&height))) return {0, 0};
    return {width, height};
}

}  // namespace

ComPtr<IPicture> LoadPicture(const std::wstring& path) {
    ComPtr<IPicture> picture;
    std::wstring file = path;
    if (FAILED(
            ::OleLoadPicturePath(file.data(), nullptr, 0, 0, IID_IPicture, picture.put_void()))) {
        picture.reset();
    }
    return picture;
}

ComPtr<IPicture> LoadLogo(const std::wstring& programFolder) {
    return LoadPicture(JoinPath(programFolder, L"twlogo.jpg"));
}

SIZE PictureSize(IPicture& picture) {
    const SIZE himetric = HimetricSize(picture);
    SHORT type = PICTYPE_UNINITIALIZED;
    picture.get_Type(&type);
    SIZE perInch{USER_DEFAULT_SCREEN_DPI, USER_DEFAULT_SCREEN_DPI};
    if (type == PICTYPE_BITMAP || type == PICTYPE_ICON) {
        // The loader measured the pixels at the screen's DPI, which gives them back.
        const WindowDc screen(nullptr);
        perInch = {::GetDeviceCaps(screen.get(), LOGPIXELSX),
                   ::GetDeviceCaps(screen.get(), LOGPIXELSY)};
    }
    return {::MulDiv(himetric.cx, perInch.cx, kHimetricPerInch),
            ::MulDiv(himetric.cy, perInch.cy, kHimetricPerInch)};
}

void DrawPicture(IPicture& picture, HDC dc, const RECT& target) {
    const SIZE himetric = HimetricSize(picture);
    // The source rectangle runs bottom-up: its origin is the picture's lower left corner.
    picture.Render(dc, target.left, target.top, target.right - target.left,
                   target.bottom - target.top, 0, himetric.cy, himetric.cx, -himetric.cy, nullptr);
}

}  // namespace tarnwick
