#include "testbed/tunnel/ExitAddress.h"

#include <fstream>

namespace testbed {

unsigned ExitAddress::next(const std::string& path) {
    unsigned last = 1;
    std::ifstream(path) >> last;
    unsigned host = last >= 2 && last < 254 ? last + 1 : 2;
    std::ofstream(path, std::ios::trunc) << host;
    return host;
}

std::string ExitAddress::counterPathFor(const std::string& torrcPath) {
    std::string::size_type slash = torrcPath.find_last_of("\\/");
    std::string folder = slash == std::string::npos ? "" : torrcPath.substr(0, slash + 1);
    return folder + "exit-counter";
}

} // namespace testbed
