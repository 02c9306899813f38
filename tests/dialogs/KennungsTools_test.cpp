#include <gtest/gtest.h>

#include "dialogs/KennungsTools.h"
#include "dialogs/frmGetTidAndKennung.h"

TEST(KennungFitsOKL, FollowsTheClassRule) {
    struct Case {
        const char* cls;
        const char* kennung;
        bool fits;
    } cases[] = {
        {"NSG", "DE-0001", true},  {"NSG", "", true},          {"NSG", "xyz", true},
        {"FFH", "DE-0001", true},  {"FFH", "de-0001", false},  {"FFH", "NSG-1", false},
        {"VSG", "DE-", true},      {"VSG", "DE", false},       {"LSG", "LSG-0801", true},
        {"LSG", "LS", false},      {"LSG", "lsg-0801", false}, {"LSG", "DE-0801", false},
        {"", "alles", true},       {"", "", true},             {"Biotop", "Biotop", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KennungFitsOKL(c.cls, c.kennung), c.fits) << c.cls << " / " << c.kennung;
}

TEST(TIDOfLine, ReadsTheNumberBeforeTheFirstMinus) {
    EXPECT_EQ(TIDOfLine("12 - Moorwiesen"), 12);
    EXPECT_EQ(TIDOfLine("7 - Nord - Süd"), 7);
    EXPECT_EQ(TIDOfLine(" 3 -"), 3);
    EXPECT_THROW(TIDOfLine("Moor - 12"), std::runtime_error);
    EXPECT_THROW(TIDOfLine(""), std::runtime_error);
}
