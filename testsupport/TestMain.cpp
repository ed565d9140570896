#include "framework/Application.h"
#include "testsupport/ChildMode.h"

#include <gtest/gtest.h>

namespace {
// Gives the tests an application name, the caption of every message box.
class TestApplication : public framework::Application {
public:
    TestApplication() : Application("Velquin Test") {}

protected:
    bool initInstance() override { return false; }
};
} // namespace

int main(int argc, char** argv) {
    int exitCode = 0;
    if (testing_support::ChildMode::runIfRequested(argc, argv, exitCode))
        return exitCode;
    TestApplication application;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
