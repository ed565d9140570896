#pragma once

#include <optional>
#include <string>

namespace service {

// The SOCKS port that a tunnel client opens, as its configuration (torrc)
// names it: the first "SocksPort [address:]port [flags...]" line, keyword
// in any case, '#' starting a comment; 9050 when no line names one.
// Nothing when the client opens no port the proxy can know: "SocksPort 0"
// (SOCKS off), "SocksPort auto" (a port the client picks at run time) or a
// value that is no port at all.
std::optional<unsigned short> socksPortSetting(const std::string& torrcText);
// The same for a configuration file; a file that cannot be read leaves
// the client on its default port.
std::optional<unsigned short> socksPortSettingOfFile(const std::string& torrcPath);

} // namespace service
