// Measures the local proxy side by side in one run: the throughput of a
// 50 MB body, the rate of small requests (a new connection each) one after
// another and from 200 concurrent clients, to an HTTP server on 127.0.0.1
// by three routes: direct, through the stand-in tunnel client's SOCKS port
// alone, and through the whole chain (the proxy, then that SOCKS port). The
// chain against SOCKS alone is the proxy's own share of the cost. The body
// rate is the median of rounds that take the three routes in turn, since a
// single transfer's rate varies with whatever else the machine does. Each
// step is bounded in time: one that runs out ends the bench with its name.
// Usage: proxy_bench.exe <path of Velquin-Server2.exe>
#include "framework/Socket.h"
#include "testsupport/LoopbackHttp.h"
#include "testsupport/StepWatch.h"
#include "service/ProxyServer.h"
#include "service/Socks5.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr unsigned short proxyPort = 18181;
constexpr unsigned short socksPort = 19450;
constexpr std::size_t bigSize = 50u << 20;
constexpr int bodyRounds = 7;
constexpr int smallRequests = 300;
constexpr int concurrentClients = 200;
constexpr int requestsPerClient = 5;
// Bounds of the steps, many times what each takes here.
constexpr DWORD startTimeoutMs = 30000;
constexpr DWORD bodyTimeoutMs = 120000;
constexpr DWORD requestsTimeoutMs = 180000;

framework::Socket connectTo(unsigned short port) {
    framework::Socket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (connect(s.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return {};
    return s;
}

bool receiveExactly(SOCKET s, char* into, int size) {
    for (int got; size > 0; into += got, size -= got)
        if ((got = recv(s, into, size, 0)) <= 0)
            return false;
    return true;
}

// A connection to 127.0.0.1:`port` through the SOCKS server, the way the
// proxy opens one (the host by name); empty when the SOCKS server refuses.
framework::Socket connectThroughSocks(unsigned short port) {
    framework::Socket s = connectTo(socksPort);
    if (!s)
        return s;
    std::string request =
        service::socks5::greeting + service::socks5::connectRequest("localhost", port);
    send(s.get(), request.data(), static_cast<int>(request.size()), 0);
    unsigned char reply[2 + 5 + 255 + 2];
    char* bytes = reinterpret_cast<char*>(reply);
    if (!receiveExactly(s.get(), bytes, 2 + 5) || reply[3] != 0)
        return {};
    int remainder = service::socks5::replyRemainder(reply + 2);
    if (remainder < 0 || !receiveExactly(s.get(), bytes + 2 + 5, remainder))
        return {};
    return s;
}

// How requests reach the server: a connection that carries HTTP to it, and
// the form of the request target ("" for origin form, "http://host:port"
// for the proxy's absolute form).
struct Route {
    const char* name;
    std::function<framework::Socket()> open;
    std::string prefix;
};

// A request for `path` that ends its connection with the answer.
std::string requestFor(const Route& route, const char* path) {
    return "GET " + route.prefix + path + " HTTP/1.1\r\nHost: b\r\nConnection: close\r\n\r\n";
}

// Sends `request` and counts the bytes of the answer until the server closes.
std::size_t fetch(const Route& route, const std::string& request) {
    framework::Socket s = route.open();
    if (!s)
        return 0;
    send(s.get(), request.data(), static_cast<int>(request.size()), 0);
    static thread_local char buffer[65536];
    std::size_t total = 0;
    int got;
    while ((got = recv(s.get(), buffer, sizeof buffer, 0)) > 0)
        total += got;
    return total;
}

// Answers "/big" with a 50 MB body and anything else with "ok".
void serve(SOCKET listener) {
    for (;;) {
        SOCKET s = accept(listener, nullptr, nullptr);
        if (s == INVALID_SOCKET)
            return;
        std::thread([s] {
            framework::Socket client(s);
            std::string head;
            char c;
            while (head.find("\r\n\r\n") == std::string::npos && recv(s, &c, 1, 0) == 1)
                head += c;
            bool big = head.find("/big") != std::string::npos;
            std::size_t size = big ? bigSize : 2;
            std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size) +
                                 "\r\nConnection: close\r\n\r\n";
            send(s, answer.data(), static_cast<int>(answer.size()), 0);
            std::string chunk(big ? 65536 : 2, 'o');
            for (std::size_t sent = 0; sent < size; sent += chunk.size())
                send(s, chunk.data(), static_cast<int>(chunk.size()), 0);
            shutdown(s, SD_SEND);
        }).detach();
    }
}

unsigned short startServer(framework::Socket& listener) {
    unsigned short port = testing_support::listenOnLoopback(listener);
    std::thread(serve, listener.get()).detach();
    return port;
}

bool startTunnel(const std::string& client, PROCESS_INFORMATION& process) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string torrc = std::string(temp) + "proxy-bench-torrc";
    std::ofstream(torrc) << "SocksPort " << socksPort << "\r\nStandInCircuitDelay 0\r\n";
    std::string command = "\"" + client + "\" -f \"" + torrc + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES; // its log is of no interest here
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    for (int i = 0; i < 500; ++i) {
        framework::Socket probe = connectTo(socksPort);
        if (probe)
            return true;
        Sleep(10); // the client is starting; there is nothing to wait on but its port
    }
    return false;
}

