#include "util/_4Token.h"
#include "util/_4passtr.h"
#include "util/_4pchar.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(StrCharIsNotInArray, TheTerminatorDoesNotCount)
{
    EXPECT_TRUE(StrCharIsNotInArray("-;", 'a'));
    EXPECT_FALSE(StrCharIsNotInArray("-;", ';'));
    EXPECT_FALSE(StrCharIsNotInArray("-;", '-'));
    EXPECT_TRUE(StrCharIsNotInArray("-;", '\0'));
    EXPECT_TRUE(StrCharIsNotInArray("", 'a'));
}

TEST(GetTNum, OnePlusTheSeparatorsAndZeroForEmpty)
{
    EXPECT_EQ(GetTNum("", "-"), 0);
    EXPECT_EQ(GetTNum("abc", "-"), 1);
    EXPECT_EQ(GetTNum("12 - Name", "-"), 2);
    EXPECT_EQ(GetTNum("a;;b", ";"), 3);
    EXPECT_EQ(GetTNum("a;", ";"), 2);
    EXPECT_EQ(GetTNum(";", ";"), 2);
    EXPECT_EQ(GetTNum("a,b;c d", ",; "), 4);
    EXPECT_EQ(GetTNum("abc", ""), 1);
}

TEST(GetToken, TransactionLineSplitsAtTheMinusKeepingBlanks)
{
    EXPECT_EQ(GetToken("12 - Name", "-", 1), "12 ");
    EXPECT_EQ(GetToken("12 - Name", "-", 2), " Name");
    EXPECT_EQ(GetToken("12 - Name", "-", 3), "");
    // The name may hold a minus itself: it ends the second token.
    EXPECT_EQ(GetToken("7 - Nord-Ost", "-", 2), " Nord");
    EXPECT_EQ(GetToken("7 - Nord-Ost", "-", 3), "Ost");
}

TEST(GetToken, AdjacentAndTrailingSeparatorsEncloseEmptyTokens)
{
    EXPECT_EQ(GetToken("a;;b", ";", 1), "a");
    EXPECT_EQ(GetToken("a;;b", ";", 2), "");
    EXPECT_EQ(GetToken("a;;b", ";", 3), "b");
    EXPECT_EQ(GetToken("a;", ";", 1), "a");
    EXPECT_EQ(GetToken("a;", ";", 2), "");
    EXPECT_EQ(GetToken(";b", ";", 1), "");
    EXPECT_EQ(GetToken(";b", ";", 2), "b");
}

TEST(GetToken, PositionZeroAndPastTheEndGiveEmpty)
{
    EXPECT_EQ(GetToken("a;b", ";", 0), "");
    EXPECT_EQ(GetToken("a;b", ";", 3), "");
    EXPECT_EQ(GetToken("a;b", ";", 255), "");
    EXPECT_EQ(GetToken("", ";", 1), "");
    EXPECT_EQ(GetToken("abc", "", 1), "abc");
}

TEST(GetToken, EachOfSeveralSeparatorCharsSplits)
{
    const std::string line = "x,y;z w";
    EXPECT_EQ(GetToken(line, ",; ", 1), "x");
    EXPECT_EQ(GetToken(line, ",; ", 2), "y");
    EXPECT_EQ(GetToken(line, ",; ", 3), "z");
    EXPECT_EQ(GetToken(line, ",; ", 4), "w");
    EXPECT_EQ(GetToken(line, ";", 1), "x,y");
}

TEST(StrGetToken, WritesIntoTheBufferAndReturnsIt)
{
    char buffer[16];
    std::memset(buffer, 'X', sizeof buffer);
    EXPECT_EQ(StrGetToken("ab;cd;ef", ";", buffer, 2), buffer);
    EXPECT_STREQ(buffer, "cd");
    EXPECT_STREQ(StrGetToken("ab;cd;ef", ";", buffer, 0), "");
    EXPECT_STREQ(StrGetToken("", ";", buffer, 1), "");
    // A position beyond 8 bits is reachable through the buffer form.
    std::string many(299, ';');
    many += "last";
    std::vector<char> big(many.size() + 1);
    EXPECT_STREQ(StrGetToken(many.c_str(), ";", big.data(), 300), "last");
    EXPECT_STREQ(StrGetToken(many.c_str(), ";", big.data(), 65535), "");
    EXPECT_EQ(StrGetTNum(many.c_str(), ";"), 300);
}

TEST(GetToken, KeepsCp1252Bytes)
{
    EXPECT_EQ(GetToken("3 - Gelöschte Objekte", "-", 2), " Gelöschte Objekte");
}

TEST(StrLeft, CutsInPlaceOnlyWhenShorterThanTheText)
{
    char text[] = "abcdef";
    EXPECT_EQ(StrLeft(text, 3), text);
    EXPECT_STREQ(text, "abc");
    EXPECT_STREQ(StrLeft(text, 3), "abc");
    EXPECT_STREQ(StrLeft(text, 10), "abc");
    EXPECT_STREQ(StrLeft(text, 0), "");
    EXPECT_EQ(StrLeft(nullptr, 2), nullptr);
}

TEST(LeftStr, EdgeCases)
{
    EXPECT_EQ(LeftStr("", 1), "");
    EXPECT_EQ(LeftStr("abc", 0), "");
    EXPECT_EQ(LeftStr("abc", 2), "ab");
    EXPECT_EQ(LeftStr("abc", 3), "abc");
    EXPECT_EQ(LeftStr("abc", 200), "abc");
    EXPECT_EQ(LeftStr(std::string(300, 'x'), 255), std::string(255, 'x'));
    EXPECT_EQ(LeftStr("Präfix1", 6), "Präfix");
}

}  // namespace
