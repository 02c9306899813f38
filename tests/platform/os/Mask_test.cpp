#include <gtest/gtest.h>

#include "platform/os/Mask.h"

TEST(MatchMask, StarsQuestionMarksAndLetterCase) {
    EXPECT_TRUE(os::MatchMask("*.dbf", "ABCt.DBF"));
    EXPECT_FALSE(os::MatchMask("*.dbf", "ABCt.DBF", true));
    EXPECT_TRUE(os::MatchMask("a?c*", "abcdef"));
    EXPECT_FALSE(os::MatchMask("a?c", "ac"));
    EXPECT_TRUE(os::MatchMask("*Fehler*", "Grafikfehler: 0 Sachdatenfehler", false));
    EXPECT_FALSE(os::MatchMask("*Fehler*", "Grafikfehler: 0", true));
    EXPECT_TRUE(os::MatchMask("**", ""));
    EXPECT_FALSE(os::MatchMask("", "x"));
}
