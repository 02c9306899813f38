#include <gtest/gtest.h>

#include "dialogs/KennungsTools.h"

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
