#include "platform/ui/Scripted.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string_view>

#include "platform/os/Cursor.h"
#include "platform/os/Files.h"
#include "platform/ui/Channel.h"

namespace ui {

namespace {

// Event texts are line-based: a line break inside a text would start a new entry.
std::string OneLine(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\r')
            continue;
        out += c == '\n' ? ' ' : c;
    }
    return out;
}

const char* CursorName() { return os::CurrentCursor() == os::CursorShape::HourGlass ? "busy" : "normal"; }

const char* TypeName(MsgType type) {
    switch (type) {
    case MsgType::Warning: return "warning";
    case MsgType::Error: return "error";
    case MsgType::Information: return "information";
    case MsgType::Confirmation: return "confirmation";
    case MsgType::Plain: return "plain";
    }
    return "plain";
}

void Line(std::ostringstream& out, const char* key, const std::string& value) {
    out << key << ' ' << OneLine(value) << '\n';
}

std::string Word(std::istringstream& in) {
    std::string w;
    in >> w;
    return w;
}

std::string Rest(std::istringstream& in) {
    std::string rest;
    std::getline(in, rest);
    if (!rest.empty() && rest[0] == ' ')
        rest.erase(0, 1);
    return rest;
}

bool Usable(const Control& c) { return c.Enabled && c.Visible; }

// What the user sees of a control's text: a password edit shows one '*' per character.
std::string ShownText(const Control& c) {
    auto* e = dynamic_cast<const Edit*>(&c);
    return e && e->Password ? std::string(c.Caption.size(), '*') : c.Caption;
}

std::string ClickButton(Form& form, Button& b) {
    if (!Usable(b))
        return "button " + b.Name() + " is disabled";
    if (b.ModalResult != mrNone)
        form.ModalResult = b.ModalResult;
    if (b.OnClick)
        b.OnClick();
    return {};
}

}  // namespace

std::string DescribeForm(const Form& form, int sequence) {
    std::ostringstream out;
    out << "form " << sequence << ' ' << form.ClassName() << '\n';
    Line(out, "caption", form.Caption);
    out << "client " << form.ClientWidth << ' ' << form.ClientHeight << '\n';
    out << "font " << form.FormFont.name << ',' << form.FormFont.size << '\n';
    out << "cursor " << CursorName() << '\n';
    if (form.StayOnTop)
        out << "ontop 1\n";
    for (const auto& cp : form.Controls()) {
        const Control& c = *cp;
        out << "control " << c.Name() << ' ' << KindName(c.Kind()) << '\n';
        Line(out, "text", ShownText(c));
        out << "enabled " << (c.Enabled ? 1 : 0) << '\n';
        out << "visible " << (c.Visible ? 1 : 0) << '\n';
        if (!c.Parent.empty())
            out << "parent " << c.Parent << '\n';
        out << "font " << c.ControlFont.name << ',' << c.ControlFont.size << (c.ControlFont.bold ? ",bold" : "");
        if (c.ControlFont.height)
            out << ",height=" << c.ControlFont.height;
        out << '\n';
        if (c.Tag)
            out << "tag " << c.Tag << '\n';
        out << "bounds " << c.Left << ' ' << c.Top << ' ' << c.Width << ' ' << c.Height << '\n';
        if (auto* l = dynamic_cast<const Label*>(&c); l && l->Alignment != TextAlign::Left)
            out << "align " << (l->Alignment == TextAlign::Right ? "right" : "center") << '\n';
        if (auto* items = dynamic_cast<const ItemsControl*>(&c)) {
            for (const auto& item : items->Items())
                Line(out, "item", item);
            out << "index " << items->ItemIndex << '\n';
            if (auto* lb = dynamic_cast<const ListBox*>(&c))
                out << "sorted " << (lb->Sorted ? 1 : 0) << '\n';
        } else if (auto* b = dynamic_cast<const Button*>(&c)) {
            out << "modal " << b->ModalResult << '\n';
            if (b->Default)
                out << "default 1\n";
            if (b->Cancel)
                out << "cancel 1\n";
        } else if (auto* cb = dynamic_cast<const CheckBox*>(&c)) {
            out << "checked " << (cb->Checked ? 1 : 0) << '\n';
        } else if (auto* e = dynamic_cast<const Edit*>(&c)) {
            if (e->Password)
                out << "password 1\n";
            if (e->ReadOnly)
                out << "readonly 1\n";
        } else if (auto* rb = dynamic_cast<const RadioButton*>(&c)) {
            out << "checked " << (rb->Checked ? 1 : 0) << '\n';
        } else if (auto* m = dynamic_cast<const Memo*>(&c)) {
            for (const auto& l : m->Lines)
                Line(out, "item", l);
        } else if (auto* se = dynamic_cast<const SpinEdit*>(&c)) {
            Line(out, "value", se->Caption);
            out << "range " << se->MinValue << ' ' << se->MaxValue << '\n';
            if (se->MaxLength)
                out << "maxlength " << se->MaxLength << '\n';
        } else if (auto* d = dynamic_cast<const DatePicker*>(&c)) {
            out << "value " << d->Year << '-' << d->Month << '-' << d->Day << '\n';
        } else if (auto* img = dynamic_cast<const Image*>(&c)) {
            Line(out, "picture", img->PictureFile);
            if (img->HasPicture())
                out << "picturesize " << img->PictureWidth << ' ' << img->PictureHeight << " shown " << img->Shown.width
                    << ' ' << img->Shown.height << '\n';
        } else if (auto* t = dynamic_cast<const Timer*>(&c)) {
            out << "interval " << t->Interval << '\n';
        }
    }
    out << "end\n";
    return out.str();
}

