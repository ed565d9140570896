#include "service/SocksPortSetting.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string.h>

namespace service {
namespace {

constexpr unsigned short defaultSocksPort = 9050;

// "9150" or "127.0.0.1:9150" (also "[::1]:9150") to its port; 0 for "0",
// "auto" and anything that is not a port.
unsigned long portOf(const std::string& value) {
    std::string digits = value.substr(value.rfind(':') + 1);
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    unsigned long port = std::stoul(digits);
    return port <= 65535 ? port : 0;
}

} // namespace

std::optional<unsigned short> socksPortSetting(const std::string& torrcText) {
    std::istringstream lines(torrcText);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string name;
        std::string value;
        if (!(words >> name) || _stricmp(name.c_str(), "SocksPort") != 0)
            continue;
        words >> value;
        unsigned long port = portOf(value);
        if (port == 0)
            return std::nullopt;
        return static_cast<unsigned short>(port);
    }
    return defaultSocksPort;
}

std::optional<unsigned short> socksPortSettingOfFile(const std::string& torrcPath) {
    std::ifstream file(torrcPath, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return socksPortSetting(text.str());
}

} // namespace service
