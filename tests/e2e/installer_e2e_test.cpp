// The test build's installer as a user runs it: silently into a folder with
// a blank in its name, the installed tunnel side started through the
// service control manager, an update over a running installation, and the
// silent uninstall.
#include "proxyoptions/ProxyOptions.h"
#include "proxyoptions/SavedProxyOptions.h"
#include "testsupport/Process.h"
#include "testsupport/Wait.h"
#include "installer/RunningController.h"
#include "installer/ServiceSetup.h"
#include "settings/RegDwordValue.h"
#include "settings/RegStringValue.h"
#include "settings/SharedValues.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

const std::string installDir = "C:\\Program Files\\Velquin Setup Test";
// A test build says so wherever a user sees its name.
const std::string product = "Velquin (test build)";

const char* const uninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velquin";

DWORD setting(const char* name) {
    return settings::RegDwordValue(std::string("Software\\Velquin\\") + name).get();
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The installed torrc's DataDirectory lines.
std::vector<std::string> dataDirectoryLines() {
    std::ifstream torrc(installDir + "\\services\\Velquin-Server2\\torrc");
    std::vector<std::string> lines;
    for (std::string line; std::getline(torrc, line);)
        if (line.rfind("DataDirectory ", 0) == 0)
            lines.push_back(line.substr(0, line.find_last_not_of('\r') + 1));
    return lines;
}

bool settingsKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, settings::shared::key, 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string startMenuFolder() {
    char programs[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs);
    return std::string(programs) + "\\" + product;
}

// Runs a program to its end; its exit code, or -1 when it did not end.
long runToEnd(const std::string& command) {
    framework::KernelHandle process = startProcess(command);
    if (!process ||
        !waitUntil([&] { return WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0; }, 120000))
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<long>(code);
}

class InstallerTest : public testing::Test {
protected:
    void SetUp() override {
        // The runner has installed and registered Velquin by hand: a clean
        // machine has neither the service nor the settings.
        ASSERT_TRUE(installer::ServiceSetup("Velquin").remove(30000));
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, settings::shared::key);
    }
    void TearDown() override { proxyoptions::DisableConnectionProxy(connection_); }

    long install(const std::string& folder = installDir) {
        // The folder follows /D= unquoted, blanks and all, as the last argument.
        return runToEnd("\"" + hostToWine(SETUP_EXE) + "\" /S /D=" + folder);
    }
    // The uninstaller copies itself away and runs from there, so that it can
    // delete itself: done is when everything it removes is gone.
    bool uninstall() {
        if (runToEnd("\"" + installDir + "\\uninstall.exe\" /S") != 0)
            return false;
        return waitUntil(
            [] {
                return !exists(installDir) && !exists(startMenuFolder()) && !settingsKeyExists();
            },
            60000);
    }
    bool startTunnel() {
        framework::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        framework::ServiceHandle service(OpenServiceA(manager.get(), "Velquin", SERVICE_START));
        return service && StartServiceA(service.get(), 0, nullptr) &&
               waitUntil([] { return setting(settings::shared::names::ready) == 1; }, 30000);
    }
    std::string serviceProgram(DWORD& startType) {
        framework::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        framework::ServiceHandle service(
            OpenServiceA(manager.get(), "Velquin", SERVICE_QUERY_CONFIG));
        alignas(QUERY_SERVICE_CONFIGA) char buffer[8192];
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer);
        DWORD needed = 0;
        if (!service || !QueryServiceConfigA(service.get(), config, sizeof buffer, &needed))
            return "";
        startType = config->dwStartType;
        return config->lpBinaryPathName;
    }
    bool serviceRegistered() {
        framework::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        return static_cast<bool>(
            framework::ServiceHandle(OpenServiceA(manager.get(), "Velquin", SERVICE_QUERY_STATUS)));
    }

    std::string connection_ = proxyoptions::CurrentConnectionName();
};

} // namespace

