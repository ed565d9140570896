#pragma once

#include "proxyoptions/ProxyOptions.h"
#include "proxyoptions/SavedProxyOptions.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace testing_support {

// A test that changes the current connection's proxy options: whatever it
// leaves, the connection goes back to direct access and every kept copy is
// deleted, so the next test starts from a clean connection.
class CurrentConnectionTest : public testing::Test {
protected:
    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, proxyoptions::SavedProxyOptions::key);
        proxyoptions::DisableConnectionProxy(connection_);
    }

    std::string connection_ = proxyoptions::CurrentConnectionName();
};

} // namespace testing_support
