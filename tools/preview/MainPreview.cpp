// Shows the controller's window for a screenshot; ends by itself. With no
// argument, while "Hide IP Now" waits for a tunnel that has reported 45% of
// its start-up; with "opened", as it opens (at the scale the session gives
// it); with "contrast", as it opens in a high-contrast theme (the system's
// colours of High Contrast Black). Nothing outside the window is touched:
// the service, the proxy options and the probe are stand-ins.
// scripts/shot runs it.
#include "controller/MainDialog.h"
#include "controls/HighContrast.h"
#include "resources/controller/resource.h"
#include "settings/SharedValues.h"
#include "tools/preview/Preview.h"

#include <commctrl.h>

#include <cstring>
#include <iterator>
#include <string>
#include <utility>

namespace {

class IdleService : public controller::ServiceControl {
public:
    bool Start() override { return true; }
    bool Stop() override { return true; }
};

class StagedEnvironment : public controller::WorkflowEnvironment {
public:
    std::unique_ptr<controller::ServiceControl> newServiceControl() override {
        return std::make_unique<IdleService>();
    }
    std::string currentConnection() override { return ""; }
    bool setConnectionOptions(const std::string&, const std::string&) override { return true; }
    bool disableConnectionProxy(const std::string&) override { return true; }
    std::string visibleIp() override { return "127.0.0.1"; }
    // A long single attempt at 45%; Ready never comes.
    DWORD readDword(const char* path) override {
        if (std::strcmp(path, settings::shared::timeOut) == 0)
            return 14;
        if (std::strcmp(path, settings::shared::progress) == 0)
            return 45;
        return 0;
    }
    void troubleshoot() override {}
};

void pressHide(framework::Dialog& dialog) {
    PostMessageA(dialog.handle(), WM_COMMAND, MAKEWPARAM(IDC_HIDE_IP, BN_CLICKED),
                 reinterpret_cast<LPARAM>(dialog.item(IDC_HIDE_IP)));
    HWND bar = dialog.item(IDC_PROGRESS);
    preview::reportStagedWhen(
        [bar] { return IsWindowVisible(bar) && SendMessageA(bar, PBM_GETPOS, 0, 0) == 45; });
}

void opened(framework::Dialog&) {
    preview::reportStaged();
}

// High Contrast Black: white text on black, yellow links, cyan selection.
void useHighContrastColours() {
    const std::pair<int, COLORREF> scheme[] = {
        {COLOR_WINDOW, RGB(0, 0, 0)},
        {COLOR_WINDOWTEXT, RGB(255, 255, 255)},
        {COLOR_BTNFACE, RGB(0, 0, 0)},
        {COLOR_BTNTEXT, RGB(255, 255, 255)},
        {COLOR_HOTLIGHT, RGB(255, 255, 0)},
        {COLOR_HIGHLIGHT, RGB(26, 235, 255)},
        {COLOR_HIGHLIGHTTEXT, RGB(0, 0, 0)},
        {COLOR_GRAYTEXT, RGB(63, 242, 63)},
        {COLOR_BTNSHADOW, RGB(255, 255, 255)},
        {COLOR_BTNHIGHLIGHT, RGB(255, 255, 255)},
        {COLOR_ACTIVECAPTION, RGB(26, 235, 255)},
        {COLOR_CAPTIONTEXT, RGB(0, 0, 0)},
        {COLOR_3DDKSHADOW, RGB(255, 255, 255)},
        {COLOR_3DLIGHT, RGB(255, 255, 255)},
        {COLOR_WINDOWFRAME, RGB(255, 255, 255)},
        {COLOR_GRADIENTACTIVECAPTION, RGB(26, 235, 255)},
    };
    int elements[std::size(scheme)];
    COLORREF colours[std::size(scheme)];
    for (std::size_t i = 0; i < std::size(scheme); ++i) {
        elements[i] = scheme[i].first;
        colours[i] = scheme[i].second;
    }
    SetSysColors(static_cast<int>(std::size(scheme)), elements, colours);
    controls::setHighContrastQuery([] { return true; });
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "contrast")
        useHighContrastColours();
    StagedEnvironment environment;
    controller::MainDialog dialog(environment);
    return preview::runPreview(dialog, mode.empty() ? &pressHide : &opened);
}
