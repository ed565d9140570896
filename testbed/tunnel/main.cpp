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
    // Start-up steps as the real client reports them, spread evenly over
    // the delay. As with the real client, the circuit line (its info level)
    // comes right before "Bootstrapped 100% (done): Done", which ends the
    // chatter.
    struct Step {
        unsigned percent;
        const char* tag;
        const char* what;
    };
    const Step steps[] = {{0, "starting", "Starting"},
                          {5, "conn", "Connecting to a relay"},
                          {10, "conn_done", "Connected to a relay"},
                          {15, "handshake_done", "Handshake with a relay done"},
                          {25, "requesting_status", "Asking for networkstatus consensus"},
                          {40, "loading_keys", "Loading authority key certs"},
                          {50, "loading_descriptors", "Loading relay descriptors"},
                          {75, "enough_dirinfo", "Loaded enough directory info to build circuits"},
                          {95, "circuit_create", "Establishing a Tor circuit"}};
    const unsigned stepCount = sizeof steps / sizeof steps[0];
    for (const Step& step : steps) {
        if (step.percent > 0)
            Sleep(config.circuitDelayMs / stepCount);
        logLine(out, "notice",
                "Bootstrapped " + std::to_string(step.percent) + "% (" + step.tag +
                    "): " + step.what);
    }
    Sleep(config.circuitDelayMs / stepCount);
    for (unsigned i = 1; i <= config.chatterLines; ++i)
        logLine(out, "info", "Relay descriptor " + std::to_string(i) + " checked.");
    logLine(out, "info", "Tunnel has successfully opened a circuit. Client is working.");
    logLine(out, "notice", "Bootstrapped 100% (done): Done");
    Sleep(INFINITE);
    return 0;
}
