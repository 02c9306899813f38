#include "Scenario.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include "Environment.h"
#include "HostActions.h"
#include "Plugin.h"
#include "Project.h"
#include "ProjectDatabase.h"
#include "RunProgram.h"
#include "SimTables.h"
#include "host/gisconst.h"
#include "platform/os/Files.h"
#include "platform/os/Mask.h"
#include "platform/os/Registry.h"
#include "platform/ui/Cp1252.h"

namespace sim {

namespace {

Scenario* gCurrent = nullptr;

bool IsUiLine(const std::string& c) {
    static const std::set<std::string> ui = {"dialog", "choose", "click", "type", "check", "press", "close-dialog",
                                             "timer", "message", "file-dialog", "expect-list", "expect-text",
                                             "expect-enabled", "expect-chosen", "expect-visible", "expect-checked",
                                             "expect-value", "expect-picture", "show-dialog", "document", "printed"};
    return ui.count(c) > 0;
}

bool IsControlCheck(const std::string& c) { return c.rfind("expect-", 0) == 0 && IsUiLine(c); }

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

bool YesNo(const ScriptLine& l, size_t i) {
    const std::string& w = l.Word(i);
    if (w == "yes")
        return true;
    if (w == "no")
        return false;
    throw std::runtime_error(l.Where() + ": say yes or no, not " + w);
}

std::string Join(const std::vector<std::string>& items) {
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i)
            out += ' ';
        out += Quote(items[i]);
    }
    return out.empty() ? "(none)" : out;
}

std::string Indent(const std::string& text, const std::string& prefix) {
    std::istringstream in(text);
    std::string line, out;
    while (std::getline(in, line))
        out += prefix + line + "\n";
    if (!out.empty())
        out.pop_back();
    return out;
}

}  // namespace

Scenario* Scenario::Current() { return gCurrent; }

Scenario::Scenario(std::vector<ScriptLine> lines, RunOptions options)
    : lines_(std::move(lines)), options_(std::move(options)) {
    scratch_ = MakeScratchDir();
    namespace fs = std::filesystem;
    projectDir_ = (fs::path(scratch_) / "Projekt").string();
    fs::create_directories(projectDir_);
    fs::create_directories(fs::path(scratch_) / "Verfahren");
    // Every run starts from the host's defaults, also after another run in this process.
    ResetProject();
    SetRenameHooks(RenameHooks::PreCorrection);
    SetKennungBufferSize(kDefaultKennungBufferSize);
    Project& p = TheProject();
    p.projectDir = projectDir_;
    p.verfahrenDir = (fs::path(scratch_) / "Verfahren").string();
    p.projectDB = (fs::path(projectDir_) / "Projekt.db").string();
    CreateProjectDatabase(p.projectDB);
    // Each run keeps its settings in a registry of its own.
    SetEnvironment("VE1_REGISTRY_FILE", (fs::path(scratch_) / "registry.ini").string());
}

Scenario::~Scenario() {
    if (gCurrent == this)
        gCurrent = nullptr;
    Plugin& plugin = ThePlugin();
    plugin.onCall = nullptr;
    plugin.onReturn = nullptr;
    SetHostLog(nullptr);
    if (!options_.keep)
        RemoveTree(scratch_);
}

void Scenario::Say(const std::string& text) { transcript_ += ui::Cp1252ToUtf8(text) + "\n"; }

void Scenario::Fail(const ScriptLine* line, const std::string& what) {
    if (failed_)
        return;
    failed_ = true;
    failure_ = (line ? line->Where() + ": " : (lines_.empty() ? std::string("scenario: ") : lines_.back().file + ": end: ")) +
               ui::Cp1252ToUtf8(what);
    transcript_ += "FAILED " + failure_ + "\n";
}

const ScriptLine* Scenario::Peek() const { return next_ < lines_.size() ? &lines_[next_] : nullptr; }

int32_t Scenario::Hook(const std::string& name, intptr_t a1, intptr_t a2, intptr_t a3) {
    lastResult_ = ThePlugin().Call(name, a1, a2, a3);
    return lastResult_;
}

