#include "testsupport/MessageBoxWatcher.h"

#include "framework/Application.h"
#include "testsupport/WindowText.h"

#include <algorithm>

namespace testing_support {

namespace {
// The static control that holds a message box's text.
const int messageTextId = 0xFFFF;

struct Search {
    std::string caption;
    HWND found = nullptr;
};

BOOL CALLBACK findBox(HWND hwnd, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    char className[16] = {};
    GetClassNameA(hwnd, className, sizeof className);
    if (std::string(className) == "#32770" && IsWindowVisible(hwnd) &&
        windowTextNoWait(hwnd) == search->caption) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
} // namespace

MessageBoxWatcher::MessageBoxWatcher(int button)
    : thread_(GetCurrentThreadId()), button_(button), watcher_([this] { watch(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    stop_ = true;
    watcher_.join();
}

std::vector<std::string> MessageBoxWatcher::texts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return texts_;
}

void MessageBoxWatcher::watch() {
    while (!stop_) {
        Search search{framework::Application::name()};
        EnumThreadWindows(thread_, &findBox, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr &&
            std::find(answered_.begin(), answered_.end(), search.found) == answered_.end()) {
            std::string text = windowTextNoWait(GetDlgItem(search.found, messageTextId));
            {
                std::lock_guard<std::mutex> lock(mutex_);
                texts_.push_back(text);
            }
            answered_.push_back(search.found);
            PostMessageA(search.found, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED), 0);
        }
        Sleep(10);
    }
}

} // namespace testing_support
