#include "installer/RunningController.h"

#include "framework/Handle.h"
#include "settings/SharedValues.h"

#include <gtest/gtest.h>

TEST(RunningController, AControllerWithoutAWindowHereIsLeftToItsUser) {
    EXPECT_FALSE(installer::ControllerRuns());
    EXPECT_TRUE(installer::EndRunningController(1000));
    // Another logon's controller: its marker, and no window in this logon.
    framework::KernelHandle other(
        CreateMutexA(nullptr, FALSE, settings::shared::controller::machineMarker));
    ASSERT_TRUE(other);
    EXPECT_TRUE(installer::ControllerRuns());
    EXPECT_FALSE(installer::EndRunningController(1000));
}
