#include "platform/os/Process.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLine, BlanksSeparateAndRunsOfBlanksCountOnce)
{
    EXPECT_EQ(os::SplitCommandLine("prog a b"), (Args{"prog", "a", "b"}));
    EXPECT_EQ(os::SplitCommandLine("  prog \t a   b  "), (Args{"prog", "a", "b"}));
    EXPECT_EQ(os::SplitCommandLine(""), Args{});
    EXPECT_EQ(os::SplitCommandLine("   "), Args{});
}

TEST(SplitCommandLine, QuotesGroupBlanks)
{
    EXPECT_EQ(os::SplitCommandLine("\"C:\\Program Files\\x.exe\" a b"),
              (Args{"C:\\Program Files\\x.exe", "a", "b"}));
    EXPECT_EQ(os::SplitCommandLine("p a \"b c\" d"), (Args{"p", "a", "b c", "d"}));
    EXPECT_EQ(os::SplitCommandLine("p b\"c d\"e"), (Args{"p", "bc de"}));
    EXPECT_EQ(os::SplitCommandLine("p \"\" x"), (Args{"p", "", "x"}));
    EXPECT_EQ(os::SplitCommandLine("p \"open end"), (Args{"p", "open end"}));
}

TEST(SplitCommandLine, ProgramNameTakesBackslashesLiterally)
{
    EXPECT_EQ(os::SplitCommandLine("C:\\dir\\x.exe a"), (Args{"C:\\dir\\x.exe", "a"}));
    // In the program name a quote ends the name even after a backslash.
    EXPECT_EQ(os::SplitCommandLine("\"C:\\dir\\\" x"), (Args{"C:\\dir\\", "x"}));
}

TEST(SplitCommandLine, BackslashesEscapeOnlyBeforeAQuote)
{
    EXPECT_EQ(os::SplitCommandLine("p a\\\\b"), (Args{"p", "a\\\\b"}));
    EXPECT_EQ(os::SplitCommandLine("p \\\"b"), (Args{"p", "\"b"}));
    EXPECT_EQ(os::SplitCommandLine("p \\\\\"b c\""), (Args{"p", "\\b c"}));
    EXPECT_EQ(os::SplitCommandLine("p \\\\\\\"b"), (Args{"p", "\\\"b"}));
    EXPECT_EQ(os::SplitCommandLine("p \"C:\\dir\\\\\" next"), (Args{"p", "C:\\dir\\", "next"}));
    EXPECT_EQ(os::SplitCommandLine("p C:\\dir\\"), (Args{"p", "C:\\dir\\"}));
}

TEST(SplitCommandLine, DoubledQuoteInsideQuotesIsALiteralQuote)
{
    EXPECT_EQ(os::SplitCommandLine("p \"b\"\"c\""), (Args{"p", "b\"c"}));
    EXPECT_EQ(os::SplitCommandLine("p \"say \"\"hi\"\" now\""), (Args{"p", "say \"hi\" now"}));
}

TEST(QuoteArgument, ValuesWithBlankTabOrQuoteComeBackWholeOthersStayAsTheyAre)
{
    for (const std::string v : {"a b", "C:\\Daten\\Export Moorwiesen", "C:\\Daten\\Export Moorwiesen\\", "say \"hi\"",
                                "\"", "a\\\"b", "x\\\\ y\\\\", "tab\there", " ", "\\\\server\\share dir\\"}) {
        const std::string quoted = os::QuoteArgument(v);
        EXPECT_EQ(os::SplitCommandLine("p " + quoted + " -n x"), (Args{"p", v, "-n", "x"})) << quoted;
        EXPECT_EQ(quoted.front(), '"') << v;
    }
    for (const std::string v : {"geheim", "C:\\Export", "C:\\Export\\", "", "a\\b", "prüfer"})
        EXPECT_EQ(os::QuoteArgument(v), v);
}

}  // namespace
