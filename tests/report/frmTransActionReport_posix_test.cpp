// The printed check report read back from its PDF: every element where the layout puts it.
#include <gtest/gtest.h>

#include <map>

#include "host/SimTables.h"
#include "platform/report/PdfWriter.h"
#include "platform/ui/Cp1252.h"
#include "report/frmTransActionReport.h"
#include "support/PdfText.h"
#include "support/Session.h"

namespace {

using testsupport::PdfWord;
using testsupport::PdfWords;
using testsupport::Session;

constexpr double kTolerance = 0.5;  // mm
constexpr double kMargin = 10.0;

// Where the layout puts an element: its band's top on the page plus the element's offsets.
struct Expected {
    std::string text;  // cp1252, one word
    double edge;       // left edge, or right edge when right
    double top;
    bool right = false;
};

std::string Utf8(const std::string& s) { return ui::Cp1252ToUtf8(s); }

// The words of a page whose top is within the tolerance of the line's top.
std::vector<PdfWord> Line(const PdfWords& words, int page, double top) {
    std::vector<PdfWord> line;
    for (const auto& w : words.words)
        if (w.page == page && std::abs(w.yMin - top) < kTolerance)
            line.push_back(w);
    return line;
}

void ExpectAt(const PdfWords& words, int page, const Expected& e) {
    const std::string text = Utf8(e.text);
    for (const auto& w : words.words) {
        if (w.page != page || w.text != text || std::abs(w.yMin - e.top) >= kTolerance)
            continue;
        const double x = e.right ? w.xMax : w.xMin;
        if (std::abs(x - e.edge) < kTolerance)
            return;
    }
    std::string seen;
    for (const auto& w : words.words)
        if (w.page == page && w.text == text)
            seen += " (" + std::to_string(w.xMin) + ".." + std::to_string(w.xMax) + ", " + std::to_string(w.yMin) + ")";
    ADD_FAILURE() << "page " << page << ": " << text << (e.right ? " ending at " : " starting at ") << e.edge
                  << " mm, top " << e.top << " mm; found at" << (seen.empty() ? " nowhere" : seen);
}

class ReportPdfLayout : public ::testing::Test {
protected:
    void SetUp() override {
        sim::SeedRow(s.ProjectDir(), "TA_ID.DBF", {{"TID", "4711"}, {"NAME", "Moorwiesen"}, {"OWNER", "Kreis"}});
        sim::SeedRow(s.ProjectDir(), "TA_ID.DBF", {{"TID", "815"}, {"NAME", "Auenwald"}, {"OWNER", "Süd"}});
        auto row = [&](const char* tid, const std::string& k, const char* state, const char* changed) {
            sim::SeedRow(s.ProjectDir(), "TA_LIST.DBF",
                         {{"TID", tid}, {"SCHREIBEND", state}, {"KENNUNG", k}, {"CHANGED", changed}});
        };
        row("4711", "NEU-1", "2", "NEW");
        row("4711", "NEU-2", "2", "NEW");
        row("4711", "WEG-1", "3", "DELETE");
        row("4711", "AND-1", "1", "UPDATE");
        // Enough for a third page: 80 lines of 6.3 mm after the first transaction.
        for (int i = 0; i < 80; ++i)
            row("815", "NEU-8" + std::to_string(i), "2", "NEW");
        row("815", "AND-8", "1", "UPDATE");
        TFormTransActionReport form;
        form.QuickRep1.DateText = "24.12.2025";
        const std::string pdf = (s.dir / "bericht.pdf").string();
        report::WritePdf(form.PrepareReport(), pdf);
        words = testsupport::ReadPdfWords(pdf);
        ASSERT_TRUE(words.ok) << "pdftotext could not read " << pdf;
    }
    Session s;
    PdfWords words;
};

TEST_F(ReportPdfLayout, TitleDetailAndListBandsOfTheFirstPage) {
    const double title = kMargin, detail = title + 19.8, lines = detail + 23.5;
    const Expected first[] = {
        {"ZARK-Transaktions-Prüfbericht", kMargin + 2.1, title + 2.1},
        {"Datum:", kMargin + 2.1, title + 10.6},
        {"Transaktionsnummer:", kMargin + 8.5, detail + 4.5},
        {"4711", kMargin + 57.1, detail + 4.5},
        {"Name:", kMargin + 8.5, detail + 10.8},
        {"Moorwiesen", kMargin + 57.1, detail + 10.8},
        {"Gebietsbetreuer:", kMargin + 8.5, detail + 17.2},
        {"Kreis", kMargin + 57.1, detail + 17.2},
        {"Objekte:", kMargin + 82.0, lines + 1.6, true},
        {"NEU-1", kMargin + 86.8, lines + 1.6},
        {"NEU-2", kMargin + 86.8, lines + 6.3 + 1.6},
        {"Objekte:", kMargin + 82.0, lines + 2 * 6.3 + 1.6, true},
        {"WEG-1", kMargin + 86.8, lines + 2 * 6.3 + 1.6},
        {"Objekte:", kMargin + 82.0, lines + 3 * 6.3 + 1.6, true},
        {"AND-1", kMargin + 86.8, lines + 3 * 6.3 + 1.6},
        {"Transaktionsnummer:", kMargin + 8.5, lines + 4 * 6.3 + 4.5},
        {"815", kMargin + 57.1, lines + 4 * 6.3 + 4.5},
        {"Süd", kMargin + 57.1, lines + 4 * 6.3 + 17.2},
    };
    for (const auto& e : first)
        ExpectAt(words, 1, e);
    ExpectAt(words, 1, {"24.12.2025", kMargin + 2.1 + report::TextWidth("Datum: ", {}), title + 10.6});
    // The headings of the three lists, each on its first line.
    EXPECT_EQ(Line(words, 1, lines + 1.6).at(0).text, "neue");
    EXPECT_EQ(Line(words, 1, lines + 6.3 + 1.6).size(), 1u);
    EXPECT_EQ(Line(words, 1, lines + 2 * 6.3 + 1.6).at(0).text, Utf8("gelöschte"));
    EXPECT_EQ(Line(words, 1, lines + 3 * 6.3 + 1.6).at(0).text, Utf8("geänderte"));
}

TEST_F(ReportPdfLayout, FontsOfTheBands) {
    // Bold 12 pt in the detail band, bold 14 pt in the title, regular 10 pt in the lists.
    auto width = [&](const std::string& text) {
        for (const auto& w : words.words)
            if (w.page == 1 && w.text == Utf8(text))
                return w.xMax - w.xMin;
        return -1.0;
    };
    EXPECT_NEAR(width("Transaktionsnummer:"), report::TextWidth("Transaktionsnummer:", {"Arial", 12, true}), 0.3);
    EXPECT_NEAR(width("ZARK-Transaktions-Prüfbericht"),
                report::TextWidth("ZARK-Transaktions-Prüfbericht", {"Arial", 14, true}), 0.3);
    EXPECT_NEAR(width("NEU-1"), report::TextWidth("NEU-1", {"Arial", 10, false}), 0.3);
    EXPECT_NEAR(width("Datum:"), report::TextWidth("Datum:", {"Arial", 10, false}), 0.3);
}

TEST_F(ReportPdfLayout, EveryPageEndsWithItsFooterAndNumber) {
    ASSERT_EQ(words.pages, 3);
    const double footer = 297.0 - kMargin - 10.6 + 4.2;
    for (int page = 1; page <= words.pages; ++page) {
        ExpectAt(words, page, {"Prüfbericht", kMargin + 2.1, footer});
        ExpectAt(words, page, {std::to_string(page), kMargin + 178.1, footer, true});
        ExpectAt(words, page, {"-", kMargin + 177.8 + report::TextWidth(" ", {}), footer});
        std::vector<std::string> texts;
        for (const auto& w : Line(words, page, footer))
            texts.push_back(w.text);
        const std::vector<std::string> want = {Utf8("Prüfbericht"), "vom", "24.12.2025", "-", std::to_string(page), "-"};
        EXPECT_EQ(texts, want) << "page " << page;
        // Nothing else reaches into the footer band.
        for (const auto& w : words.words) {
            if (w.page == page && w.yMin < footer - 4.2 - kTolerance) {
                EXPECT_LT(w.yMax, 297.0 - kMargin - 10.6 + kTolerance) << w.text;
            }
        }
    }
}

TEST_F(ReportPdfLayout, AListGoesOnAtTheTopOfTheNextPageWithoutItsHeading) {
    // Page 1: 277 - 10.6 = 266.4 mm; title, two details and 4 lines take 19.8 + 47 + 25.2;
    // 27 lines fit below them, and NEU-827 starts page 2 at the top margin.
    ExpectAt(words, 1, {"NEU-826", kMargin + 86.8, kMargin + 19.8 + 47.0 + 4 * 6.3 + 26 * 6.3 + 1.6});
    ExpectAt(words, 2, {"NEU-827", kMargin + 86.8, kMargin + 1.6});
    int headings = 0;
    for (const auto& w : words.words)
        headings += w.text == "neue";
    EXPECT_EQ(headings, 2);
    // The changed list of 815 starts with its heading on page 3 after the last new one.
    int changedOnPage3 = 0;
    for (const auto& w : words.words)
        changedOnPage3 += w.text == "AND-8" && w.page == 3;
    EXPECT_EQ(changedOnPage3, 1);
}

}  // namespace
