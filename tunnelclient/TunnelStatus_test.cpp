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

// The real client's start-up at its default log level, as it printed it
// (lines cut from a run on the test world's onion network).
TEST_F(TunnelStatusValues, TheRealClientsStartUpPublishesItsProgressAndEndsReady) {
    const char* const stamp = "Dec 09 12:24:46.000 ";
    const struct {
        const char* text;
        DWORD progress;
    } lines[] = {
        {"[notice] Opened Socks listener connection (ready) on 127.0.0.1:9050", 0},
        {"[notice] Bootstrapped 0% (starting): Starting", 0},
        {"[notice] Bootstrapped 5% (conn): Connecting to a relay", 5},
        {"[notice] Bootstrapped 14% (handshake): Handshaking with a relay", 14},
        {"[notice] Bootstrapped 30% (loading_status): Loading networkstatus consensus", 30},
        {"[notice] I learned some more directory information, but not enough to build a "
         "circuit: We need more microdescriptors: we have 0/6, and can only build 0% of likely "
         "paths. (We have 0% of guards bw, 0% of midpoint bw, and 0% of end bw (no exits in "
         "consensus, using mid) = 0% of path bw.)",
         30},
        {"[notice] Bootstrapped 75% (enough_dirinfo): Loaded enough directory info to build "
         "circuits",
         75},
        {"[notice] Bootstrapped 95% (circuit_create): Establishing a Tor circuit", 95},
        {"[notice] All current guards excluded by path restriction type 2; using an additional "
         "guard.",
         95},
    };
    for (const auto& line : lines) {
        TunnelStatus::onClientLine(stamp + std::string(line.text));
        EXPECT_EQ(value(settings::shared::progress), line.progress) << line.text;
        EXPECT_EQ(value(settings::shared::ready), 0u) << line.text;
    }
    EXPECT_TRUE(writes(stamp + std::string("[notice] Bootstrapped 100% (done): Done")));
    EXPECT_EQ(value(settings::shared::progress), 100u);
    EXPECT_EQ(value(settings::shared::ready), 1u);

    TunnelStatus::clear();
    TunnelStatus::onClientLine("Bootstrapped 100% (done): Done");
    EXPECT_EQ(value(settings::shared::ready), 0u) << "the phrase at the start of a line";
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
