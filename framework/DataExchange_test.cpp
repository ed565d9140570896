#include "framework/DataExchange.h"

#include <gtest/gtest.h>

using framework::DataExchange;

TEST(ParseInteger, AcceptsDecimalWithLeadingZerosSignAndBlanks) {
    int value = 0;
    EXPECT_TRUE(DataExchange::parseInteger("045", value));
    EXPECT_EQ(value, 45);
    EXPECT_TRUE(DataExchange::parseInteger(" 7 ", value));
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(DataExchange::parseInteger("-3", value));
    EXPECT_EQ(value, -3);
    EXPECT_TRUE(DataExchange::parseInteger("2147483647", value));
    EXPECT_EQ(value, 2147483647);
}

TEST(ParseInteger, RefusesEmptyTextGarbageAndOverflowLeavingTheValue) {
    int value = 5;
    for (const char* text : {"", " ", "abc", "12a", "-", "1 2", "2147483648", "99999999999"}) {
        EXPECT_FALSE(DataExchange::parseInteger(text, value)) << text;
        EXPECT_EQ(value, 5) << text;
    }
}
