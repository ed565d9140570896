#include "cleaner/CleanerDialog.h"

#include "cleaner/CleanerJobs.h"
#include "framework/DataExchange.h"
#include "resources/controller/resource.h"

#include <shellapi.h>

namespace cleaner {

const std::array<const char*, CleanerDialog::jobCount> CleanerDialog::jobTexts = {
    "Delete Internet Explorer Cache Cleanup - In Progress",
    "Delete Internet Explorer Cookies Cleanup - In Progres",
    "Delete Internet Explorer History Cleanup - In Progres",
    "Delete Internet Explorer Address Bar History Cleanup - In Progres",
    "Delete Windows Desktop's Run History Cleanup - In Progres",
    "Delete Windows Desktop's Recent Documents Cleanup - In Progres",
    "Delete Windows Desktop's Recycle Bin Cleanup - In Progres",
};

CleanerDialog::CleanerDialog(std::string installDir, Jobs jobs, HelpOpener openHelp)
    : ColouredDialog(IDD_PRIVACY), installDir_(std::move(installDir)), jobs_(std::move(jobs)),
      openHelp_(std::move(openHelp)) {
    onMessage(WM_HELP, &CleanerDialog::onHelp);
}

CleanerDialog::Jobs CleanerDialog::realJobs() {
    return {[] { DeleteCache(); },     [] { DeleteCookies(); },    [] { DeleteHistory(); },
            [] { DeleteTypedUrls(); }, [] { DeleteRunHistory(); }, [] { ClearRecentDocuments(); },
            [] { EmptyRecycleBin(); }};
}

void CleanerDialog::openWithShell(const std::string& page) {
    ShellExecuteA(nullptr, "open", page.c_str(), "", "", SW_SHOWNORMAL);
}

void CleanerDialog::doDataExchange(framework::DataExchange& exchange) {
    exchange.control(IDCANCEL, doneButton_);
    exchange.control(IDOK, cleanButton_);
    exchange.check(IDC_CLEAN_CACHE, cleanCache_);
    exchange.check(IDC_CLEAN_COOKIES, cleanCookies_);
    exchange.check(IDC_CLEAN_HISTORY, cleanHistory_);
    exchange.check(IDC_CLEAN_TYPED_URLS, cleanTypedUrls_);
    exchange.check(IDC_CLEAN_RECENT_DOCS, cleanRecentDocs_);
    exchange.check(IDC_CLEAN_RECYCLE_BIN, cleanRecycleBin_);
    exchange.check(IDC_CLEAN_RUN_HISTORY, cleanRunHistory_);
    exchange.text(IDC_CLEAN_STATUS, statusText_);
}

BOOL CleanerDialog::onInitDialog() {
    Dialog::onInitDialog();
    statusText_ = openingText;
    cleanButton_.AssignIcon(IDI_GO);
    cleanButton_.ShowFocusRect(true, true);
    cleanButton_.SetHint("Start Cleaning Jobs ", true);
    cleanButton_.UseParentBackground(false);
    doneButton_.AssignIcon(IDI_RESTORE);
    doneButton_.ShowFocusRect(true, true);
    doneButton_.SetHint("Return to Velquin ", true);
    doneButton_.UseParentBackground(false);
    updateData(false);
    return TRUE;
}

void CleanerDialog::onOK() {
    updateData(true);
    const std::array<const int*, jobCount> flags = {
        &cleanCache_,      &cleanCookies_,    &cleanHistory_,   &cleanTypedUrls_,
        &cleanRunHistory_, &cleanRecentDocs_, &cleanRecycleBin_};
    // A job's failure is silent and never stops the jobs after it.
    for (std::size_t job = 0; job < jobCount; ++job) {
        if (*flags[job] != 1)
            continue;
        showStatus(jobTexts[job]);
        jobs_[job]();
    }
    showStatus(completionText);
}

void CleanerDialog::showStatus(const char* text) {
    statusText_ = text;
    updateData(false);
}

framework::MessageResult CleanerDialog::onHelp(WPARAM, LPARAM) {
    openHelp_(installDir_ + "\\help.html#privacy");
    return TRUE;
}

} // namespace cleaner
