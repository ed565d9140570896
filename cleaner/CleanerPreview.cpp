// Shows the privacy cleaner after a run with every box ticked, for a
// screenshot; ends by itself after a few seconds. Built with the tests;
// scripts/shot-cleaner runs it in a private session, so the jobs clean
// nothing of the user's.
#include "cleaner/CleanerDialog.h"
#include "framework/Application.h"
#include "resources/controller/resource.h"

namespace {

cleaner::CleanerDialog* shown = nullptr;

void CALLBACK tickAllAndClean(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    SetForegroundWindow(shown->handle());
    for (int box : {IDC_CLEAN_CACHE, IDC_CLEAN_COOKIES, IDC_CLEAN_HISTORY, IDC_CLEAN_TYPED_URLS,
                    IDC_CLEAN_RECENT_DOCS, IDC_CLEAN_RUN_HISTORY, IDC_CLEAN_RECYCLE_BIN})
        CheckDlgButton(shown->handle(), box, BST_CHECKED);
    HWND clean = shown->item(IDOK);
    PostMessageA(shown->handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(clean));
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
        cleaner::CleanerDialog dialog("C:\\Program Files\\Velquin");
        shown = &dialog;
        SetTimer(nullptr, 0, 1000, &tickAllAndClean);
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
