#include "platform/report/Report.h"
#include "platform/report/ShortDate.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using report::Alignment;
using report::BandKind;
using report::ElementKind;

// Records of (field -> text), walked in order.
class VectorData : public report::DataSet {
public:
    std::vector<std::map<std::string, std::string>> rows;
    void First() override { i_ = 0; }
    bool Eof() override { return i_ >= rows.size(); }
    void Next() override { ++i_; }
    std::string FieldText(const std::string& field) override { return rows.at(i_).at(field); }

private:
    size_t i_ = 0;
};

// A report like a check list: title, one detail per record with its name, a string band of
// entries with a heading on the first line only, a footer with the page number.
struct ListReport {
    report::Report r{"QuickRep1"};
    VectorData data;
    std::map<std::string, std::vector<std::string>> entries;  // by record name
    report::Band& title = r.AddBand("Titel", BandKind::Title, 20);
    report::Band& detail = r.AddBand("Detail", BandKind::Detail, 25);
    report::Band& list = r.AddBand("Liste", BandKind::Strings, 10);
    report::Band& footer = r.AddBand("Fuss", BandKind::PageFooter, 10);
    report::Element& heading = list.Add("Heading", ElementKind::Label, 72, 1.6, {}, Alignment::Right);
    report::Element& entry = list.Add("Entry", ElementKind::Label, 76.8, 1.6, {});
    int detailEvents = 0;

    ListReport() {
        r.Data = &data;
        r.DateText = "24.12.2025";
        title.Add("T", ElementKind::Label, 2.1, 2.1, {"Arial", 14, true}).Caption = "Titel";
        title.Add("D", ElementKind::SysDate, 2.1, 10.6, {}).Caption = "Datum: ";
        detail.Add("Name", ElementKind::DBText, 57.1, 4.5, {}).DataField = "NAME";
        footer.Add("Page", ElementKind::SysPageNumber, 178.1, 4.2, {}, Alignment::Right).Caption = "- ";
        footer.Add("Dash", ElementKind::Label, 177.8, 4.2, {}).Caption = " -";
        detail.BeforePrint = [this] {
            ++detailEvents;
            list.Items = entries[data.FieldText("NAME")];
            heading.Caption = "Liste:";
        };
        list.BeforePrint = [this] { entry.Caption = list.Item(); };
        list.AfterPrint = [this] { heading.Caption.clear(); };
    }
    void Add(const std::string& name, std::vector<std::string> items) {
        data.rows.push_back({{"NAME", name}});
        entries[name] = std::move(items);
    }
};

TEST(ReportLayout, BandsFollowEachOtherWithTheirEventsAndHeadingsOnTheFirstLineOnly) {
    ListReport t;
    t.Add("A", {"a1", "a2"});
    t.Add("B", {});
    t.Add("C", {"c1"});
    const report::Document doc = t.r.Prepare();
    const std::vector<std::string> want = {
        "1 Titel: Titel | Datum: 24.12.2025",
        "1 Detail: A",
        "1 Liste: Liste: | a1",
        "1 Liste: a2",
        "1 Detail: B",
        "1 Detail: C",
        "1 Liste: Liste: | c1",
        "1 Fuss: - 1 |  -",
    };
    EXPECT_EQ(doc.Describe(), want);
    EXPECT_EQ(t.detailEvents, 3);
    ASSERT_EQ(doc.pages.size(), 1u);
    // Places: margin plus band top plus element top; bands stack by their heights.
    std::map<std::string, report::PlacedText> first;
    for (const auto& p : doc.pages[0].texts)
        first.try_emplace(p.text, p);
    EXPECT_DOUBLE_EQ(first.at("Titel").x, 12.1);
    EXPECT_DOUBLE_EQ(first.at("Titel").y, 12.1);
    EXPECT_DOUBLE_EQ(first.at("Datum: 24.12.2025").y, 20.6);
    EXPECT_DOUBLE_EQ(first.at("A").x, 67.1);
    EXPECT_DOUBLE_EQ(first.at("A").y, 10 + 20 + 4.5);
    EXPECT_DOUBLE_EQ(first.at("a1").y, 10 + 20 + 25 + 1.6);
    EXPECT_DOUBLE_EQ(first.at("a2").y, 10 + 20 + 25 + 10 + 1.6);
    EXPECT_DOUBLE_EQ(first.at("B").y, 10 + 20 + 25 + 20 + 4.5);
    EXPECT_EQ(first.at("Liste:").align, Alignment::Right);
    EXPECT_DOUBLE_EQ(first.at("Liste:").x, 82.0);
    // The footer sits at the bottom of the page, above the margin.
    EXPECT_DOUBLE_EQ(first.at("- 1").y, 297 - 10 - 10 + 4.2);
    EXPECT_EQ(first.at("Titel").font.size, 14);
    EXPECT_TRUE(first.at("Titel").font.bold);
}

