// The service "Velquin" registered with the service control manager and
// driven through it, with the keeper and the stand-in tunnel client
// installed in a folder of their own.
#include "testsupport/LoopbackHttp.h"
#include "testsupport/Process.h"
#include "testsupport/Wait.h"
#include "settings/RegDwordValue.h"
#include "settings/RegStringValue.h"
#include "settings/SharedValues.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

using namespace testing_support;

// The service's own exit codes for a refused start.
enum Refusal : DWORD { AppPathNotAbsolute = 1, NoSocksPort = 2, ProxyPortTaken = 3 };

namespace {

using framework::ServiceHandle;

constexpr unsigned short proxyPort = 8081;

DWORD ready() {
    return settings::RegDwordValue(settings::shared::ready).get();
}

// "...\Velquin Service Test" with the keeper, and the client with its torrc
// in services\Velquin-Server2; AppPath names it.
void install(const std::string& torrc = "SocksPort 19250\r\nStandInCircuitDelay 500\r\n") {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string root = std::string(temp) + "Velquin Service Test";
    std::string client = root + "\\services\\Velquin-Server2\\";
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA((root + "\\services").c_str(), nullptr);
    CreateDirectoryA(client.c_str(), nullptr);
    ASSERT_TRUE(
        CopyFileA(hostToWine(KEEPER_EXE).c_str(), (root + "\\Velquin-Keeper.exe").c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileA(hostToWine(CLIENT_EXE).c_str(), (client + "Velquin-Server2.exe").c_str(), FALSE));
    std::ofstream(client + "torrc") << torrc;
    settings::RegStringValue(settings::shared::appPath).set(root);
}

class ServiceTest : public testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, settings::shared::key);
        install();
        manager_.reset(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        ASSERT_TRUE(manager_);
        removeService();
        std::string binary = "\"" + hostToWine(SERVICE_EXE) + "\"";
        service_.reset(CreateServiceA(manager_.get(), "Velquin", "Velquin", SERVICE_ALL_ACCESS,
                                      SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                      SERVICE_ERROR_NORMAL, binary.c_str(), nullptr, nullptr,
                                      nullptr, nullptr, nullptr));
        ASSERT_TRUE(service_) << GetLastError();
    }
    void TearDown() override {
        SERVICE_STATUS status = {};
        if (service_)
            ControlService(service_.get(), SERVICE_CONTROL_STOP, &status);
        removeService();
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, settings::shared::key);
    }
    void removeService() {
        service_.reset(OpenServiceA(manager_.get(), "Velquin", SERVICE_ALL_ACCESS));
        if (service_)
            DeleteService(service_.get());
        service_.reset();
    }
    DWORD state() {
        SERVICE_STATUS status = {};
        QueryServiceStatus(service_.get(), &status);
        return status.dwCurrentState;
    }
    // The stop request's error code: NO_ERROR when it was carried out.
    DWORD stop() {
        SERVICE_STATUS status = {};
        return ControlService(service_.get(), SERVICE_CONTROL_STOP, &status) ? NO_ERROR
                                                                             : GetLastError();
    }
    // Starts the service expecting a refusal: it must end stopped with its
    // own exit code `failure`, having started no keeper, and clear a stale
    // Ready.
    void expectRefusal(DWORD failure) {
        settings::RegDwordValue(settings::shared::ready).set(1);
        StartServiceA(service_.get(), 0, nullptr);
        ASSERT_TRUE(waitUntil(
            [this] {
                return countProcessesNamed("Velquin-Service.exe") == 0 &&
                       state() == SERVICE_STOPPED;
            },
            30000));
        SERVICE_STATUS status = {};
        QueryServiceStatus(service_.get(), &status);
        EXPECT_EQ(status.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
        EXPECT_EQ(status.dwServiceSpecificExitCode, failure);
        EXPECT_EQ(countProcessesNamed("Velquin-Keeper.exe"), 0);
        EXPECT_EQ(countProcessesNamed("Velquin-Server2.exe"), 0);
        EXPECT_EQ(ready(), 0u);
    }
    std::string visibleAddress() {
        return httpBody(
            roundTrip(proxyPort, "GET http://localhost:" + std::to_string(target_.port()) +
                                     "/whip2.php HTTP/1.1\r\nConnection: close\r\n\r\n"));
    }

    framework::WinsockSession winsock_;
    AddressEcho target_;
    ServiceHandle manager_;
    ServiceHandle service_;
};

} // namespace

