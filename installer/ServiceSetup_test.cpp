#include "installer/ServiceSetup.h"

#include "testsupport/ChildMode.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <utility>
#include <vector>

using installer::ServiceSetup;

namespace {

constexpr const char* serviceName = "VelquinSetupTest";
// How long the test service's process lives on after it has reported
// stopped, as a service does that still cleans up.
constexpr DWORD lingerMs = 1500;

SERVICE_STATUS_HANDLE statusHandle;
framework::KernelHandle stopRequested;

void report(DWORD state) {
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    SetServiceStatus(statusHandle, &status);
}

DWORD WINAPI control(DWORD code, DWORD, void*, void*) {
    if (code == SERVICE_CONTROL_STOP)
        SetEvent(stopRequested.get());
    return NO_ERROR;
}

void WINAPI serviceMain(DWORD, char**) {
    statusHandle = RegisterServiceCtrlHandlerExA(serviceName, control, nullptr);
    report(SERVICE_RUNNING);
    WaitForSingleObject(stopRequested.get(), INFINITE);
    report(SERVICE_STOPPED);
}

// The test program itself as the service: it stops on request, then keeps
// its process alive a while longer.
int runService(const std::vector<std::string>&) {
    stopRequested.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    SERVICE_TABLE_ENTRYA table[] = {{const_cast<char*>(serviceName), serviceMain},
                                    {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherA(table))
        return 1;
    Sleep(lingerMs);
    return 0;
}
testing_support::ChildMode serviceChild("service", &runService);

// What the setup asked of ChangeServiceConfig2W, by level: Wine's service
// control manager keeps neither the SID type nor the privileges.
std::vector<std::pair<DWORD, std::string>> config2Calls;
BOOL WINAPI recordConfig2(SC_HANDLE service, DWORD level, void* info) {
    std::string given;
    if (level == SERVICE_CONFIG_SERVICE_SID_INFO)
        given = std::to_string(static_cast<SERVICE_SID_INFO*>(info)->dwServiceSidType);
    if (level == SERVICE_CONFIG_REQUIRED_PRIVILEGES_INFO) {
        const wchar_t* list =
            static_cast<SERVICE_REQUIRED_PRIVILEGES_INFOW*>(info)->pmszRequiredPrivileges;
        // The whole multi-string, up to its empty last entry.
        for (const wchar_t* entry = list; *entry != L'\0'; entry += wcslen(entry) + 1)
            given += std::string(entry, entry + wcslen(entry)) + ";";
    }
    config2Calls.emplace_back(level, given);
    return service != nullptr;
}

class ServiceSetupTest : public testing::Test {
protected:
    void SetUp() override {
        manager_.reset(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        ASSERT_TRUE(manager_);
        ASSERT_TRUE(ServiceSetup(serviceName).remove(10000));
    }
    void TearDown() override { ServiceSetup(serviceName).remove(10000); }

    framework::ServiceHandle open() {
        return framework::ServiceHandle(
            OpenServiceA(manager_.get(), serviceName, SERVICE_ALL_ACCESS));
    }
    QUERY_SERVICE_CONFIGA config(std::string& binary, std::string& account) {
        framework::ServiceHandle service = open();
        alignas(QUERY_SERVICE_CONFIGA) char buffer[8192];
        auto* result = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer);
        DWORD needed = 0;
        EXPECT_TRUE(QueryServiceConfigA(service.get(), result, sizeof buffer, &needed));
        binary = result->lpBinaryPathName != nullptr ? result->lpBinaryPathName : "";
        account = result->lpServiceStartName != nullptr ? result->lpServiceStartName : "";
        return *result;
    }

    framework::ServiceHandle manager_;
};

} // namespace

TEST_F(ServiceSetupTest, RegistersOnDemandAsLocalServiceAndMovesAnExistingRegistration) {
    config2Calls.clear();
    ServiceSetup setup(serviceName, &recordConfig2);
    ASSERT_TRUE(setup.registerService("C:\\Program Files\\Velquin\\Velquin-Service.exe"));
    std::string binary, account;
    QUERY_SERVICE_CONFIGA first = config(binary, account);
    EXPECT_EQ(binary, "\"C:\\Program Files\\Velquin\\Velquin-Service.exe\"");
    EXPECT_EQ(first.dwStartType, static_cast<DWORD>(SERVICE_DEMAND_START));
    EXPECT_EQ(first.dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(account, "NT AUTHORITY\\LocalService");
    using Calls = std::vector<std::pair<DWORD, std::string>>;
    const Calls limits = {
        {SERVICE_CONFIG_SERVICE_SID_INFO, std::to_string(SERVICE_SID_TYPE_UNRESTRICTED)},
        {SERVICE_CONFIG_REQUIRED_PRIVILEGES_INFO, "SeChangeNotifyPrivilege;"}};
    EXPECT_EQ(config2Calls, limits);

    // An update installs elsewhere: the same service, the new program.
    {
        framework::ServiceHandle service = open();
        ASSERT_TRUE(ChangeServiceConfigA(service.get(), SERVICE_NO_CHANGE, SERVICE_AUTO_START,
                                         SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr, nullptr));
    }
    ASSERT_TRUE(setup.registerService("D:\\Other Place\\Velquin-Service.exe"));
    QUERY_SERVICE_CONFIGA second = config(binary, account);
    EXPECT_EQ(binary, "\"D:\\Other Place\\Velquin-Service.exe\"");
    EXPECT_EQ(second.dwStartType, static_cast<DWORD>(SERVICE_DEMAND_START));
    EXPECT_EQ(account, "NT AUTHORITY\\LocalService");
    EXPECT_EQ(config2Calls.size(), 2 * limits.size()) << "an update limits the service again";

    EXPECT_TRUE(setup.remove(10000));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(open());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
    // Nothing left to stop or remove counts as done.
    EXPECT_TRUE(setup.stop(1000));
    EXPECT_TRUE(setup.remove(1000));
}

TEST_F(ServiceSetupTest, StopReturnsOnlyWhenTheServiceProcessHasEnded) {
    std::string command = testing_support::childCommandLine("service");
    framework::ServiceHandle service(
        CreateServiceA(manager_.get(), serviceName, serviceName, SERVICE_ALL_ACCESS,
                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                       command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(service) << GetLastError();
    ASSERT_TRUE(StartServiceA(service.get(), 0, nullptr)) << GetLastError();
    SERVICE_STATUS_PROCESS status = {};
    ASSERT_TRUE(testing_support::waitUntil([&] {
        DWORD needed = 0;
        QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                             reinterpret_cast<BYTE*>(&status), sizeof status, &needed);
        return status.dwCurrentState == SERVICE_RUNNING;
    }));
    framework::KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, status.dwProcessId));
    ASSERT_TRUE(process);

    ASSERT_TRUE(ServiceSetup(serviceName).stop(10000));
    // Checked at once: the process that held the program's file is gone.
    EXPECT_EQ(WaitForSingleObject(process.get(), 0), WAIT_OBJECT_0);
}
