#include "testbed/tunnel/TunnelConfig.h"

#include "service/SocksPortSetting.h"

#include <fstream>
#include <sstream>

namespace testbed {

TunnelConfig TunnelConfig::parse(const std::string& text) {
    TunnelConfig config;
    // The port is read as the service reads it, so that both agree; with
    // none the proxy could use, the stand-in keeps its default.
    config.socksPort = service::socksPortSetting(text).value_or(config.socksPort);
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string name;
        unsigned long value = 0;
        if (!(words >> name >> value))
            continue;
        if (name == "StandInCircuitDelay")
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
