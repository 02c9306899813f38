#include "support/Session.h"

#include <map>

#include "host/Environment.h"
#include "host/Plugin.h"
#include "host/Project.h"
#include "host/ProjectDatabase.h"
#include "platform/ui/Channel.h"
#include "platform/ui/Scripted.h"
#include "plugin/VE1TransAction.h"

namespace testsupport {

namespace {
std::map<std::string, sim::HookFn> LinkedHooks() {
    return {{"VE1CustomImport", &VE1CustomImport}, {"VE1CustomExport", &VE1CustomExport},
            {"MakeTransActionReport", &MakeTransActionReport}, {"BeforeLoadProject", &BeforeLoadProject},
            {"AfterLoadProject", &AfterLoadProject}, {"BeforeCloseProject", &BeforeCloseProject},
            {"BeforeCreateObject", &BeforeCreateObject}, {"InsertInTransActionList", &InsertInTransActionList},
            {"DeleteFromTransActionList", &DeleteFromTransActionList}, {"AfterEditObject", &AfterEditObject},
            {"GeometryChanged", &GeometryChanged}, {"OnTablePost", &OnTablePost}, {"CheckStatus", &CheckStatus},
            {"BeforeChangeKennung", &BeforeChangeKennung}, {"AfterChangeKennung", &AfterChangeKennung},
            {"UpdateKennungPreCorrection", &UpdateKennungPreCorrection}, {"SwitchKennung", &SwitchKennung},
            {"CreateListToAssign", &CreateListToAssign}, {"AssignToTransaction", &AssignToTransaction},
            {"ProcessFoto", &ProcessFoto}, {"CorrectHauptfoto", &CorrectHauptfoto},
            {"AfterFELDIXCommand", &AfterFELDIXCommand}};
}
}  // namespace

Session::Session() { Begin(); }

Session::Session(const std::filesystem::path& existing) : dir(existing) { Begin(); }

void Session::Begin() {
    sim::ResetProject();
    sim::Project& p = sim::TheProject();
    p.projectDir = dir.path().string();
    p.verfahrenDir = dir.path().string();
    p.projectDB = (dir.path() / "Projekt.db").string();
    sim::CreateProjectDatabase(p.projectDB);
    sim::SetEnvironment("VE1_REGISTRY_FILE", (dir.path() / "registry.ini").string());
    sim::ThePlugin().UseHooks("VE1TransAction.dll", LinkedHooks());
    ui::SetBackend(std::make_unique<ui::ScriptedBackend>());
    ui::SetResponder([this](const std::string& event) {
        events.push_back(event);
        if (event.rfind("closed", 0) == 0)
            return std::string("ok");
        if (answers.empty())
            return std::string("abort");
        std::string a = answers.front();
        answers.pop_front();
        return a;
    });
}

Session::~Session() {
    ui::SetResponder(nullptr);
    sim::ThePlugin().Unload();
    sim::ResetProject();
}

std::vector<std::string> Session::Messages() const {
    std::vector<std::string> out;
    for (const auto& e : events) {
        if (e.rfind("message", 0) != 0)
            continue;
        std::string text;
        size_t pos = 0;
        while ((pos = e.find("\nline ", pos)) != std::string::npos) {
            pos += 6;
            const size_t end = e.find('\n', pos);
            text += (text.empty() ? "" : "\n") + e.substr(pos, end - pos);
        }
        out.push_back(text);
    }
    return out;
}

std::string Session::ProjectDir() const { return dir.path().string(); }

std::string Session::Database() const { return (dir.path() / "Projekt.db").string(); }

std::string Session::File(const std::string& name) const { return (dir.path() / name).string(); }

}  // namespace testsupport
