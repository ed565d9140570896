#include "keeper/LineCutter.h"

#include <cstring>

namespace keeper {

void LineCutter::feed(const char* chunk, size_t size, const LineSink& sink) {
    size = strnlen(chunk, size);
    size_t scan = 0;
    while (scan < size) {
        const void* found = std::memchr(chunk + scan, '\n', size - scan);
        if (found == nullptr)
            break;
        size_t lineFeed = static_cast<const char*>(found) - chunk;
        size_t end = lineFeed;
        if (end > scan && chunk[end - 1] == '\r')
            --end;
        else if (end == scan && !pending_.empty() && pending_.back() == '\r')
            pending_.pop_back();
        pending_.append(chunk + scan, end - scan);
        sink(std::move(pending_));
        pending_.clear();
        scan = lineFeed + 1;
    }
    pending_.append(chunk + scan, size - scan);
}

std::string LineCutter::takePending() {
    std::string rest = std::move(pending_);
    pending_.clear();
    return rest;
}

} // namespace keeper