TEST_F(ServiceTest, StartBringsUpTheTunnelAndAStopReturnsOnlyWhenAllIsDown) {
    ASSERT_TRUE(StartServiceA(service_.get(), 0, nullptr)) << GetLastError();
    ASSERT_TRUE(waitUntil([] { return ready() == 1; }, 30000));
    EXPECT_EQ(testing_support::countProcessesNamed("Velquin-Keeper.exe"), 1);
    EXPECT_EQ(testing_support::countProcessesNamed("Velquin-Server2.exe"), 1);

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(StartServiceA(service_.get(), 0, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));

    std::string firstExit = visibleAddress();
    EXPECT_EQ(firstExit.rfind("127.0.0.", 0), 0u) << firstExit;
    EXPECT_NE(firstExit, "127.0.0.1");

    ASSERT_EQ(stop(), static_cast<DWORD>(NO_ERROR));
    // Checked at once: the stop request returns only when all is down.
    EXPECT_EQ(state(), static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(testing_support::countProcessesNamed("Velquin-Keeper.exe"), 0);
    EXPECT_EQ(testing_support::countProcessesNamed("Velquin-Server2.exe"), 0);
    EXPECT_EQ(ready(), 0u);
    EXPECT_FALSE(connectTo(proxyPort));

    // "Get A New IP": a start right after the stop brings a new exit.
    ASSERT_TRUE(StartServiceA(service_.get(), 0, nullptr)) << GetLastError();
    ASSERT_TRUE(waitUntil([] { return ready() == 1; }, 30000));
    std::string secondExit = visibleAddress();
    EXPECT_EQ(secondExit.rfind("127.0.0.", 0), 0u) << secondExit;
    EXPECT_NE(secondExit, firstExit);
    ASSERT_EQ(stop(), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(testing_support::countProcessesNamed("Velquin-Keeper.exe"), 0);
}

TEST_F(ServiceTest, StopRightAfterStartStillEndsEverything) {
    ASSERT_TRUE(StartServiceA(service_.get(), 0, nullptr)) << GetLastError();
    // The service control manager refuses a stop while the service is still
    // starting, so the stop goes out the moment the service runs, whether or
    // not the client has opened its circuit yet.
    ASSERT_TRUE(waitUntil([this] { return state() == SERVICE_RUNNING; }));
    ASSERT_EQ(stop(), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(testing_support::countProcessesNamed("Velquin-Keeper.exe"), 0);
    EXPECT_EQ(testing_support::countProcessesNamed("Velquin-Server2.exe"), 0);
    EXPECT_EQ(ready(), 0u);
    EXPECT_FALSE(connectTo(proxyPort));
}

TEST_F(ServiceTest, RefusesToStartWhereItCouldNotServeSafely) {
    std::string installDir = settings::RegStringValue(settings::shared::appPath).get();
    for (const std::string& appPath : {std::string(), installDir.substr(2)}) {
        SCOPED_TRACE("AppPath \"" + appPath + "\"");
        settings::RegStringValue(settings::shared::appPath).set(appPath);
        expectRefusal(AppPathNotAbsolute);
    }
    settings::RegStringValue(settings::shared::appPath).set(installDir);

    const u_long takenAddresses[] = {INADDR_LOOPBACK, INADDR_ANY};
    for (u_long address : takenAddresses) {
        SCOPED_TRACE(address == INADDR_ANY ? "0.0.0.0:8081 taken" : "127.0.0.1:8081 taken");
        framework::Socket other(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        sockaddr_in where = {};
        where.sin_family = AF_INET;
        where.sin_addr.s_addr = htonl(address);
        where.sin_port = htons(proxyPort);
        ASSERT_EQ(bind(other.get(), reinterpret_cast<sockaddr*>(&where), sizeof where), 0);
        ASSERT_EQ(listen(other.get(), SOMAXCONN), 0);
        expectRefusal(ProxyPortTaken);
    }

    install("SocksPort 0\r\n");
    expectRefusal(NoSocksPort);
}
