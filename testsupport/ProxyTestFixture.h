#pragma once

// The proxy on real sockets, for the proxy's tests: an HTTP target in the
// test process that answers with the caller's address, and the stand-in
// tunnel client as the SOCKS server.
#include "framework/Socket.h"
#include "testsupport/LoopbackHttp.h"
#include "testsupport/Process.h"
#include "testsupport/Wait.h"
#include "service/ProxyServer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>
#include <memory>

namespace service_test {

constexpr unsigned short proxyPort = 18081;
constexpr unsigned short socksPort = 19150;

class ProxyServerTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        std::string torrc = std::string(temp) + "proxy-test-torrc";
        std::ofstream(torrc) << "SocksPort " << socksPort << "\r\nStandInCircuitDelay 0\r\n";
        tunnel_ = new framework::KernelHandle(testing_support::startProcess(
            "\"" + testing_support::hostToWine(CLIENT_EXE) + "\" -f \"" + torrc + "\""));
        ASSERT_TRUE(testing_support::waitUntil(
            [] { return static_cast<bool>(testing_support::connectTo(socksPort)); }));
        if (target_ == nullptr)
            target_ = new testing_support::AddressEcho;
    }
    static void TearDownTestSuite() {
        TerminateProcess(tunnel_->get(), 0);
        delete tunnel_;
        tunnel_ = nullptr;
    }

    void startProxy(service::ProxySettings settings = {}) {
        settings.listenPort = proxyPort;
        if (settings.socksPort == 9050)
            settings.socksPort = socksPort;
        proxy_ = std::make_unique<service::ProxyServer>(settings);
        std::string error;
        ASSERT_TRUE(proxy_->start(error)) << error;
    }
    // A request that ends its connection with the answer.
    static std::string get(const std::string& host) {
        return "GET http://" + host + ":" + std::to_string(target_->port()) +
               "/whip2.php HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    }

    framework::WinsockSession winsock_;
    std::unique_ptr<service::ProxyServer> proxy_;
    static inline framework::KernelHandle* tunnel_ = nullptr;
    // Serves every test suite of the program; it lives until the process ends.
    static inline testing_support::AddressEcho* target_ = nullptr;
};

// Whether a body is an address that the stand-in tunnel's exit gives.
inline bool isTunnelExit(const std::string& address) {
    return address.rfind("127.0.0.", 0) == 0 && address != "127.0.0.1";
}

// Bytes in use in all heaps of the process: every live allocation of the
// proxy (and of the test). The process's private memory says less here,
// since the heaps keep freed space for reuse and the test's own clients
// share the process.
inline SIZE_T heapBytesInUse() {
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    SIZE_T total = 0;
    for (HANDLE heap : heaps) {
        HeapLock(heap);
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heap, &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                total += entry.cbData;
        HeapUnlock(heap);
    }
    return total;
}

} // namespace service_test
