#include "arrow_icon.h"

#include <tuple>

namespace tarnwick::settings {

UniqueIcon ArrowIcon(int size, bool up) {
    const int width = size * 9 / 10;
    const int height = size / 2;
    const int top = (size - height) / 2;
    const int tip = up ? top : top + height;
    const int base = up ? top + height : top;
    const POINT triangle[] = {
        {(size - width) / 2, base}, {(size + width) / 2, base}, {size / 2, tip}};

    const WindowDc screen(nullptr);
    const UniqueBitmap colour(::CreateCompatibleBitmap(screen.get(), size, size));
    const UniqueBitmap mask(::CreateBitmap(size, size, 1, 1, nullptr));
    {
        const MemoryDc dc(screen.get());
        const Selected bitmap(dc.get(), mask.get());
        const Selected brush(dc.get(), ::GetStockObject(DC_BRUSH));
        const Selected pen(dc.get(), ::GetStockObject(DC_PEN));
        // The mask is white where the button shows through, black under the triangle; the colour
        // bitmap is black around the triangle, so that it leaves the button as it is there.
        for (const auto& [target, fill, ink] :
             {std::tuple{mask.get(), RGB(255, 255, 255), RGB(0, 0, 0)},
              std::tuple{colour.get(), RGB(0, 0, 0), ::GetSysColor(COLOR_BTNTEXT)}}) {
            ::SelectObject(dc.get(), target);
            ::SetDCBrushColor(dc.get(), fill);
            ::SetDCPenColor(dc.get(), fill);
            ::Rectangle(dc.get(), 0, 0, size, size);
            ::SetDCBrushColor(dc.get(), ink);
            ::SetDCPenColor(dc.get(), ink);
            ::Polygon(dc.get(), triangle, 3);
        }
    }
    ICONINFO info{TRUE, 0, 0, mask.get(), colour.get()};
    return UniqueIcon(::CreateIconIndirect(&info));
}

}  // namespace tarnwick::settings
