// The photo scenarios that run the photo exchange: each file of the directory runs in this
// process, with the plug-in's exports linked in and the exchange functions as its actions.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "exchange/ExportFuncs.h"
#include "exchange/ImportFuncs.h"
#include "host/Scenario.h"
#include "host/Script.h"
#include "photos/DataModule.h"
#include "platform/ui/Channel.h"
#include "platform/ui/Cp1252.h"
#include "support/Session.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> ScenarioFiles() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(VE1_PHOTO_SCENARIOS))
        if (e.path().extension() == ".scn")
            names.push_back(e.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

// photo-export PREFIX DIR KENNUNG...  /  photo-import PREFIX DIR [PHOTODIR]
bool PhotoExchange(sim::Scenario& s, const sim::ScriptLine& l) {
    const std::string prefix = l.Word(1);
    const std::string dir = s.PathOf(l.Word(2));
    if (l.Command() == "photo-export") {
        std::vector<std::string> kennungen;
        for (size_t i = 3; i < l.Count(); ++i)
            kennungen.push_back(l.Word(i));
        ExportFotoTabelle(prefix, dir + "/", kennungen);
        return true;
    }
    if (l.Command() == "photo-import") {
        ImportFotos(prefix + "pc.dbf", l.Count() > 3 ? l.Word(3) : prefix + "_Fotos", dir);
        return true;
    }
    return false;
}

class PhotoScenarios : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(PhotoScenarios, Run) {
    testsupport::Session session;
    ui::SetResponder([](const std::string& event) { return std::string(fxSimUiEvent(event.c_str())); });
    sim::Scenario::SetExtension(PhotoExchange);
    const std::string file = (fs::path(VE1_PHOTO_SCENARIOS) / (GetParam() + ".scn")).string();
    sim::RunOptions options;
    options.quiet = true;
    bool ok = false;
    std::string transcript;
    {
        sim::Scenario scenario(sim::ReadScript(file), options);
        ok = scenario.Run();
        transcript = scenario.Transcript();
    }
    ReleaseFotoverwaltung();
    sim::Scenario::SetExtension(nullptr);
    EXPECT_TRUE(ok) << transcript;
}

INSTANTIATE_TEST_SUITE_P(Photos, PhotoScenarios, ::testing::ValuesIn(ScenarioFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });
