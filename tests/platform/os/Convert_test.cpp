#include "platform/os/Convert.h"

#include <gtest/gtest.h>

namespace {

int32_t Parsed(const std::string& text)
{
    int32_t value = 12345;
    EXPECT_TRUE(os::TryStrToInt(text, value)) << text;
    return value;
}

TEST(TryStrToInt, DecimalWithSignAndLeadingBlanks)
{
    EXPECT_EQ(Parsed("0"), 0);
    EXPECT_EQ(Parsed("42"), 42);
    EXPECT_EQ(Parsed("-42"), -42);
    EXPECT_EQ(Parsed("+7"), 7);
    EXPECT_EQ(Parsed("  8"), 8);
    EXPECT_EQ(Parsed("007"), 7);
}

TEST(TryStrToInt, HexadecimalPrefixes)
{
    EXPECT_EQ(Parsed("$FF"), 255);
    EXPECT_EQ(Parsed("0x10"), 16);
    EXPECT_EQ(Parsed("0Xab"), 171);
    EXPECT_EQ(Parsed("$FFFFFFFF"), -1);
}

TEST(TryStrToInt, Int32Limits)
{
    EXPECT_EQ(Parsed("2147483647"), 2147483647);
    EXPECT_EQ(Parsed("-2147483648"), INT32_MIN);
    int32_t value = 5;
    EXPECT_FALSE(os::TryStrToInt("2147483648", value));
    EXPECT_FALSE(os::TryStrToInt("-2147483649", value));
    EXPECT_FALSE(os::TryStrToInt("99999999999999999999", value));
    EXPECT_FALSE(os::TryStrToInt("$100000000", value));
    EXPECT_EQ(value, 5);
}

TEST(TryStrToInt, RejectsTextThatIsNoNumberAndKeepsTheValue)
{
    for (const char* text : {"", " ", "-", "+", "$", "0x", "abc", "12abc", "12 ", "1.5", "1e3", "--1", "$G"}) {
        int32_t value = 77;
        EXPECT_FALSE(os::TryStrToInt(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, 77) << text;
    }
}

}  // namespace
