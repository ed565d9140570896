#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

namespace framework {

// What a message handler answers: a result, or nothing when the message
// should get the window's default processing.
using MessageResult = std::optional<LRESULT>;

// Reflected messages: a parent hands WM_COMMAND notifications, WM_DRAWITEM
// and WM_CTLCOLOR* back to the control that sent them under this number,
// so the control object handles them in its own table.
constexpr UINT reflected(UINT message) {
    return 0xBC00 + message;
}

// The table that maps a window's messages to its handlers. The entry added
// last that matches handles the message: a derived window's constructor runs
// after its base's, so an entry it adds for a message overrides the base's
// (and may call the base's handler for what it does not handle itself).
class MessageMap {
public:
    using Handler = std::function<MessageResult(WPARAM, LPARAM)>;
    using CommandHandler = std::function<void()>;

    // Any message with this number.
    void add(UINT message, Handler handler);
    // WM_COMMAND (or its reflected form) from control `id` with notification
    // `code`; `anyId` matches every sender, as a reflected command needs.
    void addCommand(UINT message, int id, UINT code, CommandHandler handler);

    MessageResult dispatch(UINT message, WPARAM wParam, LPARAM lParam) const;

    static constexpr int anyId = -1;

private:
    struct Entry {
        UINT message;
        bool isCommand;
        int id;
        UINT code;
        Handler handler;
    };
    std::vector<Entry> entries_;
};

} // namespace framework
