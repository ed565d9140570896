#include "tools/preview/Preview.h"

#include "framework/Application.h"

#include <cstdio>

namespace preview {

namespace {

framework::Dialog* shown = nullptr;
void (*stageShown)(framework::Dialog&) = nullptr;
std::function<bool()> stagedWhen;

void CALLBACK stage(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    SetForegroundWindow(shown->handle());
    stageShown(*shown);
}

void CALLBACK finish(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    shown->endDialog(IDCANCEL);
}

void CALLBACK checkStaged(HWND, UINT, UINT_PTR id, DWORD) {
    if (!stagedWhen())
        return;
    KillTimer(nullptr, id);
    std::puts("staged");
    std::fflush(stdout);
}

class Preview : public framework::Application {
public:
    Preview() : Application("Velquin") {}

protected:
    bool initInstance() override {
        SetTimer(nullptr, 0, 1000, &stage);
        SetTimer(nullptr, 0, 11000, &finish);
        shown->runModal();
        return false;
    }
};

} // namespace

int runPreview(framework::Dialog& dialog, void (*stageDialog)(framework::Dialog&)) {
    shown = &dialog;
    stageShown = stageDialog;
    Preview preview;
    return preview.run();
}

void reportStagedWhen(std::function<bool()> done) {
    stagedWhen = std::move(done);
    SetTimer(nullptr, 0, 50, &checkStaged);
}

} // namespace preview