TEST_F(InstallerTest, SilentInstallSetsUpAWorkingSystemAndUninstallLeavesNothing) {
    ASSERT_EQ(install(), 0);
    for (const char* file :
         {"Velquin.exe", "Velquin-Keeper.exe", "Velquin-Service.exe", "help.html", "uninstall.exe",
          "services\\Velquin-Server2\\torrc", "services\\Velquin-Server2\\Velquin-Server2.exe"})
        EXPECT_TRUE(exists(installDir + "\\" + file)) << file;
    for (const std::string& shortcut :
         {product + ".lnk", product + " User Guide.lnk", "Uninstall " + product + ".lnk"})
        EXPECT_TRUE(exists(startMenuFolder() + "\\" + shortcut)) << shortcut;
    EXPECT_EQ(settings::RegStringValue(settings::shared::appPath).get(), installDir);
    // The client's data folder, written with forward slashes (the client
    // takes a backslash as an escape).
    EXPECT_EQ(dataDirectoryLines(), std::vector<std::string>{"DataDirectory C:/Program Files/"
                                                             "Velquin Setup Test/services/"
                                                             "Velquin-Server2/data"});
    EXPECT_TRUE(exists(installDir + "\\services\\Velquin-Server2\\data"));
    EXPECT_EQ(setting(settings::shared::names::timeOut), 45u);
    EXPECT_EQ(setting(settings::shared::names::retry), 2u);
    DWORD startType = 0;
    EXPECT_EQ(serviceProgram(startType), "\"" + installDir + "\\Velquin-Service.exe\"");
    EXPECT_EQ(startType, static_cast<DWORD>(SERVICE_DEMAND_START));
    EXPECT_TRUE(exists(installDir + "\\services\\Velquin-Server2\\data"));
    // What "Add or remove programs" shows.
    EXPECT_EQ(settings::RegStringValue(std::string(uninstallKey) + "\\Publisher").get(), "Velquin");
    const DWORD sizeKiB =
        settings::RegDwordValue(std::string(uninstallKey) + "\\EstimatedSize").get();
    EXPECT_GT(sizeKiB, 500u);
    EXPECT_LT(sizeKiB, 100000u);

    // The installed tunnel side comes up, and the browser is left pointing
    // at its proxy, as after a controller that did not end normally, with
    // the user's own proxy kept aside.
    ASSERT_TRUE(startTunnel());
    ASSERT_TRUE(proxyoptions::SetConnectionOptions(connection_, "proxy.corp:3128"));
    ASSERT_TRUE(proxyoptions::SaveConnectionOptions(connection_));
    ASSERT_TRUE(proxyoptions::SetConnectionOptions(connection_, proxyoptions::localProxyServer));

    ASSERT_TRUE(uninstall());
    EXPECT_FALSE(serviceRegistered());
    EXPECT_EQ(countProcessesNamed("Velquin-Keeper.exe"), 0);
    EXPECT_EQ(countProcessesNamed("Velquin-Server2.exe"), 0);
    EXPECT_EQ(proxyoptions::ActiveProxyServer(connection_), "proxy.corp:3128");
    EXPECT_TRUE(proxyoptions::SavedProxyOptions::connections().empty());
}

TEST_F(InstallerTest, UpdateOverARunningInstallationKeepsTheTunedSettings) {
    ASSERT_EQ(install(), 0);
    // Values raised in the troubleshooting dialog, and a running tunnel
    // whose programs the update replaces.
    settings::RegDwordValue(settings::shared::timeOut).set(120);
    settings::RegDwordValue(settings::shared::retry).set(6);
    ASSERT_TRUE(startTunnel());
    // And a controller that runs over the update: asked to end, it ends
    // as its Esc ends it.
    framework::KernelHandle controller = startProcess("\"" + installDir + "\\Velquin.exe\"");
    ASSERT_TRUE(waitUntil([] { return FindWindowA("#32770", "Velquin") != nullptr; }, 60000));

    ASSERT_EQ(install(), 0);
    EXPECT_EQ(WaitForSingleObject(controller.get(), 0), WAIT_OBJECT_0);
    DWORD controllerExit = STILL_ACTIVE;
    GetExitCodeProcess(controller.get(), &controllerExit);
    EXPECT_EQ(controllerExit, 0u);
    EXPECT_FALSE(installer::ControllerRuns());
    EXPECT_EQ(countProcessesNamed("Velquin-Keeper.exe"), 0);
    EXPECT_EQ(setting(settings::shared::names::timeOut), 120u);
    EXPECT_EQ(setting(settings::shared::names::retry), 6u);
    EXPECT_EQ(settings::RegStringValue(settings::shared::appPath).get(), installDir);
    EXPECT_EQ(dataDirectoryLines().size(), 1u) << "the update's torrc names the folder once";
    EXPECT_TRUE(startTunnel());
    EXPECT_TRUE(uninstall());
}

TEST_F(InstallerTest, AFolderThatSomeoneElseFilledIsRefused) {
    // Made by a standard user before the installation, with a DLL for the
    // service to load beside its program.
    const std::string planted = "C:\\Velquin Planted";
    CreateDirectoryA(planted.c_str(), nullptr);
    CloseHandle(CreateFileA((planted + "\\version.dll").c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, 0, nullptr));
    EXPECT_NE(install(planted), 0);
    EXPECT_FALSE(exists(planted + "\\Velquin-Service.exe"));
    EXPECT_FALSE(serviceRegistered());
    DeleteFileA((planted + "\\version.dll").c_str());
    RemoveDirectoryA(planted.c_str());
}
