#include "testbed/tunnel/TunnelConfig.h"

#include <fstream>
#include <sstream>

namespace testbed {

TunnelConfig TunnelConfig::parse(const std::string& text) {
    TunnelConfig config;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string name;
        unsigned long value = 0;
        if (!(words >> name >> value))
            continue;
        if (name == "SocksPort" && value > 0 && value < 65536)
            config.socksPort = static_cast<unsigned>(value);
        else if (name == "StandInCircuitDelay")
            config.circuitDelayMs = static_cast<unsigned>(value);
        else if (name == "StandInChatter")
            config.chatterLines = static_cast<unsigned>(value);
    }
    return config;
}

TunnelConfig TunnelConfig::load(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return parse(text.str());
}

} // namespace testbed
