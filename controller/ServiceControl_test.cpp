#include "controller/ServiceControl.h"

#include "testsupport/ChildMode.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

using controller::ServiceControl;
using testing_support::waitUntil;

namespace {

const char* const serviceName = "VelquinControlTest";

// This test program, run by the service control manager as a service that
// runs until it is told to stop.
SERVICE_STATUS_HANDLE statusHandle;
HANDLE stopRequested;

void report(DWORD state) {
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    SetServiceStatus(statusHandle, &status);
}

void WINAPI control(DWORD code) {
    if (code == SERVICE_CONTROL_STOP)
        SetEvent(stopRequested);
}

void WINAPI serviceMain(DWORD, char**) {
    stopRequested = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    statusHandle = RegisterServiceCtrlHandlerA(serviceName, &control);
    report(SERVICE_RUNNING);
    WaitForSingleObject(stopRequested, INFINITE);
    report(SERVICE_STOPPED);
}

int runService(const std::vector<std::string>&) {
    SERVICE_TABLE_ENTRYA table[] = {{const_cast<char*>(serviceName), &serviceMain},
                                    {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}

testing_support::ChildMode serviceMode("service", &runService);

DWORD stateOf(const char* name) {
    framework::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    framework::ServiceHandle service(OpenServiceA(manager.get(), name, SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    QueryServiceStatus(service.get(), &status);
    return status.dwCurrentState;
}

// Registers this program as the test service for one test.
class ServiceControlTest : public testing::Test {
protected:
    void SetUp() override {
        framework::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        std::string command = testing_support::childCommandLine("service");
        framework::ServiceHandle service(
            CreateServiceA(manager.get(), serviceName, serviceName, SERVICE_ALL_ACCESS,
                           SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                           command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(service) << GetLastError();
    }
    void TearDown() override {
        framework::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        framework::ServiceHandle service(
            OpenServiceA(manager.get(), serviceName, SERVICE_ALL_ACCESS));
        SERVICE_STATUS status = {};
        ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
        waitUntil([] { return stateOf(serviceName) == SERVICE_STOPPED; });
        DeleteService(service.get());
    }
};

} // namespace

TEST_F(ServiceControlTest, NothingHappensBeforeTheNameIsSet) {
    ServiceControl control;
    EXPECT_FALSE(control.Start());
    EXPECT_FALSE(control.Stop());
    EXPECT_EQ(stateOf(serviceName), DWORD(SERVICE_STOPPED));
}

TEST_F(ServiceControlTest, StartAndStopAreAcceptedOnlyOnce) {
    ServiceControl control;
    control.SetServiceName(serviceName);
    EXPECT_TRUE(control.Start());
    ASSERT_TRUE(waitUntil([] { return stateOf(serviceName) == SERVICE_RUNNING; }));
    EXPECT_FALSE(control.Start()) << "already running";
    EXPECT_TRUE(control.Stop());
    ASSERT_TRUE(waitUntil([] { return stateOf(serviceName) == SERVICE_STOPPED; }));
    EXPECT_FALSE(control.Stop()) << "already stopped";
}

namespace {
// The rights asked of the manager and of the service, recorded on their way
// to the real calls.
DWORD managerAsked, serviceAsked;
SC_HANDLE WINAPI recordManager(const char* machine, const char* database, DWORD access) {
    managerAsked = access;
    return OpenSCManagerA(machine, database, access);
}
SC_HANDLE WINAPI recordService(SC_HANDLE manager, const char* name, DWORD access) {
    serviceAsked = access;
    return OpenServiceA(manager, name, access);
}
} // namespace

// Under User Account Control a process that is not elevated gets no more
// than these rights, and the installation grants interactive users exactly
// the service's ones. Wine grants everything to everyone, so the rights are
// seen on their way to the calls, and the requests must still work with them.
TEST_F(ServiceControlTest, AsksOnlyForTheRightsAStandardUserHas) {
    ServiceControl control({&recordManager, &recordService});
    EXPECT_EQ(managerAsked, static_cast<DWORD>(SC_MANAGER_CONNECT));
    control.SetServiceName(serviceName);
    EXPECT_TRUE(control.Start());
    EXPECT_EQ(serviceAsked,
              static_cast<DWORD>(SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS));
    ASSERT_TRUE(waitUntil([] { return stateOf(serviceName) == SERVICE_RUNNING; }));
    serviceAsked = 0;
    EXPECT_TRUE(control.Stop());
    EXPECT_EQ(serviceAsked,
              static_cast<DWORD>(SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS));
}

TEST_F(ServiceControlTest, MissingServiceIsRefused) {
    ServiceControl control;
    control.SetServiceName("VelquinNoSuchService");
    EXPECT_FALSE(control.Start());
    EXPECT_FALSE(control.Stop());
}