bool Scenario::Run() {
    gCurrent = this;
    Plugin& plugin = ThePlugin();
    try {
        if (!options_.pluginPath.empty())
            plugin.Load(options_.pluginPath);
        if (!plugin.Loaded())
            throw std::runtime_error("no plug-in is loaded");
    } catch (const std::exception& e) {
        Fail(nullptr, e.what());
        return false;
    }
    plugin.onCall = [this](const std::string& name, intptr_t a1, intptr_t a2, intptr_t a3) {
        if (options_.showHooks)
            Say("    -> " + name + "(" + std::to_string(a1) + ", " + std::to_string(a2) + ", " + std::to_string(a3) + ")");
    };
    plugin.onReturn = [this](const std::string& name, int32_t result) {
        lastResult_ = result;
        if (options_.showHooks)
            Say("    <- " + name + " = " + std::to_string(result));
    };
    SetHostLog([this](const std::string& text) { Say("    " + text); });
    while (!failed_ && next_ < lines_.size()) {
        const ScriptLine& line = lines_[next_++];
        try {
            Execute(line);
            Idle();
        } catch (const std::exception& e) {
            std::string what = e.what();
            Fail(&line, what.rfind(line.Where(), 0) == 0 ? what.substr(line.Where().size() + 2) : what);
        }
    }
    if (!failed_ && !modeless_.empty())
        Fail(nullptr, "the dialog \"" + modeless_.rbegin()->second + "\" is still open at the end of the script");
    modeless_.clear();
    fxSimUiSetPump(nullptr);
    if (!options_.pluginPath.empty())
        plugin.Unload();
    gCurrent = nullptr;
    return !failed_;
}

void Scenario::Execute(const ScriptLine& line) {
    const std::string& c = line.Command();
    if (IsUiLine(c) && !modeless_.empty() && c != "message" && c != "document" && c != "printed") {
        ModelessLine(line);
        return;
    }
    if (IsUiLine(c)) {
        if (c == "dialog")
            Fail(&line, "the dialog " + Quote(line.Word(1)) + " was expected, but no dialog is open");
        else if (c == "message")
            Fail(&line, "the message " + Quote(line.Word(2)) + " was expected, but none was shown");
        else if (c == "document")
            Fail(&line, "the document " + Quote(line.Word(1)) + " was expected, but none was shown");
        else
            Fail(&line, "'" + c + "' answers a dialog, but no dialog is open");
        return;
    }
    if (c == "print") {
        Say("");
        Say("== " + line.Word(1));
        return;
    }
    if (c == "comment") {
        Say("   " + line.Word(1));
        return;
    }
    bool handled = false;
    Setup(line, handled);
    if (!handled)
        Tables(line, handled);
    if (!handled)
        Photos(line, handled);
    if (!handled)
        Exchange(line, handled);
    if (!handled)
        Check(line, handled);
    if (!handled) {
        Say("> " + line.raw.substr(line.raw.find_first_not_of(" \t")));
        Act(line, handled);
    }
    if (!handled)
        Fail(&line, "unknown action '" + c + "'");
}