struct Result {
    double megabytesPerSecond = 0;
    double requestsPerSecond = 0;
    double concurrentPerSecond = 0;
    int failed = 0; // concurrent requests that got no answer
};

// 200 clients at once, each sending its requests one after another; the
// rate counts the answered requests of all of them.
void measureConcurrent(const Route& route, Result& result) {
    testing_support::Step step(
        std::to_string(concurrentClients) + " concurrent clients " + route.name, requestsTimeoutMs);
    std::string request = requestFor(route, "/small");
    std::vector<int> answered(concurrentClients, 0);
    std::vector<std::thread> clients;
    auto started = Clock::now();
    for (int c = 0; c < concurrentClients; ++c)
        clients.emplace_back([&, c] {
            for (int i = 0; i < requestsPerClient; ++i)
                answered[c] += fetch(route, request) > 0;
        });
    for (std::thread& client : clients)
        client.join();
    double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    int total = 0;
    for (int count : answered)
        total += count;
    result.concurrentPerSecond = total / seconds;
    result.failed = concurrentClients * requestsPerClient - total;
}

double bodyRate(const Route& route) {
    auto started = Clock::now();
    std::size_t got = fetch(route, requestFor(route, "/big"));
    double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    if (got < bigSize)
        std::printf("  short body: %zu bytes\n", got);
    return got / 1048576.0 / seconds;
}

// The body's median rate by each route, the routes taken in turn in every
// round so that a slow spell of the machine falls on all of them alike.
void measureBodies(const std::vector<Route>& routes, std::vector<Result>& results) {
    std::vector<std::vector<double>> rates(routes.size());
    for (int round = 0; round < bodyRounds; ++round)
        for (std::size_t r = 0; r < routes.size(); ++r) {
            testing_support::Step step("the 50 MB body of round " + std::to_string(round + 1) +
                                           " " + routes[r].name,
                                       bodyTimeoutMs);
            rates[r].push_back(bodyRate(routes[r]));
        }
    for (std::size_t r = 0; r < routes.size(); ++r) {
        std::sort(rates[r].begin(), rates[r].end());
        results[r].megabytesPerSecond = rates[r][bodyRounds / 2];
    }
}

void measureRequests(const Route& route, Result& result) {
    {
        testing_support::Step step(std::to_string(smallRequests) + " small requests " + route.name,
                                   requestsTimeoutMs);
        auto started = Clock::now();
        for (int i = 0; i < smallRequests; ++i)
            fetch(route, requestFor(route, "/small"));
        double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        result.requestsPerSecond = smallRequests / seconds;
    }
    measureConcurrent(route, result);
}

// One line of figures: the three routes, the chain against direct, and the
// chain against SOCKS alone (the proxy's own ratio).
void print(const char* what, const char* unit, double direct, double socks, double chain) {
    std::printf("%-16s direct %8.1f %s  SOCKS alone %8.1f %s  chain %8.1f %s  "
                "chain/direct %.2f  chain/SOCKS %.2f\n",
                what, direct, unit, socks, unit, chain, unit, chain / direct, chain / socks);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: proxy_bench <Velquin-Server2.exe>\n");
        return 2;
    }
    framework::WinsockSession winsock;
    framework::Socket listener;
    unsigned short port = startServer(listener);
    PROCESS_INFORMATION tunnel = {};
    service::ProxySettings settings;
    settings.listenPort = proxyPort;
    settings.socksPort = socksPort;
    service::ProxyServer proxy(settings);
    {
        testing_support::Step step("the start of the stand-in tunnel client and the proxy",
                                   startTimeoutMs);
        if (!startTunnel(argv[1], tunnel)) {
            std::fprintf(stderr, "the stand-in tunnel client did not start\n");
            return 1;
        }
        std::string error;
        if (!proxy.start(error)) {
            std::fprintf(stderr, "proxy: %s\n", error.c_str());
            return 1;
        }
    }
    std::vector<Route> routes = {
        {"direct", [port] { return connectTo(port); }, ""},
        {"through SOCKS alone", [port] { return connectThroughSocks(port); }, ""},
        {"through the chain", [] { return connectTo(proxyPort); },
         "http://localhost:" + std::to_string(port)}};
    std::vector<Result> results(routes.size());
    measureBodies(routes, results);
    for (std::size_t r = 0; r < routes.size(); ++r)
        measureRequests(routes[r], results[r]);
    const Result& direct = results[0];
    const Result& socks = results[1];
    const Result& chain = results[2];
    print("50 MB body:*", "MB/s", direct.megabytesPerSecond, socks.megabytesPerSecond,
          chain.megabytesPerSecond);
    print("small requests:", "/s  ", direct.requestsPerSecond, socks.requestsPerSecond,
          chain.requestsPerSecond);
    std::string concurrent =
        std::to_string(concurrentClients) + " x " + std::to_string(requestsPerClient) + ":";
    print(concurrent.c_str(), "/s  ", direct.concurrentPerSecond, socks.concurrentPerSecond,
          chain.concurrentPerSecond);
    std::printf("* the median of %d rounds\n", bodyRounds);
    std::printf("unanswered of the %d concurrent requests: direct %d, SOCKS alone %d, chain %d\n",
                concurrentClients * requestsPerClient, direct.failed, socks.failed, chain.failed);
    TerminateProcess(tunnel.hProcess, 0);
    CloseHandle(tunnel.hProcess);
    CloseHandle(tunnel.hThread);
    return 0;
}
