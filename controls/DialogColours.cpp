#include "controls/DialogColours.h"

namespace controls {

namespace {
framework::MessageResult brushOr(const framework::Brush& brush, framework::MessageResult base) {
    if (brush)
        return reinterpret_cast<LRESULT>(brush.get());
    return base;
}
} // namespace

DialogColours::DialogColours()
    : staticBrush_(CreateSolidBrush(surface)), dialogBrush_(CreateSolidBrush(surface)) {}

framework::MessageResult DialogColours::dialogSurface(HDC dc, framework::MessageResult base) const {
    SetTextColor(dc, RGB(0, 255, 0));
    SetBkColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    return brushOr(dialogBrush_, base);
}

framework::MessageResult DialogColours::staticControl(HDC dc, framework::MessageResult base) const {
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    return brushOr(staticBrush_, base);
}

} // namespace controls