TEST(ReportLayout, ABandThatDoesNotFitGoesToTheNextPageAndEveryPageHasItsFooter) {
    ListReport t;
    std::vector<std::string> many;
    for (int i = 0; i < 60; ++i)
        many.push_back("k" + std::to_string(i));
    t.Add("A", many);
    const report::Document doc = t.r.Prepare();
    // Page 1 holds 287 - 10 (footer) - 10 = 267 mm: title 20, detail 25, then 22 lines of 10.
    ASSERT_EQ(doc.pages.size(), 3u);
    std::map<int, std::vector<std::string>> footers;
    int linesOnFirst = 0;
    for (const auto& b : doc.bands) {
        if (b.band == "Fuss")
            footers[b.page] = b.texts;
        if (b.band == "Liste" && b.page == 1)
            ++linesOnFirst;
    }
    EXPECT_EQ(linesOnFirst, 22);
    EXPECT_EQ(footers[1], (std::vector<std::string>{"- 1", " -"}));
    EXPECT_EQ(footers[2], (std::vector<std::string>{"- 2", " -"}));
    EXPECT_EQ(footers[3], (std::vector<std::string>{"- 3", " -"}));
    EXPECT_EQ(doc.bands.back().band, "Fuss");
    // The first line of page 2 starts at the top margin; nothing reaches into the footer.
    for (const auto& p : doc.pages[1].texts) {
        if (p.text == "k22") {
            EXPECT_DOUBLE_EQ(p.y, 10 + 1.6);
        }
        if (p.band == "Liste") {
            EXPECT_LE(p.y - 1.6 + 10, 297 - 10 - 10 + 1e-9);
        }
    }
}

TEST(ReportLayout, AnEmptyDataSetStillGivesAPageWithTitleAndFooter) {
    ListReport t;
    const report::Document doc = t.r.Prepare();
    ASSERT_EQ(doc.pages.size(), 1u);
    const std::vector<std::string> want = {"1 Titel: Titel | Datum: 24.12.2025", "1 Fuss: - 1 |  -"};
    EXPECT_EQ(doc.Describe(), want);
    EXPECT_EQ(t.detailEvents, 0);
}

TEST(ReportLayout, EveryRunStartsAgainAtPageOneAfterTheReportsOwnEvent) {
    ListReport t;
    t.Add("A", {"a1"});
    std::vector<std::string> order;
    t.r.BeforePrint = [&] { order.push_back("report " + std::to_string(t.detailEvents)); };
    t.r.Prepare();
    EXPECT_EQ(order, std::vector<std::string>{"report 0"});
    const report::Document again = t.r.Prepare();
    EXPECT_EQ(again.bands.front().page, 1);
    EXPECT_EQ(again.Describe().back(), "1 Fuss: - 1 |  -");
    EXPECT_EQ(again.Describe()[2], "1 Liste: Liste: | a1");
    EXPECT_EQ(t.r.PageNumber(), 0);
}

TEST(ReportLayout, TodayIsPrintedWhenNoDateIsGiven) {
    ListReport t;
    t.r.DateText.clear();
    const report::Document doc = t.r.Prepare();
    EXPECT_EQ(doc.bands.front().texts.at(1), "Datum: " + report::ShortDateText(report::Today()));
}

}  // namespace
