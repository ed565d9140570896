#include "testsupport/StepWatch.h"

#include "framework/Handle.h"
#include "testsupport/ChildMode.h"
#include "testsupport/Process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

using testing_support::StepWatch;

namespace {

// Waits for an event nobody sets.
int waitForever(const std::vector<std::string>&) {
    framework::KernelHandle never(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    WaitForSingleObject(never.get(), INFINITE);
    return 0;
}
testing_support::ChildMode waitChild("wait", &waitForever);

// A step that never ends, in a child that has a child of its own, whose
// process id it writes to standard error.
int hang(const std::vector<std::string>& args) {
    StepWatch::instance().begin("the step that hangs", 300);
    framework::KernelHandle child =
        testing_support::startProcess(testing_support::childCommandLine("wait"));
    std::fprintf(stderr, "child %lu\n", GetProcessId(child.get()));
    return waitForever(args);
}
testing_support::ChildMode hangChild("hang", &hang);

// Steps that end in time, one of them extended past its first bound.
int finish(const std::vector<std::string>&) {
    StepWatch::instance().begin("a step in time", 5000);
    StepWatch::instance().end();
    StepWatch::instance().begin("a long step", 200);
    StepWatch::instance().extend(5000);
    framework::KernelHandle never(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    WaitForSingleObject(never.get(), 600);
    StepWatch::instance().end();
    return 0;
}
testing_support::ChildMode finishChild("finish", &finish);

// Runs the test program in `mode` with its standard error in a file; the
// exit code, or STILL_ACTIVE when it did not end within 20 s.
DWORD runChild(const std::string& mode, std::string& errors) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string path = std::string(temp) + "step-watch-" + mode + ".txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    framework::KernelHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                             CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = file.get();
    PROCESS_INFORMATION process = {};
    std::string command = testing_support::childCommandLine(mode);
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process))
        return STILL_ACTIVE;
    framework::KernelHandle child(process.hProcess);
    CloseHandle(process.hThread);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(child.get(), 20000) == WAIT_OBJECT_0)
        GetExitCodeProcess(child.get(), &code);
    else
        TerminateProcess(child.get(), 1);
    file.reset();
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    errors = text.str();
    DeleteFileA(path.c_str());
    return code;
}

} // namespace

TEST(StepWatch, AStepThatRunsOutEndsTheProgramNamingItAndItsChildren) {
    std::string errors;
    EXPECT_EQ(runChild("hang", errors), StepWatch::timedOut);
    EXPECT_NE(errors.find("the step that hangs did not end within 0.3 s"), std::string::npos)
        << errors;
    // The program's own child ends with it: left running, it would keep a
    // runner that reads the program's output waiting.
    DWORD childId = 0;
    ASSERT_EQ(std::sscanf(errors.c_str(), "child %lu", &childId), 1) << errors;
    framework::KernelHandle child(OpenProcess(SYNCHRONIZE, FALSE, childId));
    EXPECT_TRUE(!child || WaitForSingleObject(child.get(), 5000) == WAIT_OBJECT_0);
}

TEST(StepWatch, StepsThatEndInTimeLeaveTheProgramAlone) {
    std::string errors;
    EXPECT_EQ(runChild("finish", errors), 0u);
    EXPECT_EQ(errors, "");
}
