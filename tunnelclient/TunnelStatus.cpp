#include "tunnelclient/TunnelStatus.h"

#include "settings/RegDwordValue.h"
#include "settings/SharedValues.h"

namespace tunnelclient {

namespace {
// The client reports its first circuit with the first phrase only at its
// info log level; at its default notice level the line that says it is
// ready is the end of its start-up, the second.
const char* const readyPhrases[] = {"successfully opened a circuit", "Bootstrapped 100%"};
const std::string bootstrapPhrase = "Bootstrapped ";

bool reportsReady(const std::string& line) {
    // A line that begins with a phrase is not the client's report of it.
    for (const char* phrase : readyPhrases) {
        size_t at = line.find(phrase);
        if (at != std::string::npos && at > 0)
            return true;
    }
    return false;
}
} // namespace

void TunnelStatus::onClientLine(const std::string& line) {
    if (std::optional<DWORD> percent = bootstrapPercent(line))
        settings::RegDwordValue(settings::shared::progress).set(*percent);
    if (reportsReady(line))
        settings::RegDwordValue(settings::shared::ready).set(1);
}

void TunnelStatus::clear() {
    settings::RegDwordValue(settings::shared::ready).set(0);
    settings::RegDwordValue(settings::shared::progress).set(0);
}

std::optional<DWORD> TunnelStatus::bootstrapPercent(const std::string& line) {
    size_t at = line.find(bootstrapPhrase);
    if (at == std::string::npos)
        return std::nullopt;
    at += bootstrapPhrase.size();
    // At most three digits: a longer number is no percentage, and must not
    // overflow on its way to being rejected.
    DWORD percent = 0;
    size_t digits = 0;
    for (; digits < 4 && at + digits < line.size(); ++digits) {
        char c = line[at + digits];
        if (c < '0' || c > '9')
            break;
        percent = percent * 10 + static_cast<DWORD>(c - '0');
    }
    bool terminated = at + digits < line.size() && line[at + digits] == '%';
    if (digits == 0 || digits > 3 || !terminated || percent > 100)
        return std::nullopt;
    return percent;
}

} // namespace tunnelclient
