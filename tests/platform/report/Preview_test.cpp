#include "platform/report/Preview.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/Environment.h"
#include "platform/os/Files.h"
#include "platform/ui/Channel.h"
#include "platform/ui/Scripted.h"
#include "support/TempDir.h"

namespace {

// A one-band report shown through the scripted backend; the events it sent are kept.
struct ScriptedPreview {
    std::vector<std::string> events;
    report::Report r{"R"};
    ScriptedPreview() {
        ui::SetBackend(std::make_unique<ui::ScriptedBackend>());
        ui::SetResponder([this](const std::string& e) {
            events.push_back(e);
            return std::string("ok");
        });
        r.AddBand("Titel", report::BandKind::Title, 10).Add("T", report::ElementKind::Label, 0, 0, {}).Caption = "Hallo";
        r.DateText = "01.01.2026";
    }
    ~ScriptedPreview() {
        ui::SetResponder(nullptr);
        sim::SetEnvironment("VE1_REPORT_PDF", "");
    }
};

std::string Head(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    char magic[5] = {};
    in.read(magic, 5);
    return std::string(magic, static_cast<size_t>(in.gcount()));
}

TEST(ReportPreview, HeadlessRunsWriteTheFileIntoTheGivenDirectoryAndReportPathAndContents) {
    testsupport::TempDir dir;
    ScriptedPreview p;
    sim::SetEnvironment("VE1_REPORT_PDF", "");
    report::Preview(p.r, "Prüfbericht", dir.Win() + "\\");
    EXPECT_EQ(Head(dir / "Prüfbericht.pdf"), "%PDF-");
    ASSERT_EQ(p.events.size(), 1u);
    const std::string want = "document\ntitle Prüfbericht\npath " + os::NativePath(dir.Win("Prüfbericht.pdf")) +
                             "\nline 1 Titel: Hallo\nend\n";
    EXPECT_EQ(p.events[0], want);
}

TEST(ReportPreview, TheEnvironmentNamesTheFile) {
    testsupport::TempDir dir;
    ScriptedPreview p;
    const auto target = dir / "anders.pdf";
    sim::SetEnvironment("VE1_REPORT_PDF", target.string());
    report::Preview(p.r, "Prüfbericht", dir.Win());
    EXPECT_EQ(Head(target), "%PDF-");
    EXPECT_FALSE(std::filesystem::exists(dir / "Prüfbericht.pdf"));
    ASSERT_EQ(p.events.size(), 1u);
    EXPECT_NE(p.events[0].find("path " + os::NativePath(target.string()) + "\n"), std::string::npos) << p.events[0];
}

}  // namespace