std::string ApplyAction(Form& form, const std::string& action) {
    std::istringstream in(action);
    std::string verb = Word(in);
    if (verb == "close") {
        form.ModalResult = mrCancel;
        return {};
    }
    if (verb == "key") {
        std::string key = Word(in);
        for (const auto& cp : form.Controls()) {
            if (auto* b = dynamic_cast<Button*>(cp.get())) {
                if ((key == "enter" && b->Default) || (key == "esc" && b->Cancel))
                    return ClickButton(form, *b);
            }
        }
        if (key == "esc") {
            form.ModalResult = mrCancel;
            return {};
        }
        return "no button answers the key " + key;
    }
    std::string name = Word(in);
    Control* c = form.FindControl(name);
    if (!c)
        return "the form " + form.ClassName() + " has no control " + name;
    if (verb == "click") {
        if (auto* b = dynamic_cast<Button*>(c))
            return ClickButton(form, *b);
        if (!Usable(*c))
            return name + " is disabled";
        if (auto* cb = dynamic_cast<CheckBox*>(c))
            cb->Checked = !cb->Checked;
        if (auto* rb = dynamic_cast<RadioButton*>(c))
            rb->SetChecked(true);
        if (c->OnClick)
            c->OnClick();
        return {};
    }
    if (!Usable(*c))
        return name + " is disabled";
    if (verb == "select") {
        auto* items = dynamic_cast<ItemsControl*>(c);
        if (!items)
            return name + " has no items";
        int index = -2;
        in >> index;
        if (index < -1 || index >= items->Count())
            return name + " has no item " + std::to_string(index);
        items->ItemIndex = index;
        if (c->OnClick)
            c->OnClick();
        return {};
    }
    if (verb == "set") {
        std::string value = Rest(in);
        if (auto* se = dynamic_cast<SpinEdit*>(c)) {
            // What can be typed: digits (a leading minus), at most MaxLength of them.
            const size_t start = !value.empty() && value[0] == '-' ? 1 : 0;
            if (!value.empty() && (value.size() == start || value.find_first_not_of("0123456789", start) != std::string::npos))
                return "not a number: " + value;
            if (se->MaxLength > 0 && static_cast<int>(value.size()) > se->MaxLength)
                return name + " takes at most " + std::to_string(se->MaxLength) + " characters";
            se->Caption = value;
        } else if (auto* m = dynamic_cast<Memo*>(c)) {
            m->Lines.clear();
            std::istringstream lines(value);
            std::string l;
            while (std::getline(lines, l, '|'))
                m->Lines.push_back(l);
        } else if (auto* d = dynamic_cast<DatePicker*>(c)) {
            char dash1 = 0, dash2 = 0;
            std::istringstream v(value);
            int y = 0, mo = 0, da = 0;
            if (!(v >> y >> dash1 >> mo >> dash2 >> da) || dash1 != '-' || dash2 != '-')
                return "not a date (year-month-day): " + value;
            d->Year = y;
            d->Month = mo;
            d->Day = da;
        } else if (auto* e = dynamic_cast<Edit*>(c)) {
            if (e->ReadOnly)
                return name + " is read-only";
            c->Caption = value;
        } else {
            return name + " takes no text";
        }
        if (c->OnChange)
            c->OnChange();
        return {};
    }
    if (verb == "check") {
        int v = 0;
        in >> v;
        if (auto* cb = dynamic_cast<CheckBox*>(c))
            cb->Checked = v != 0;
        else if (auto* rb = dynamic_cast<RadioButton*>(c))
            rb->SetChecked(v != 0);
        else
            return name + " cannot be checked";
        if (c->OnClick)
            c->OnClick();
        return {};
    }
    if (verb == "timer") {
        auto* t = dynamic_cast<Timer*>(c);
        if (!t)
            return name + " is no timer";
        if (t->OnTimer)
            t->OnTimer();
        return {};
    }
    return "unknown action: " + action;
}

int ScriptedBackend::ShowModal(Form& form) {
    int seq = ++sequence_;
    form.ModalResult = mrNone;
    // Bounded so that a responder that never closes the form cannot hang the host.
    for (int step = 0; step < 10000 && form.ModalResult == mrNone; ++step) {
        std::string answer = AskResponder(DescribeForm(form, seq));
        if (answer.empty() || answer == "abort") {
            form.ModalResult = mrCancel;
            break;
        }
        std::string refused = ApplyAction(form, answer);
        if (!refused.empty()) {
            if (AskResponder("refused " + refused + "\n") == "abort")
                form.ModalResult = mrCancel;
        }
    }
    if (form.ModalResult == mrNone)
        form.ModalResult = mrCancel;
    AskResponder("closed " + std::to_string(seq) + " " + std::to_string(form.ModalResult) + "\n");
    return form.ModalResult;
}

