// Velquin-Server2.exe, the stand-in tunnel client: started like the real
// client ("Velquin-Server2.exe" -f "<torrc>"), it prints a bootstrap log to
// its standard output and error with CR LF line ends, reports an open
// circuit once its configured delay has passed, and then runs until it is
// terminated. It serves SOCKS5 on the configured port, from the moment it
// says so in its log, with a new loopback exit address at every start.
#include "testbed/tunnel/ExitAddress.h"
#include "testbed/tunnel/SocksServer.h"
#include "testbed/tunnel/TunnelConfig.h"

#include <cstdio>
#include <string>

namespace {

// One log line with a time stamp and a level word, written straight to the
// handle so that nothing waits in a buffer.
void logLine(HANDLE stream, const char* level, const std::string& message) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%s %02u %02u:%02u:%02u.%03u", months[now.wMonth - 1],
                  now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    std::string line = std::string(stamp) + " [" + level + "] " + message + "\r\n";
    DWORD written = 0;
    WriteFile(stream, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::string configPath(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "-f")
            return argv[i + 1];
    return "torrc";
}

} // namespace

int main(int argc, char** argv) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    std::string path = configPath(argc, argv);
    testbed::TunnelConfig config = testbed::TunnelConfig::load(path);
    framework::WinsockSession winsock;

    logLine(out, "notice", "Velquin-Server2 stand-in tunnel client starting.");
    logLine(out, "notice", "Read configuration file \"" + path + "\".");
    logLine(out, "notice",
            "Opening Socks listener on 127.0.0.1:" + std::to_string(config.socksPort));
    unsigned exitHost = testbed::ExitAddress::next(testbed::ExitAddress::counterPathFor(path));
    testbed::SocksServer socks(htonl(0x7f000000u | exitHost));
    std::string error;
    if (!socks.listen(config.socksPort, error)) {
        logLine(err, "err", error);
        return 1;
    }
    socks.serveInBackground();
    logLine(out, "notice",
            "Outgoing connections leave from " + testbed::ExitAddress::text(exitHost) + ".");
    logLine(err, "warn",
            "This is a stand-in client for tests: it does not route through any relay.");
    // Start-up steps with their percentages, spread evenly over the delay;
    // "Bootstrapped 100%" follows the chatter, right before the circuit line.
    struct Step {
        unsigned percent;
        const char* what;
    };
    const Step steps[] = {{0, "Starting"},
                          {5, "Connecting to a directory server"},
                          {10, "Finishing handshake with a directory server"},
                          {20, "Asking for the network's status"},
                          {40, "Loading authority key certificates"},
                          {50, "Loading relay descriptors"},
                          {75, "Connecting to the first relay"},
                          {90, "Finishing handshake with the first relay"},
                          {95, "Establishing a circuit"}};
    const unsigned stepCount = sizeof steps / sizeof steps[0];
    for (const Step& step : steps) {
        if (step.percent > 0)
            Sleep(config.circuitDelayMs / stepCount);
        logLine(out, "notice", "Bootstrapped " + std::to_string(step.percent) + "%: " + step.what);
    }
    Sleep(config.circuitDelayMs / stepCount);
    for (unsigned i = 1; i <= config.chatterLines; ++i)
        logLine(out, "info", "Relay descriptor " + std::to_string(i) + " checked.");
    logLine(out, "notice", "Bootstrapped 100%: Done");
    logLine(out, "notice", "Tunnel has successfully opened a circuit. Client is working.");
    Sleep(INFINITE);
    return 0;
}
