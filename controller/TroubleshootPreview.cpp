// Shows the troubleshooting dialog with the mouse over "Save Settings" (which
// also has the focus), for a screenshot; ends by itself after a few seconds.
// Built with the tests; scripts/shot-troubleshoot runs it.
#include "controller/TroubleshootDialog.h"
#include "framework/Application.h"

namespace {

controller::TroubleshootDialog* shown = nullptr;

void CALLBACK pointAtSave(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    SetForegroundWindow(shown->handle());
    HWND save = shown->item(IDOK);
    RECT r;
    GetClientRect(save, &r);
    POINT middle{r.right / 2, r.bottom / 2};
    POINT screen = middle;
    ClientToScreen(save, &screen);
    SetCursorPos(screen.x, screen.y);
    PostMessageA(save, WM_MOUSEMOVE, 0, MAKELPARAM(middle.x, middle.y));
}

void CALLBACK finish(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    shown->endDialog(IDCANCEL);
}

class Preview : public framework::Application {
public:
    Preview() : Application("Velquin") {}

protected:
    bool initInstance() override {
        controller::TroubleshootDialog dialog;
        shown = &dialog;
        SetTimer(nullptr, 0, 1000, &pointAtSave);
        SetTimer(nullptr, 0, 10000, &finish);
        dialog.doModal();
        return false;
    }
};

} // namespace

int main() {
    Preview preview;
    return preview.run();
}