namespace {
// The host asks the plug-in's backend about its modeless forms through this function.
const char* PumpEntry(const char* request) {
    static std::string answer;
    auto* backend = dynamic_cast<ScriptedBackend*>(&CurrentBackend());
    answer = backend && request ? backend->Pump(request) : std::string("no scripted backend");
    return answer.c_str();
}
}  // namespace

void ScriptedBackend::ShowModeless(Form& form) {
    const int seq = ++sequence_;
    modeless_.emplace_back(seq, &form);
    OfferPump(&PumpEntry);
    AskResponder("show\n" + DescribeForm(form, seq));
}

void ScriptedBackend::CloseModeless(Form& form) {
    auto it = std::find_if(modeless_.begin(), modeless_.end(), [&](const auto& m) { return m.second == &form; });
    if (it == modeless_.end())
        return;
    const int seq = it->first;
    modeless_.erase(it);
    AskResponder("hide " + form.ClassName() + " " + std::to_string(seq) + "\n");
}

Form* ScriptedBackend::Modeless(int sequence) const {
    for (const auto& [seq, form] : modeless_)
        if (seq == sequence)
            return form;
    return nullptr;
}

std::string ScriptedBackend::Pump(const std::string& request) {
    std::istringstream in(request);
    const std::string verb = Word(in);
    if (verb == "idle") {
        // Every running timer of every modeless form is due once.
        std::vector<std::pair<int, Form*>> forms = modeless_;
        for (const auto& [seq, form] : forms) {
            std::vector<Timer*> timers;
            for (const auto& c : form->Controls())
                if (auto* t = dynamic_cast<Timer*>(c.get()); t && t->Enabled && t->Interval > 0 && t->OnTimer)
                    timers.push_back(t);
            for (Timer* t : timers)
                if (Modeless(seq) == form && t->Enabled)
                    RunHandler(t->OnTimer);
        }
        return {};
    }
    int seq = 0;
    in >> seq;
    Form* form = Modeless(seq);
    if (!form)
        return "no modeless form " + std::to_string(seq) + " is open";
    if (verb == "describe")
        return DescribeForm(*form, seq);
    if (verb == "act") {
        const std::string action = Rest(in);
        if (action == "close") {
            RunHandler([form] { form->Close(); });
            return {};
        }
        std::string refused;
        RunHandler([&] { refused = ApplyAction(*form, action); });
        // A modal result closes nothing on a modeless form.
        if (Modeless(seq) == form)
            form->ModalResult = mrNone;
        return refused;
    }
    return "unknown request: " + request;
}

int ScriptedBackend::Message(const std::string& text, MsgType type, MsgButtons buttons) {
    // Appended, not streamed: a warning can come with every edit on the map.
    std::string out;
    out.reserve(48 + text.size() * 2);
    out.append("message ").append(TypeName(type)).append(buttons == MsgButtons::YesNo ? " yesno\n" : " ok\n");
    out.append("cursor ").append(CursorName()).append("\n");
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        std::string_view l(text.data() + start, end - start);
        if (!l.empty() && l.back() == '\r')
            l.remove_suffix(1);
        out.append("line ").append(l).append("\n");
        start = end + 1;
    }
    out.append("end\n");
    std::string answer = AskResponder(out);
    if (buttons == MsgButtons::YesNo)
        return answer == "yes" ? mrYes : mrNo;
    return mrOk;
}

bool ScriptedBackend::FileDialog(bool save, const FileDialogOptions& options, std::string& chosen) {
    std::ostringstream out;
    out << "filedialog " << (save ? "save" : "open") << '\n';
    Line(out, "title", options.title);
    Line(out, "filter", options.filter);
    Line(out, "dir", options.initialDir);
    Line(out, "name", options.fileName);
    Line(out, "ext", options.defaultExt);
    if (options.picturePreview)
        out << "preview 1\n";
    out << "end\n";
    std::string answer = AskResponder(out.str());
    if (answer.rfind("file ", 0) == 0) {
        chosen = answer.substr(5);
        return true;
    }
    return false;
}

void ScriptedBackend::ShowDocument(const DocumentView& document) {
    const char* chosen = std::getenv("VE1_REPORT_PDF");
    std::string path = chosen && *chosen ? std::string(chosen) : document.headlessDir;
    if (!(chosen && *chosen)) {
        if (!path.empty() && path.back() != '\\' && path.back() != '/')
            path += '\\';
        path += document.fileName;
    }
    document.write(path);
    std::ostringstream out;
    out << "document\n";
    Line(out, "title", document.title);
    Line(out, "path", os::NativePath(path));
    for (const auto& l : document.contents)
        Line(out, "line", l);
    out << "end\n";
    AskResponder(out.str());
}

}  // namespace ui
