#include "UiState.h"

#include <sstream>

namespace sim {

const ControlState* FormState::Find(const std::string& name) const {
    for (const auto& c : controls)
        if (c.name == name)
            return &c;
    return nullptr;
}

namespace {
void KeyValue(const std::string& line, std::string& key, std::string& value) {
    const size_t sp = line.find(' ');
    key = line.substr(0, sp);
    value = sp == std::string::npos ? std::string() : line.substr(sp + 1);
}
int ToInt(const std::string& s) {
    try {
        return std::stoi(s);
    } catch (...) {
        return 0;
    }
}
}  // namespace

FormState ParseForm(const std::string& event) {
    FormState f;
    std::istringstream in(event);
    std::string line, key, value;
    ControlState* c = nullptr;
    while (std::getline(in, line)) {
        KeyValue(line, key, value);
        if (key == "form") {
            std::istringstream v(value);
            v >> f.sequence >> f.className;
        } else if (key == "control") {
            f.controls.emplace_back();
            c = &f.controls.back();
            std::istringstream v(value);
            v >> c->name >> c->kind;
        } else if (!c) {
            if (key == "caption")
                f.caption = value;
            else if (key == "client") {
                std::istringstream v(value);
                v >> f.width >> f.height;
            } else if (key == "cursor")
                f.cursor = value;
            else if (key == "font")
                f.font = value;
        } else if (key == "text") {
            c->text = value;
        } else if (key == "enabled") {
            c->enabled = value == "1";
        } else if (key == "visible") {
            c->visible = value == "1";
        } else if (key == "item") {
            c->items.push_back(value);
        } else if (key == "index") {
            c->index = ToInt(value);
        } else if (key == "checked") {
            c->checked = ToInt(value);
        } else if (key == "value" || key == "picture") {
            c->value = value;
        } else if (key == "picturesize") {
            c->pictureSize = value;
        } else if (key == "default") {
            c->isDefault = true;
        } else if (key == "cancel") {
            c->isCancel = true;
        } else if (key == "modal") {
            c->modal = ToInt(value);
        } else if (key == "parent") {
            c->parent = value;
        } else if (key == "font") {
            c->font = value;
        }
    }
    return f;
}

DocumentState ParseDocument(const std::string& event) {
    DocumentState d;
    std::istringstream in(event);
    std::string line, key, value;
    while (std::getline(in, line)) {
        KeyValue(line, key, value);
        if (key == "title")
            d.title = value;
        else if (key == "path")
            d.path = value;
        else if (key == "line")
            d.lines.push_back(value);
    }
    return d;
}

MessageState ParseMessage(const std::string& event) {
    MessageState m;
    std::istringstream in(event);
    std::string line, key, value;
    bool first = true;
    while (std::getline(in, line)) {
        KeyValue(line, key, value);
        if (key == "message") {
            std::istringstream v(value);
            v >> m.type >> m.buttons;
        } else if (key == "cursor") {
            m.cursor = value;
        } else if (key == "line") {
            if (!first)
                m.text += '\n';
            m.text += value;
            first = false;
        }
    }
    return m;
}

std::string MessageCaption(const std::string& type) {
    if (type == "warning")
        return "Warnung";
    if (type == "error")
        return "Fehler";
    if (type == "information")
        return "Information";
    if (type == "confirmation")
        return "Bestätigen";
    return "Meldung";
}

std::string PictureOfForm(const FormState& form) {
    std::ostringstream out;
    out << "+-- Dialog \"" << form.caption << "\" (" << form.className << ", " << form.width << " x " << form.height
        << ")\n";
    for (const auto& c : form.controls) {
        if (!c.visible || c.kind == "timer")
            continue;
        out << "|  " << c.name << " (" << c.kind << ")";
        if (!c.text.empty() && c.kind != "spinedit")
            out << " \"" << c.text << "\"";
        if (!c.enabled)
            out << " [gesperrt]";
        if (c.kind == "listbox" || c.kind == "radiogroup" || c.kind == "memo") {
            out << ":";
            if (c.items.empty())
                out << " (leer)";
            for (size_t i = 0; i < c.items.size(); ++i)
                out << (i ? " | " : " ") << (static_cast<int>(i) == c.index ? "*" : "") << c.items[i];
        }
        if (c.kind == "checkbox" || c.kind == "radiobutton")
            out << (c.checked == 1 ? " [x]" : " [ ]");
        if (c.kind == "image") {
            // The file's name and the picture's size; its directory differs from run to run.
            const size_t slash = c.value.find_last_of("\\/");
            out << " = " << (c.value.empty() ? std::string("(kein Bild)") : c.value.substr(slash == std::string::npos ? 0 : slash + 1));
            std::istringstream size(c.pictureSize);
            std::string w, h, shown, sw, sh;
            if (size >> w >> h >> shown >> sw >> sh)
                out << " (" << w << " x " << h << ", gezeigt " << sw << " x " << sh << ")";
        } else if (!c.value.empty()) {
            out << " = " << c.value;
        }
        out << "\n";
    }
    out << "+--";
    return out.str();
}

std::string PictureOfMessage(const MessageState& m) {
    std::ostringstream out;
    out << "[" << MessageCaption(m.type) << "] " << m.text << (m.buttons == "yesno" ? "  (Ja / Nein)" : "  (OK)");
    return out.str();
}

}  // namespace sim
