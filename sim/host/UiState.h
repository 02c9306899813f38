// The plug-in's windows as the scripted backend describes them.
#pragma once

#include <string>
#include <vector>

namespace sim {

struct ControlState {
    std::string name, kind, text, value, parent, font;
    std::string pictureSize;  // image: its size and the size shown, "W H shown W H"
    bool enabled = true, visible = true, isDefault = false, isCancel = false;
    int checked = -1, index = -1, modal = 0;
    std::vector<std::string> items;
};

struct FormState {
    int sequence = 0;
    std::string className, caption, cursor, font;
    int width = 0, height = 0;
    std::vector<ControlState> controls;
    const ControlState* Find(const std::string& name) const;
};

struct MessageState {
    std::string type, buttons, cursor;
    std::string text;  // lines joined with '\n'
};

// A document the plug-in showed: where it was written and what it says, line by line.
struct DocumentState {
    std::string title, path;
    std::vector<std::string> lines;
};

FormState ParseForm(const std::string& event);
DocumentState ParseDocument(const std::string& event);
MessageState ParseMessage(const std::string& event);

// Readable pictures of what the user sees (Windows-1252, like the texts).
std::string PictureOfForm(const FormState& form);
std::string PictureOfMessage(const MessageState& message);
// The German name the system's message boxes carry for a type.
std::string MessageCaption(const std::string& type);

}  // namespace sim
