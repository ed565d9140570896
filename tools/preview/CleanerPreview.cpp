// Shows the privacy cleaner after a run with every box ticked, for a
// screenshot; ends by itself after a few seconds. Built with the tests;
// scripts/shot runs it in a private session, so the jobs clean
// nothing of the user's.
#include "cleaner/CleanerDialog.h"
#include "resources/controller/resource.h"
#include "tools/preview/Preview.h"

namespace {

void tickAllAndClean(framework::Dialog& dialog) {
    for (int box : {IDC_CLEAN_CACHE, IDC_CLEAN_COOKIES, IDC_CLEAN_HISTORY, IDC_CLEAN_TYPED_URLS,
                    IDC_CLEAN_RECENT_DOCS, IDC_CLEAN_RUN_HISTORY, IDC_CLEAN_RECYCLE_BIN})
        CheckDlgButton(dialog.handle(), box, BST_CHECKED);
    PostMessageA(dialog.handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(dialog.item(IDOK)));
    preview::reportStaged();
}

} // namespace

int main() {
    cleaner::CleanerDialog dialog("C:\\Program Files\\Velquin");
    return preview::runPreview(dialog, &tickAllAndClean);
}
