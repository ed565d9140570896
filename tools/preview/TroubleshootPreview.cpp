// Shows the troubleshooting dialog with the mouse over "Save Settings" (which
// also has the focus), for a screenshot; ends by itself after a few seconds.
// Built with the tests; scripts/shot runs it.
#include "controller/TroubleshootDialog.h"
#include "tools/preview/Preview.h"

namespace {

void pointAtSave(framework::Dialog& dialog) {
    HWND save = dialog.item(IDOK);
    RECT r;
    GetClientRect(save, &r);
    POINT middle{r.right / 2, r.bottom / 2};
    POINT screen = middle;
    ClientToScreen(save, &screen);
    SetCursorPos(screen.x, screen.y);
    PostMessageA(save, WM_MOUSEMOVE, 0, MAKELPARAM(middle.x, middle.y));
    preview::reportStaged();
}

} // namespace

int main() {
    controller::TroubleshootDialog dialog;
    return preview::runPreview(dialog, &pointAtSave);
}
