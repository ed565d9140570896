#pragma once

#include "cleaner/BrowserJobs.h"
#include "controls/DialogColours.h"
#include "controls/ImageButton.h"
#include "framework/Dialog.h"

#include <array>
#include <functional>
#include <string>

namespace cleaner {

// The privacy cleaner: the user ticks the jobs to run and presses Clean; the
// jobs run one after another on the window's thread, each announced in the
// status line, and the dialog stays open until Done. After the seven jobs on
// the platform's own stores come the three on the other browsers found for
// the user (Edge, Chrome, Firefox); what those could not clean, and which
// running browser they left alone, ends the run in the status line instead
// of the completion text.
class CleanerDialog : public controls::ColouredDialog<framework::Dialog> {
public:
    static constexpr std::size_t jobCount = 7;
    // The jobs in the order they run (which is not the order of the boxes).
    using Jobs = std::array<std::function<void()>, jobCount>;
    // Opens a help page given by its full path and anchor.
    using HelpOpener = std::function<void(const std::string& page)>;

    static constexpr const char* openingText =
        "Please check all cleaning jobs that should be performed and press Clean button";
    static constexpr const char* completionText =
        "Action Completed Successfully. Press Done to return to Velquin";
    // The status line of each job, in the order the jobs run.
    static const std::array<const char*, jobCount> jobTexts;
    // The status lines of the browser jobs: cache, cookies, history.
    static const std::array<const char*, 3> browserJobTexts;

    // `installDir` is the folder that holds "help.html". The jobs, the way
    // help opens and the user's folders where the browsers are looked for
    // are the real ones unless a test supplies its own.
    explicit CleanerDialog(std::string installDir, Jobs jobs = realJobs(),
                           HelpOpener openHelp = openWithShell,
                           UserFolders folders = UserFolders::current());

    const std::string& statusText() const { return statusText_; }
    controls::ImageButton& cleanButton() { return cleanButton_; }
    controls::ImageButton& doneButton() { return doneButton_; }

    static Jobs realJobs();
    static void openWithShell(const std::string& page);

    // How a run ends when the browser jobs left something: which browsers
    // to close, and what could not be deleted. Empty when nothing was left.
    static std::string browserSummary(const BrowserJobReport& report);

protected:
    BOOL onInitDialog() override;
    void doDataExchange(framework::DataExchange& exchange) override;
    void onOK() override;

private:
    framework::MessageResult onHelp(WPARAM wParam, LPARAM lParam);
    void showStatus(const std::string& text);
    // The third group names the browsers found; without any, its boxes are
    // disabled.
    void showBrowsersFound();
    // Runs the ticked browser jobs; what they left.
    BrowserJobReport cleanBrowserStores();

    controls::ImageButton doneButton_;
    controls::ImageButton cleanButton_;
    int cleanCache_ = 0;
    int cleanCookies_ = 0;
    int cleanHistory_ = 0;
    int cleanTypedUrls_ = 0;
    int cleanRecentDocs_ = 0;
    int cleanRecycleBin_ = 0;
    int cleanRunHistory_ = 0;
    int cleanBrowserCache_ = 0;
    int cleanBrowserCookies_ = 0;
    int cleanBrowserHistory_ = 0;
    std::string statusText_;
    std::string installDir_;
    Jobs jobs_;
    HelpOpener openHelp_;
    UserFolders folders_;
    std::vector<Browser> browsers_;
};

} // namespace cleaner
