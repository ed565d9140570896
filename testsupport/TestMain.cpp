#include "framework/Application.h"
#include "testsupport/ChildMode.h"
#include "testsupport/StepWatch.h"

#include <gtest/gtest.h>

namespace {
// Gives the tests an application name, the caption of every message box.
class TestApplication : public framework::Application {
public:
    TestApplication() : Application("Velquin Test") {}

protected:
    bool initInstance() override { return false; }
};

// Each test is a step of the program: one that hangs ends the program with
// its name, well before CTest's own limit for the whole program ends it
// without one. A test that takes longer by design says so (StepWatch::extend).
class TestTimeLimit : public testing::EmptyTestEventListener {
public:
    static constexpr DWORD perTestMs = 240000;

    void OnTestStart(const testing::TestInfo& test) override {
        testing_support::StepWatch::instance().begin(
            std::string("test ") + test.test_suite_name() + "." + test.name(), perTestMs);
    }
    void OnTestEnd(const testing::TestInfo&) override {
        testing_support::StepWatch::instance().end();
    }
};
} // namespace

int main(int argc, char** argv) {
    int exitCode = 0;
    if (testing_support::ChildMode::runIfRequested(argc, argv, exitCode))
        return exitCode;
    TestApplication application;
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new TestTimeLimit);
    return RUN_ALL_TESTS();
}