void Scenario::Setup(const ScriptLine& l, bool& handled) {
    Project& p = TheProject();
    const std::string& c = l.Command();
    handled = true;
    if (c == "class") {
        p.classes[l.Int(1)] = l.Word(2);
    } else if (c == "current-class") {
        p.currentClass = l.Int(1);
    } else if (c == "object") {
        GeoObject o;
        o.id = l.Int(1);
        o.kennung = p.HostKennung(l.Word(2));
        o.classId = l.Count() > 3 ? l.Int(3) : p.currentClass;
        if (l.Count() > 5) {
            o.x = l.Number(4);
            o.y = l.Number(5);
        }
        p.objects[o.id] = o;
        p.ReserveIds(o.id);
    } else if (c == "select") {
        p.selection.clear();
        for (size_t i = 1; i < l.Count(); ++i) {
            if (!p.Find(l.Int(i)))
                throw std::runtime_error(l.Where() + ": no object " + l.Word(i));
            p.selection.push_back(l.Int(i));
        }
    } else if (c == "activate") {
        p.activeObject = l.Int(1);
    } else if (c == "cursor") {
        if (l.Word(1) == "none")
            p.cursor.reset();
        else
            p.cursor = std::make_pair(l.Number(1), l.Number(2));
    } else if (c == "fail") {
        const bool always = l.Count() > 3 && (l.Word(3) == "always" || (l.Count() > 4 && l.Word(4) == "always"));
        const bool raise = l.Count() > 3 && (l.Word(3) == "raise" || (l.Count() > 4 && l.Word(4) == "raise"));
        p.FailCall(l.Word(1), l.Int(2), always, raise ? FailMode::Raise : FailMode::Return);
    } else if (c == "rename-hooks") {
        SetRenameHooks(l.Word(1) == "direct" ? RenameHooks::Direct : RenameHooks::PreCorrection);
    } else if (c == "kennung-buffer") {
        SetKennungBufferSize(static_cast<uint16_t>(l.Int(1)));
    } else if (c == "registry") {
        // registry KEY SECTION NAME VALUE
        os::RegIniFile reg(l.Word(1));
        reg.WriteString(l.Word(2), l.Word(3), Resolved(l.Word(4)));
    } else if (c == "applicat-ini") {
        // applicat-ini SECTION KEY VALUE: a line of the host's applicat.ini
        std::ofstream ini(std::filesystem::path(p.verfahrenDir) / "applicat.ini", std::ios::app | std::ios::binary);
        ini << "[" << l.Word(1) << "]\r\n" << l.Word(2) << "=" << l.Word(3) << "\r\n";
    } else if (c == "set-kennung") {
        // the host changes an identifier on its own, without telling the plug-in
        GeoObject* o = p.Find(l.Int(1));
        if (!o)
            throw std::runtime_error(l.Where() + ": no object " + l.Word(1));
        o->kennung = p.HostKennung(l.Word(2));
    } else if (c == "file") {
        // file PATH TEXT: a file of that content (PATH as for every file line)
        const std::filesystem::path path = PathOf(l.Word(1));
        std::filesystem::create_directories(path.parent_path());
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f << l.Word(2);
    } else if (c == "run") {
        // run PROGRAM ARGS...: a program beside the host, waited for; it must end with 0
        std::vector<std::string> argv;
        for (size_t i = 1; i < l.Count(); ++i)
            argv.push_back(ui::Cp1252ToUtf8(Resolved(l.Word(i))));
        const int rc = RunProgram(argv);
        if (rc != 0)
            Fail(&l, l.Word(1) + " ended with " + std::to_string(rc));
    } else if (c == "expect-file-text") {
        // expect-file-text PATH "TEXT": the file holds exactly these bytes (Windows-1252)
        std::ifstream f(PathOf(l.Word(1)), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        if (!f.is_open())
            Fail(&l, "there is no file " + l.Word(1));
        else if (text != l.Word(2))
            Fail(&l, l.Word(1) + " holds " + Quote(text));
    } else if (c == "exchange-row") {
        // exchange-row PATH FIELD=VALUE...: a row of a checkout's object or identifier list
        const std::filesystem::path path = PathOf(l.Word(1));
        std::filesystem::create_directories(path.parent_path());
        SeedRow(path.parent_path().string() + "/", path.filename().string(), FieldsOf(l, 2));
    } else if (c == "host-table") {
        HostTable& t = p.tables[l.Word(1)];
        for (size_t i = 2; i < l.Count(); ++i)
            t.columns.push_back(l.Word(i));
    } else {
        handled = false;
    }
}

void Scenario::Act(const ScriptLine& l, bool& handled) {
    Project& p = TheProject();
    const std::string& c = l.Command();
    handled = true;
    lastAction_ = &l;
    if (c == "load") {
        Hook("BeforeLoadProject", 0, 0, 0);
        Hook("AfterLoadProject", 0, 0, 0);
    } else if (c == "close-project") {
        Hook("BeforeCloseProject", 0, 0, 0);
    } else if (c == "rename") {
        RenameObject(l.Int(1), l.Word(2));
    } else if (c == "create") {
        // create CLASS [KENNUNG] [at X Y]
        size_t i = 2;
        std::string proposed;
        if (l.Count() > 2 && l.Word(2) != "at") {
            proposed = l.Word(2);
            i = 3;
        }
        double x = 0, y = 0;
        if (l.Count() > i && l.Word(i) == "at") {
            x = l.Number(i + 1);
            y = l.Number(i + 2);
        }
        const int32_t cls = l.Int(1);
        p.currentClass = cls;
        const int32_t id = CreateObject(cls, fx_SinglePoint, proposed.empty() ? p.ProposeKennung() : proposed, x, y);
        lastResult_ = id;
    } else if (c == "delete") {
        DeleteObject(l.Int(1));
    } else if (c == "move") {
        lastResult_ = MoveObject(l.Int(1), l.Count() > 2 ? l.Number(2) : 0, l.Count() > 3 ? l.Number(3) : 0) ? -1 : 0;
    } else if (c == "edit") {
        EditObject(l.Int(1));
    } else if (c == "post") {
        PostTable(l.Word(1), l.Count() > 2 ? l.Int(2) : 1);
    } else if (c == "command") {
        Hook(l.Word(1), 0, 0, 0);
    } else if (c == "call") {
        intptr_t a[3] = {0, 0, 0};
        for (size_t i = 0; i < 3 && i + 2 < l.Count(); ++i) {
            const std::string& w = l.Word(i + 2);
            if (w.rfind("text:", 0) == 0) {
                buffers_.emplace_back(w.begin() + 5, w.end());
                buffers_.back().push_back('\0');
                a[i] = reinterpret_cast<intptr_t>(buffers_.back().data());
            } else {
                a[i] = static_cast<intptr_t>(std::stoll(w));
            }
        }
        Hook(l.Word(1), a[0], a[1], a[2]);
    } else if (c == "pick") {
        lastResult_ = FinishPendingCreation(l.Number(1), l.Number(2));
    } else if (c == "cancel-pick") {
        CancelPendingCreation();
    } else if (c == "photo-export" || c == "photo-import") {
        RunExtension(l);
    } else {
        handled = false;
        lastAction_ = nullptr;
    }
}

void Scenario::Check(const ScriptLine& l, bool& handled) {
    Project& p = TheProject();
    const std::string& c = l.Command();
    handled = true;
    if (c == "expect-result") {
        if (lastResult_ != l.Int(1))
            Fail(&l, "the result is " + std::to_string(lastResult_) + ", not " + l.Word(1));
    } else if (c == "expect-kennung") {
        const GeoObject* o = p.Find(l.Int(1));
        if (!o)
            Fail(&l, "there is no object " + l.Word(1));
        else if (o->kennung != l.Word(2))
            Fail(&l, "object " + l.Word(1) + " has the identifier " + Quote(o->kennung) + ", not " + Quote(l.Word(2)));
    } else if (c == "expect-object") {
        const bool exists = p.Find(l.Int(1)) != nullptr;
        const bool want = l.Word(2) == "exists";
        if (exists != want)
            Fail(&l, "object " + l.Word(1) + (exists ? " exists" : " does not exist"));
    } else if (c == "expect-objects") {
        if (static_cast<int>(p.objects.size()) != l.Int(1))
            Fail(&l, "the project has " + std::to_string(p.objects.size()) + " objects, not " + l.Word(1));
    } else if (c == "expect-selection") {
        std::vector<int32_t> want;
        for (size_t i = 1; i < l.Count(); ++i)
            want.push_back(l.Int(i));
        if (want != p.selection) {
            std::string got;
            for (int32_t id : p.selection)
                got += " " + std::to_string(id);
            Fail(&l, "the selection is" + (got.empty() ? std::string(" empty") : got));
        }
    } else if (c == "expect-active") {
        if (p.activeObject != l.Int(1))
            Fail(&l, "the active object is " + std::to_string(p.activeObject));
    } else if (c == "expect-redraws") {
        if (p.redraws != l.Int(1))
            Fail(&l, "the map was redrawn " + std::to_string(p.redraws) + " times, not " + l.Word(1));
    } else if (c == "expect-pending") {
        if (p.pending.has_value() != YesNo(l, 1))
            Fail(&l, p.pending ? "an object creation is waiting" : "no object creation is waiting");
    } else if (c == "expect-registry") {
        os::RegIniFile reg(l.Word(1));
        const std::string got = reg.ReadString(l.Word(2), l.Word(3), "<absent>");
        if (got != l.Word(4))
            Fail(&l, "the registry value " + l.Word(3) + " is " + Quote(got) + ", not " + Quote(l.Word(4)));
    } else if (c == "expect-host-calls") {
        if (p.CallCount(l.Word(1)) != l.Int(2))
            Fail(&l, l.Word(1) + " was called " + std::to_string(p.CallCount(l.Word(1))) + " times, not " + l.Word(2));
    } else {
        handled = false;
    }
}

Row FieldsOf(const ScriptLine& l, size_t from) {
    Row row;
    for (size_t i = from; i < l.Count(); ++i) {
        const std::string& w = l.Word(i);
        const size_t eq = w.find('=');
        if (eq == std::string::npos)
            throw std::runtime_error(l.Where() + ": expected FIELD=VALUE, not " + w);
        row[w.substr(0, eq)] = w.substr(eq + 1);
    }
    return row;
}

void Scenario::ExpectRow(const ScriptLine& l, const std::vector<Row>& rows, bool none, const char* item) {
    const Row want = FieldsOf(l, 2);
    const std::string& keyWord = l.Word(2);
    const std::string key = keyWord.substr(0, keyWord.find('='));
    const std::string keyValue = keyWord.substr(keyWord.find('=') + 1);
    const auto found = std::find_if(rows.begin(), rows.end(), [&](const Row& r) {
        const auto it = r.find(key);
        return it != r.end() && it->second == keyValue;
    });
    if (none) {
        if (found != rows.end())
            Fail(&l, l.Word(1) + " has a row with " + keyWord);
    } else if (found == rows.end()) {
        Fail(&l, l.Word(1) + " has no row with " + keyWord);
    } else {
        for (const auto& [f, v] : want) {
            const auto it = found->find(f);
            if (it == found->end())
                Fail(&l, l.Word(1) + " has no " + item + " " + f);
            else if (it->second != v)
                Fail(&l, l.Word(1) + " row " + keyWord + ": " + f + " is " + Quote(it->second) + ", not " + Quote(v));
        }
    }
}

void Scenario::Tables(const ScriptLine& l, bool& handled) {
    const std::string& c = l.Command();
    handled = true;
    if (c == "table") {
        // table FILE [FIELD=VALUE...]: a row of a transaction table, or the empty table
        if (l.Count() > 2)
            SeedRow(projectDir_, l.Word(1), FieldsOf(l, 2));
        else
            SeedTable(projectDir_, l.Word(1));
    } else if (c == "expect-row" || c == "expect-no-row") {
        // expect-row FILE KEYFIELD=VALUE [FIELD=VALUE...]: the first row with that key
        ExpectRow(l, TableExists(projectDir_, l.Word(1)) ? ReadRows(projectDir_, l.Word(1)) : std::vector<Row>{},
                  c == "expect-no-row", "field");
    } else if (c == "expect-rows") {
        const size_t n = TableExists(projectDir_, l.Word(1)) ? ReadRows(projectDir_, l.Word(1)).size() : 0;
        if (static_cast<int>(n) != l.Int(2))
            Fail(&l, l.Word(1) + " has " + std::to_string(n) + " rows, not " + l.Word(2));
    } else if (c == "expect-table") {
        const bool exists = TableExists(projectDir_, l.Word(1));
        if (exists != (l.Word(2) == "exists"))
            Fail(&l, l.Word(1) + (exists ? " exists" : " does not exist"));
    } else if (c == "show") {
        if (!TableExists(projectDir_, l.Word(1))) {
            Say("   " + l.Word(1) + ": (keine Tabelle)");
            return;
        }
        const auto names = FieldNames(projectDir_, l.Word(1));
        const auto rows = ReadRows(projectDir_, l.Word(1));
        Say("   " + l.Word(1) + " (" + std::to_string(rows.size()) + " Zeilen)");
        std::string head = "   ";
        for (const auto& n : names)
            head += " | " + n;
        Say(head);
        for (const auto& r : rows) {
            std::string line = "   ";
            for (const auto& n : names)
                line += " | " + r.at(n);
            Say(line);
        }
    } else {
        handled = false;
    }
}

std::string Scenario::OnUiEvent(const std::string& event) {
    if (failed_)
        return "abort";
    const std::string kind = event.substr(0, event.find_first_of(" \n"));
    try {
        if (kind == "form")
            return OnForm(event);
        if (kind == "message")
            return OnMessage(event);
        if (kind == "filedialog")
            return OnFileDialog(event);
        if (kind == "document")
            return OnDocument(event);
        if (kind == "closed") {
            std::istringstream in(event.substr(7));
            int seq = 0, result = 0;
            in >> seq >> result;
            openForms_.erase(seq);
            Say("    (Dialog geschlossen, Ergebnis " + std::to_string(result) + ")");
            return "ok";
        }
        if (kind == "refused") {
            Fail(lastAction_, "the plug-in refused the action: " + event.substr(8, event.size() - 9));
            return "abort";
        }
        if (kind == "show")
            return OnShow(event.substr(5));
        if (kind == "hide") {
            std::istringstream in(event.substr(5));
            std::string cls;
            int seq = 0;
            in >> cls >> seq;
            modeless_.erase(seq);
            return "ok";
        }
        Fail(Peek(), "the plug-in sent an event the stand-in does not know: " + kind);
    } catch (const std::exception& e) {
        Fail(Peek(), e.what());
    }
    return "abort";
}

std::string Scenario::OnForm(const std::string& event) {
    const FormState form = ParseForm(event);
    if (!openForms_.count(form.sequence)) {
        Say(Indent(PictureOfForm(form), "    "));
        const ScriptLine* l = Peek();
        if (!l || l->Command() != "dialog") {
            Fail(l, "the dialog " + Quote(form.caption) + " was shown, but the script does not expect it" +
                        (l ? " (it goes on with '" + l->raw + "')" : std::string(" (the script ends)")));
            return "abort";
        }
        ++next_;
        if (l->Word(1) != form.caption) {
            Fail(l, "the dialog shown is " + Quote(form.caption) + ", not " + Quote(l->Word(1)));
            return "abort";
        }
        if (form.cursor == "busy") {
            Fail(l, "the dialog " + Quote(form.caption) + " was shown with the busy cursor");
            return "abort";
        }
        openForms_.insert(form.sequence);
    }
    for (;;) {
        const ScriptLine* l = Peek();
        if (!l) {
            Fail(nullptr, "the dialog " + Quote(form.caption) + " waits for an answer, but the script ends");
            return "abort";
        }
        const std::string& c = l->Command();
        if (c == "print" || c == "comment") {
            ++next_;
            Execute(*l);
            continue;
        }
        if (IsControlCheck(c)) {
            ++next_;
            if (!CheckControl(*l, form))
                return "abort";
            continue;
        }
        if (!IsUiLine(c) || c == "dialog" || c == "message" || c == "file-dialog" || c == "document" ||
            c == "printed") {
            Fail(l, "the dialog " + Quote(form.caption) + " waits for an answer, but the script goes on with '" +
                        l->raw + "'");
            return "abort";
        }
        ++next_;
        const std::string action = ActionFor(*l, form);
        if (action.empty())
            return "abort";
        Say("    " + l->raw.substr(l->raw.find_first_not_of(" \t")));
        lastAction_ = l;
        return action;
    }
}

bool Scenario::CheckControl(const ScriptLine& l, const FormState& form) {
    const ControlState* c = form.Find(l.Word(1));
    if (!c) {
        Fail(&l, "the dialog " + Quote(form.caption) + " has no control " + l.Word(1));
        return false;
    }
    const std::string& cmd = l.Command();
    if (cmd == "expect-list") {
        std::vector<std::string> want(l.words.begin() + 2, l.words.end());
        if (want != c->items)
            Fail(&l, l.Word(1) + " lists " + Join(c->items) + ", not " + Join(want));
    } else if (cmd == "expect-text") {
        if (c->text != l.Word(2))
            Fail(&l, l.Word(1) + " shows " + Quote(c->text) + ", not " + Quote(l.Word(2)));
    } else if (cmd == "expect-enabled") {
        if (c->enabled != YesNo(l, 2))
            Fail(&l, l.Word(1) + (c->enabled ? " is enabled" : " is disabled"));
    } else if (cmd == "expect-visible") {
        if (c->visible != YesNo(l, 2))
            Fail(&l, l.Word(1) + (c->visible ? " is visible" : " is hidden"));
    } else if (cmd == "expect-checked") {
        if ((c->checked == 1) != YesNo(l, 2))
            Fail(&l, l.Word(1) + (c->checked == 1 ? " is checked" : " is not checked"));
    } else if (cmd == "expect-value") {
        if (c->value != (l.Word(2) == "today" && c->kind == "datepicker" ? TodayValue() : l.Word(2)))
            Fail(&l, l.Word(1) + " holds " + Quote(c->value) + ", not " + Quote(l.Word(2)));
    } else if (cmd == "expect-picture") {
        // expect-picture IMAGE "MASK" / none: the file the image shows
        const bool none = l.Word(2) == "none";
        if (none ? !c->value.empty() : !os::MatchMask(l.Word(2), c->value, false))
            Fail(&l, l.Word(1) + " shows " + (c->value.empty() ? std::string("no picture") : Quote(c->value)));
    } else if (cmd == "expect-chosen") {
        const std::string got = c->index >= 0 && c->index < static_cast<int>(c->items.size())
                                    ? c->items[static_cast<size_t>(c->index)]
                                    : std::string("none");
        const std::string& want = l.Word(2);
        const bool byIndex = !want.empty() && want[0] == '#';
        if (byIndex ? c->index != std::stoi(want.substr(1)) : got != want)
            Fail(&l, l.Word(1) + " has " + (got == "none" ? std::string("nothing") : Quote(got)) + " chosen");
    }
    return !failed_;
}

std::string Scenario::ActionFor(const ScriptLine& l, const FormState& form) {
    const std::string& c = l.Command();
    if (c == "close-dialog")
        return "close";
    if (c == "press")
        return "key " + l.Word(1);
    const ControlState* ctl = form.Find(l.Word(1));
    if (!ctl) {
        Fail(&l, "the dialog " + Quote(form.caption) + " has no control " + l.Word(1));
        return std::string();
    }
    if (c == "click")
        return "click " + ctl->name;
    if (c == "timer")
        return "timer " + ctl->name;
    if (c == "type")
        return "set " + ctl->name + " " + l.Word(2);
    if (c == "check")
        return "check " + ctl->name + (YesNo(l, 2) ? " 1" : " 0");
    if (c == "choose") {
        const std::string& w = l.Word(2);
        if (w == "none")
            return "select " + ctl->name + " -1";
        if (!w.empty() && w[0] == '#')
            return "select " + ctl->name + " " + w.substr(1);
        for (size_t i = 0; i < ctl->items.size(); ++i)
            if (ctl->items[i] == w)
                return "select " + ctl->name + " " + std::to_string(i);
        Fail(&l, ctl->name + " has no item " + Quote(w) + "; it lists " + Join(ctl->items));
        return std::string();
    }
    Fail(&l, "'" + c + "' is no action on a dialog");
    return std::string();
}

std::string Scenario::OnMessage(const std::string& event) {
    const MessageState m = ParseMessage(event);
    Say("    " + PictureOfMessage(m));
    const ScriptLine* l = Peek();
    if (!l || l->Command() != "message") {
        Fail(l, "the message " + Quote(m.text) + " was shown, but the script does not expect it" +
                    (l ? " (it goes on with '" + l->raw + "')" : std::string(" (the script ends)")));
        return "abort";
    }
    ++next_;
    if (l->Word(1) != m.type) {
        Fail(l, "the message is of type " + m.type + ", not " + l->Word(1));
        return "abort";
    }
    if (!os::MatchMask(l->Word(2), m.text, true)) {
        Fail(l, "the message says " + Quote(m.text) + ", not " + Quote(l->Word(2)));
        return "abort";
    }
    if (m.cursor == "busy") {
        Fail(l, "the message was shown with the busy cursor");
        return "abort";
    }
    if (m.buttons == "yesno") {
        if (l->Count() < 4) {
            Fail(l, "the message asks Yes or No: the script must say which");
            return "abort";
        }
        Say("    -> " + std::string(YesNo(*l, 3) ? "Ja" : "Nein"));
        return YesNo(*l, 3) ? "yes" : "no";
    }
    if (l->Count() > 3) {
        Fail(l, "the message has only OK: the script cannot answer " + l->Word(3));
        return "ok";
    }
    return "ok";
}

std::string Scenario::Resolved(const std::string& word) const {
    return word.size() > 1 && word[0] == '@' ? PathOf(word.substr(1)) : word;
}

std::string Scenario::OnFileDialog(const std::string& event) {
    std::istringstream in(event);
    std::string kind;
    in >> kind >> kind;
    const ScriptLine* l = Peek();
    Say("    [Datei " + std::string(kind == "save" ? "speichern" : "öffnen") + "]");
    if (!l || l->Command() != "file-dialog" || l->Word(1) != kind) {
        Fail(l, "a file " + kind + " dialog was shown, but the script does not answer it");
        return "abort";
    }
    ++next_;
    if (l->Word(2) == "cancel")
        return "cancel";
    return "file " + HostPathOf(l->Word(2));
}

std::string Scenario::OnDocument(const std::string& event) {
    const DocumentState d = ParseDocument(event);
    Say("    [Dokument \"" + d.title + "\": " + d.path + "]");
    for (const auto& line : d.lines)
        Say("    | " + line);
    const ScriptLine* l = Peek();
    if (!l || l->Command() != "document") {
        Fail(l, "the document " + Quote(d.title) + " was shown, but the script does not expect it" +
                    (l ? " (it goes on with '" + l->raw + "')" : std::string(" (the script ends)")));
        return "abort";
    }
    ++next_;
    if (l->Word(1) != d.title) {
        Fail(l, "the document shown is " + Quote(d.title) + ", not " + Quote(l->Word(1)));
        return "abort";
    }
    std::ifstream pdf(os::NativePath(d.path), std::ios::binary);
    char magic[5] = {};
    if (!pdf.read(magic, 5) || std::string(magic, 5) != "%PDF-") {
        Fail(l, "the document " + Quote(d.title) + " is no PDF file at " + d.path);
        return "abort";
    }
    // printed lines, if any, say every line of the document in order.
    size_t i = 0;
    bool checked = false;
    for (const ScriptLine* p = Peek(); p && p->Command() == "printed"; p = Peek()) {
        ++next_;
        checked = true;
        if (i >= d.lines.size()) {
            Fail(p, "the document ends before " + Quote(p->Word(1)));
            return "abort";
        }
        if (!os::MatchMask(p->Word(1), d.lines[i], true)) {
            Fail(p, "line " + std::to_string(i + 1) + " of the document is " + Quote(d.lines[i]) + ", not " +
                        Quote(p->Word(1)));
            return "abort";
        }
        ++i;
    }
    if (checked && i < d.lines.size()) {
        Fail(&lines_[next_ - 1], "the document goes on with " + Quote(d.lines[i]));
        return "abort";
    }
    return "ok";
}

int RunScenarioFile(const std::string& path, const RunOptions& options) {
    std::vector<ScriptLine> lines;
    try {
        lines = ReadScript(path);
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 2;
    }
    Scenario scenario(std::move(lines), options);
    const bool ok = scenario.Run();
    if (!options.quiet || !ok)
        std::cout << scenario.Transcript();
    if (!ok) {
        std::cerr << scenario.Failure() << "\n";
        return 1;
    }
    if (options.quiet)
        std::cout << "scenario " << std::filesystem::path(path).filename().string() << ": passed\n";
    return 0;
}

}  // namespace sim

extern "C" const char* fxSimUiEvent(const char* event) {
    static std::string answer;
    sim::Scenario* s = sim::Scenario::Current();
    answer = s && event ? s->OnUiEvent(event) : std::string("abort");
    return answer.c_str();
}

extern "C" int fxSimMain(int argc, char** argv) {
    sim::RunOptions options;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--plugin" && i + 1 < argc)
            options.pluginPath = argv[++i];
        else if (a == "--quiet")
            options.quiet = true;
        else if (a == "--keep")
            options.keep = true;
        else if (a == "--hooks")
            options.showHooks = true;
        else if (!a.empty() && a[0] == '-') {
            std::cerr << "unknown option " << a << "\n";
            return 2;
        } else
            files.push_back(a);
    }
    if (options.pluginPath.empty() || files.empty()) {
        std::cerr << "usage: fxsim --plugin PLUGIN [--quiet] [--keep] [--hooks] SCENARIO...\n";
        return 2;
    }
    int rc = 0;
    for (const auto& f : files) {
        const int r = sim::RunScenarioFile(f, options);
        if (r != 0)
            rc = r;
    }
    return rc;
}
