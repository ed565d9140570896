#include "tunnelclient/TunnelStatus.h"

#include "framework/Handle.h"
#include "settings/RegDwordValue.h"
#include "settings/SharedValues.h"

#include <gtest/gtest.h>

using tunnelclient::TunnelStatus;

namespace {

DWORD value(const char* path) {
    return settings::RegDwordValue(path).get();
}

class TunnelStatusValues : public testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, settings::shared::key);
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, settings::shared::key, 0, nullptr, 0,
                        KEY_NOTIFY | KEY_READ, nullptr, key.put(), nullptr);
        changed.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    }
    void TearDown() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, settings::shared::key); }

    // Whether `line` made the keeper write any value of the key.
    bool writes(const std::string& line) {
        ResetEvent(changed.get());
        RegNotifyChangeKeyValue(key.get(), FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed.get(), TRUE);
        TunnelStatus::onClientLine(line);
        return WaitForSingleObject(changed.get(), 0) == WAIT_OBJECT_0;
    }

    framework::RegKey key;
    framework::KernelHandle changed;
};

} // namespace

TEST(TunnelStatus, BootstrapPercentOfWellFormedAndMalformedLines) {
    auto percent = [](const std::string& line) {
        return TunnelStatus::bootstrapPercent(line).value_or(999);
    };
    EXPECT_EQ(percent("Dec 09 [notice] Bootstrapped 0% (starting): Starting"), 0u);
    EXPECT_EQ(percent("Bootstrapped 45%: Loading relay descriptors"), 45u);
    EXPECT_EQ(percent("x Bootstrapped 100%: Done"), 100u);
    EXPECT_EQ(percent("x Bootstrapped 101%: too far"), 999u);
    EXPECT_EQ(percent("x Bootstrapped 4294967341%: wraps to 45"), 999u);
    EXPECT_EQ(percent("x Bootstrapped 45"), 999u) << "no percent sign";
    EXPECT_EQ(percent("x Bootstrapped %"), 999u) << "no number";
    EXPECT_EQ(percent("x bootstrapped 45%"), 999u) << "lower case";
    EXPECT_EQ(percent("x Bootstrapped  45%"), 999u) << "two blanks";
}

TEST_F(TunnelStatusValues, ProgressIsWrittenOnlyWhenItChangesAndClearsWithReady) {
    EXPECT_TRUE(writes("x Bootstrapped 10%: Connecting"));
    EXPECT_EQ(value(settings::shared::progress), 10u);
    EXPECT_FALSE(writes("x Bootstrapped 10%: Connecting again"));
    EXPECT_FALSE(writes("x Relay descriptor 3 checked."));
    EXPECT_TRUE(writes("x Bootstrapped 90%: Establishing a circuit"));
    EXPECT_TRUE(writes("x Tunnel has successfully opened a circuit."));
    EXPECT_EQ(value(settings::shared::ready), 1u);
    EXPECT_EQ(value(settings::shared::progress), 90u);

    TunnelStatus::clear();
    EXPECT_EQ(value(settings::shared::ready), 0u);
    EXPECT_EQ(value(settings::shared::progress), 0u);
    EXPECT_TRUE(writes("x Bootstrapped 90%: the same percentage after a clear"));
}
