// Modeless windows of the plug-in in a scenario: the plug-in's scripted backend offers a
// function through which the stand-in reads such a window, acts on it and lets its timers run,
// while the script goes on acting on the map.
#include <ctime>
#include <sstream>
#include <stdexcept>

#include "Project.h"
#include "Scenario.h"

namespace sim {

namespace {

using Pump = const char* (*)(const char* request);
Pump gPump = nullptr;

std::string Ask(const std::string& request) {
    if (!gPump)
        throw std::runtime_error("the plug-in offers no access to its modeless windows");
    const char* answer = gPump(request.c_str());
    return answer ? std::string(answer) : std::string();
}

std::string Indented(const std::string& text) {
    std::istringstream in(text);
    std::string line, out;
    while (std::getline(in, line))
        out += "    " + line + "\n";
    if (!out.empty())
        out.pop_back();
    return out;
}

}  // namespace

std::string Scenario::OnShow(const std::string& event) {
    const FormState form = ParseForm(event);
    Say(Indented(PictureOfForm(form)));
    const ScriptLine* l = Peek();
    if (!l || l->Command() != "dialog") {
        Fail(l, "the dialog \"" + form.caption + "\" was shown, but the script does not expect it" +
                    (l ? " (it goes on with '" + l->raw + "')" : std::string(" (the script ends)")));
        return "ok";
    }
    ++next_;
    if (l->Word(1) != form.caption) {
        Fail(l, "the dialog shown is \"" + form.caption + "\", not \"" + l->Word(1) + "\"");
        return "ok";
    }
    modeless_[form.sequence] = form.caption;
    return "ok";
}

void Scenario::ModelessLine(const ScriptLine& l) {
    const std::string& c = l.Command();
    if (c == "dialog") {
        Fail(&l, "the dialog \"" + l.Word(1) + "\" was expected, but none was shown");
        return;
    }
    // The window shown last is the one the script talks to.
    const int seq = modeless_.rbegin()->first;
    const FormState form = ParseForm(Ask("describe " + std::to_string(seq)));
    if (form.sequence != seq) {
        Fail(&l, "the dialog \"" + modeless_.rbegin()->second + "\" cannot be read");
        return;
    }
    if (c == "show-dialog") {
        Say(Indented(PictureOfForm(form)));
        return;
    }
    if (c.rfind("expect-", 0) == 0) {
        CheckControl(l, form);
        return;
    }
    const std::string action = ActionFor(l, form);
    if (action.empty())
        return;
    Say("> " + l.raw.substr(l.raw.find_first_not_of(" \t")) + "   (" + form.caption + ")");
    lastAction_ = &l;
    const std::string refused = Ask("act " + std::to_string(seq) + " " + action);
    if (!refused.empty())
        Fail(&l, "the plug-in refused the action: " + refused);
}

std::string Scenario::HostPathOf(const std::string& word) const {
    if (word.empty() || word[0] == '/' || word[0] == '\\' || (word.size() > 1 && word[1] == ':'))
        return word;
    std::string path = word;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return TheProject().projectDir + "\\" + path;
}

std::string TodayValue() {
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);  // one thread: the shared result is safe
    return std::to_string(local.tm_year + 1900) + "-" + std::to_string(local.tm_mon + 1) + "-" +
           std::to_string(local.tm_mday);
}

void Scenario::Idle() {
    if (!failed_ && !modeless_.empty() && gPump)
        Ask("idle");
}

}  // namespace sim

extern "C" void fxSimUiSetPump(const char* (*pump)(const char* request)) { sim::gPump = pump; }
