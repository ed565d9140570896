// Shows the controller's window while "Hide IP Now" waits for a tunnel that
// has reported 45% of its start-up, for a screenshot; ends by itself. Nothing
// outside the window is touched: the service, the proxy options and the
// probe are stand-ins. scripts/shot runs it.
#include "controller/MainDialog.h"
#include "resources/controller/resource.h"
#include "settings/SharedValues.h"
#include "tools/preview/Preview.h"

#include <commctrl.h>

#include <cstring>

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

} // namespace

int main() {
    StagedEnvironment environment;
    controller::MainDialog dialog(environment);
    return preview::runPreview(dialog, &pressHide);
}
