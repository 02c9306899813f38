#include "platform/report/PdfWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/ui/Cp1252.h"
#include "support/PdfText.h"
#include "support/TempDir.h"

namespace {

using report::Alignment;
using report::Document;
using report::PlacedText;
using testsupport::PdfWord;

// The word of the given text on the page; fails the test when there is none.
const PdfWord* Word(const testsupport::PdfWords& words, int page, const std::string& utf8) {
    for (const auto& w : words.words)
        if (w.page == page && w.text == utf8)
            return &w;
    ADD_FAILURE() << "no word " << utf8 << " on page " << page;
    return nullptr;
}

std::string Utf8(const std::string& cp1252) { return ui::Cp1252ToUtf8(cp1252); }

TEST(ReportPdf, TextsAreReadBackAtTheirPlacesOnTheirPages) {
    testsupport::TempDir dir;
    Document doc;
    doc.pages.resize(2);
    doc.pages[0].texts.push_back({"b", "e1", "Prüfbericht", 12.1, 12.1, Alignment::Left, {"Arial", 14, true}});
    doc.pages[0].texts.push_back({"b", "e2", "links", 96.8, 150.0, Alignment::Left, {"Arial", 10, false}});
    doc.pages[0].texts.push_back({"b", "e3", "rechtsbündig:", 92.0, 150.0, Alignment::Right, {"Arial", 10, false}});
    doc.pages[1].texts.push_back({"b", "e4", "Zweite", 20.0, 280.0, Alignment::Left, {"Arial", 12, true}});
    const auto file = dir / "t.pdf";
    report::WritePdf(doc, file.string());

    const auto words = testsupport::ReadPdfWords(file.string());
    ASSERT_TRUE(words.ok) << "pdftotext could not read the file";
    EXPECT_EQ(words.pages, 2);
    if (auto* w = Word(words, 1, Utf8("Prüfbericht"))) {
        EXPECT_NEAR(w->xMin, 12.1, 0.5);
        EXPECT_NEAR(w->yMin, 12.1, 0.5);
        // 14 pt bold is taller than 10 pt
        EXPECT_NEAR(w->yMax - w->yMin, 14 * 25.4 / 72, 1.5);
    }
    if (auto* w = Word(words, 1, "links")) {
        EXPECT_NEAR(w->xMin, 96.8, 0.5);
        EXPECT_NEAR(w->yMin, 150.0, 0.5);
    }
    if (auto* w = Word(words, 1, Utf8("rechtsbündig:"))) {
        EXPECT_NEAR(w->xMax, 92.0, 0.5);
        EXPECT_NEAR(w->yMin, 150.0, 0.5);
        EXPECT_NEAR(w->xMax - w->xMin, report::TextWidth("rechtsbündig:", {"Arial", 10, false}), 0.5);
    }
    if (auto* w = Word(words, 2, "Zweite")) {
        EXPECT_NEAR(w->yMin, 280.0, 0.5);
    }
    for (const auto& w : words.words)
        EXPECT_TRUE(w.page == 2 ? w.text == "Zweite" : w.text != "Zweite");
}

TEST(ReportPdf, PagesAreA4Portrait) {
    Document doc;
    doc.pages.resize(1);
    const std::string pdf = report::RenderPdf(doc);
    ASSERT_EQ(pdf.rfind("%PDF-", 0), 0u);
    // 210 x 297 mm in points.
    EXPECT_NE(pdf.find("/MediaBox [ 0 0 595.27"), std::string::npos) << pdf.substr(0, 2000);
}

TEST(ReportPdf, BoldTextIsWiderThanRegular) {
    EXPECT_GT(report::TextWidth("Transaktionsnummer:", {"Arial", 12, true}),
              report::TextWidth("Transaktionsnummer:", {"Arial", 12, false}));
    // Helvetica's digits are 556/1000 em wide: ten of them at 10 pt.
    EXPECT_NEAR(report::TextWidth("0123456789", {"Arial", 10, false}), 10 * 5.56 * 25.4 / 72, 0.01);
}

TEST(ReportPdf, AFileThatCannotBeWrittenIsReportedWithItsName) {
    testsupport::TempDir dir;
    Document doc;
    doc.pages.resize(1);
    const std::string path = (dir / "fehlt" / "t.pdf").string();
    try {
        report::WritePdf(doc, path);
        FAIL() << "no error";
    } catch (const report::PdfError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
}

}  // namespace
