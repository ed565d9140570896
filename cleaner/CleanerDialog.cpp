#include "cleaner/CleanerDialog.h"

#include "cleaner/CleanerJobs.h"
#include "framework/DataExchange.h"
#include "resources/controller/resource.h"

#include <shellapi.h>

#include <algorithm>

namespace cleaner {

namespace {
// "A", "A and B", "A, B and C".
std::string listed(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}
} // namespace

const std::array<const char*, CleanerDialog::jobCount> CleanerDialog::jobTexts = {
    "Delete Internet Explorer Cache Cleanup - In Progress",
    "Delete Internet Explorer Cookies Cleanup - In Progres",
    "Delete Internet Explorer History Cleanup - In Progres",
    "Delete Internet Explorer Address Bar History Cleanup - In Progres",
    "Delete Windows Desktop's Run History Cleanup - In Progres",
    "Delete Windows Desktop's Recent Documents Cleanup - In Progres",
    "Delete Windows Desktop's Recycle Bin Cleanup - In Progres",
};

const std::array<const char*, 3> CleanerDialog::browserJobTexts = {
    "Delete Browser Cache - In Progress",
    "Delete Browser Cookies - In Progress",
    "Delete Browser History - In Progress",
};

CleanerDialog::CleanerDialog(std::string installDir, Jobs jobs, HelpOpener openHelp,
                             UserFolders folders)
    : ColouredDialog(IDD_PRIVACY), installDir_(std::move(installDir)), jobs_(std::move(jobs)),
      openHelp_(std::move(openHelp)), folders_(std::move(folders)) {
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
    exchange.check(IDC_CLEAN_BROWSER_CACHE, cleanBrowserCache_);
    exchange.check(IDC_CLEAN_BROWSER_COOKIES, cleanBrowserCookies_);
    exchange.check(IDC_CLEAN_BROWSER_HISTORY, cleanBrowserHistory_);
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
    browsers_ = findBrowsers(folders_);
    showBrowsersFound();
    updateData(false);
    return TRUE;
}

void CleanerDialog::showBrowsersFound() {
    std::vector<std::string> found;
    for (const Browser& browser : browsers_)
        found.push_back(browser.name);
    std::string names = listed(found);
    SetDlgItemTextA(handle(), IDC_BROWSERS_GROUP,
                    names.empty() ? "No Edge, Chrome or Firefox Profile Found"
                                  : ("Protect the Privacy of " + names).c_str());
    for (int box : {IDC_CLEAN_BROWSER_CACHE, IDC_CLEAN_BROWSER_COOKIES, IDC_CLEAN_BROWSER_HISTORY})
        EnableWindow(item(box), browsers_.empty() ? FALSE : TRUE);
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
    std::string left = browserSummary(cleanBrowserStores());
    showStatus(left.empty() ? completionText : left);
}

BrowserJobReport CleanerDialog::cleanBrowserStores() {
    const std::array<std::pair<const int*, BrowserStore>, 3> stores = {{
        {&cleanBrowserCache_, BrowserStore::cache},
        {&cleanBrowserCookies_, BrowserStore::cookies},
        {&cleanBrowserHistory_, BrowserStore::history},
    }};
    BrowserJobReport left;
    // Taken once: a browser started during the run is seen at the next.
    std::set<std::string> running;
    bool looked = false;
    for (std::size_t job = 0; job < stores.size(); ++job) {
        if (*stores[job].first != 1 || browsers_.empty())
            continue;
        if (!looked) {
            running = runningPrograms();
            looked = true;
        }
        showStatus(browserJobTexts[job]);
        BrowserJobReport report = cleanBrowsers(stores[job].second, browsers_, running);
        for (std::string& name : report.running) {
            if (std::find(left.running.begin(), left.running.end(), name) == left.running.end())
                left.running.push_back(std::move(name));
        }
        for (std::string& failure : report.failures)
            left.failures.push_back(std::move(failure));
    }
    return left;
}

std::string CleanerDialog::browserSummary(const BrowserJobReport& report) {
    std::string summary;
    if (!report.running.empty()) {
        std::string names = listed(report.running);
        const bool one = report.running.size() == 1;
        summary = names + (one ? " was" : " were") + " running and " + (one ? "was" : "were") +
                  " not cleaned: close " + (one ? "it" : "them") + " and press Clean again.";
    }
    if (!report.failures.empty()) {
        if (!summary.empty())
            summary += " ";
        summary += "Not cleaned: ";
        for (std::size_t i = 0; i < report.failures.size(); ++i)
            summary += (i > 0 ? "; " : "") + report.failures[i];
        summary += ".";
    }
    return summary;
}

void CleanerDialog::showStatus(const std::string& text) {
    statusText_ = text;
    updateData(false);
}

framework::MessageResult CleanerDialog::onHelp(WPARAM, LPARAM) {
    openHelp_(installDir_ + "\\help.html#privacy");
    return TRUE;
}

} // namespace cleaner
