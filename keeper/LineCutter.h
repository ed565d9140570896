#pragma once

#include <functional>
#include <string>

namespace keeper {

// Cuts a stream of output chunks into lines. A line ends at LF; one CR right
// before the LF is dropped, also when the CR came at the end of the previous
// chunk. A NUL ends the usable text of its chunk. Lines have no length limit.
class LineCutter {
public:
    using LineSink = std::function<void(std::string&& line)>;

    // Hands every line that the chunk completes to `sink`, in order.
    void feed(const char* chunk, size_t size, const LineSink& sink);
    // The unterminated rest, which the cutter then forgets.
    std::string takePending();

private:
    std::string pending_;
};

} // namespace keeper
