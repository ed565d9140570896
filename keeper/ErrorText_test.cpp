#include "keeper/ErrorText.h"

#include <gtest/gtest.h>

TEST(ErrorText, SystemTextComesWithoutItsLineBreak) {
    std::string text = keeper::errorText(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
}

TEST(ErrorText, UnknownCodeIsShownAsDecimalAndHex) {
    EXPECT_EQ(keeper::errorText(0xDEADBEEF), "Unknown error code -559038737 (0xdeadbeef)");
    EXPECT_EQ(keeper::errorText(0x2000FFFF), "Unknown error code 536936447 (0x2000ffff)");
}
