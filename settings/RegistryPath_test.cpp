#include "settings/RegistryPath.h"

#include <gtest/gtest.h>

using settings::RegistryPath;

TEST(RegistryPath, SplitsAtTheLastBackslash) {
    RegistryPath path = RegistryPath::split("Software\\Velquin\\Ready");
    EXPECT_EQ(path.subKey, "Software\\Velquin");
    EXPECT_EQ(path.valueName, "Ready");
}

TEST(RegistryPath, ExtraBackslashesAreAbsorbed) {
    for (const char* text : {"Software\\Velquin\\\\Ready", "\\\\Software\\Velquin\\Ready"}) {
        RegistryPath path = RegistryPath::split(text);
        EXPECT_EQ(path.subKey, "Software\\Velquin") << text;
        EXPECT_EQ(path.valueName, "Ready") << text;
    }
}

TEST(RegistryPath, WithoutBackslashTheRootHoldsTheValue) {
    RegistryPath path = RegistryPath::split("Ready");
    EXPECT_EQ(path.subKey, "");
    EXPECT_EQ(path.valueName, "Ready");
    EXPECT_EQ(RegistryPath::split("").valueName, "");
}
