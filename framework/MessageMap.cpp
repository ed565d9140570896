#include "framework/MessageMap.h"

namespace framework {

void MessageMap::add(UINT message, Handler handler) {
    entries_.push_back({message, false, 0, 0, std::move(handler)});
}

void MessageMap::addCommand(UINT message, int id, UINT code, CommandHandler handler) {
    entries_.push_back({message, true, id, code, [handler = std::move(handler)](WPARAM, LPARAM) {
                            handler();
                            return MessageResult(0);
                        }});
}

MessageResult MessageMap::dispatch(UINT message, WPARAM wParam, LPARAM lParam) const {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        const Entry& entry = *it;
        if (entry.message != message)
            continue;
        if (entry.isCommand) {
            // Command ids are 16-bit: compare the low word only, so that an
            // id such as 0xFFFF (-1 as a dialog item id) still matches.
            bool idMatches = entry.id == anyId || LOWORD(wParam) == LOWORD(entry.id);
            if (!idMatches || HIWORD(wParam) != entry.code)
                continue;
        }
        return entry.handler(wParam, lParam);
    }
    return std::nullopt;
}

} // namespace framework
