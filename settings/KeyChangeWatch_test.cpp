#include "settings/KeyChangeWatch.h"

#include <gtest/gtest.h>

using settings::KeyChangeWatch;

namespace {

const char* const watchedKey = "Software\\VelquinWatchTest";

void setValue(const char* name, DWORD value) {
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, watchedKey, name, REG_DWORD, &value, sizeof value);
}

bool signalled(HANDLE event, DWORD timeoutMs) {
    return WaitForSingleObject(event, timeoutMs) == WAIT_OBJECT_0;
}

} // namespace

TEST(KeyChangeWatch, EachArmingReportsTheNextChangeOfAValue) {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, watchedKey);
    setValue("Ready", 0);
    KeyChangeWatch watch(watchedKey);
    ASSERT_TRUE(watch.watching());
    EXPECT_FALSE(signalled(watch.changed(), 0));
    setValue("Progress", 10);
    EXPECT_TRUE(signalled(watch.changed(), 5000));
    EXPECT_FALSE(signalled(watch.changed(), 0));

    ASSERT_TRUE(watch.rearm());
    setValue("Ready", 1);
    EXPECT_TRUE(signalled(watch.changed(), 5000));
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, watchedKey);
}
