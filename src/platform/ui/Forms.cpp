#include "platform/ui/Forms.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

#include "platform/ui/Cp1252.h"

namespace ui {

const char* KindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::Label: return "label";
    case ControlKind::Button: return "button";
    case ControlKind::Edit: return "edit";
    case ControlKind::Memo: return "memo";
    case ControlKind::CheckBox: return "checkbox";
    case ControlKind::RadioButton: return "radiobutton";
    case ControlKind::RadioGroup: return "radiogroup";
    case ControlKind::GroupBox: return "groupbox";
    case ControlKind::ListBox: return "listbox";
    case ControlKind::SpinEdit: return "spinedit";
    case ControlKind::DatePicker: return "datepicker";
    case ControlKind::Image: return "image";
    case ControlKind::Timer: return "timer";
    }
    return "control";
}

Control::Control(Form& owner, ControlKind kind, std::string name)
    : owner_(owner), kind_(kind), name_(std::move(name)) {
    ControlFont = owner.FormFont;
}

void Control::SetBounds(int left, int top, int width, int height) {
    Left = left;
    Top = top;
    Width = width;
    Height = height;
}

void RadioButton::SetChecked(bool checked) {
    Checked = checked;
    if (!checked)
        return;
    for (const auto& c : Owner().Controls())
        if (auto* other = dynamic_cast<RadioButton*>(c.get()); other && other != this && other->Parent == Parent)
            other->Checked = false;
}

int SpinEdit::Value() const {
    int value = 0;
    const char* first = Caption.data();
    const char* last = first + Caption.size();
    while (first != last && *first == ' ')
        ++first;
    if (first != last && *first == '+')
        ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || first == last || end != last)
        return MinValue;
    return value;
}

void SpinEdit::SetValue(int value) {
    if (MaxValue != MinValue)
        value = std::clamp(value, MinValue, MaxValue);
    Caption = std::to_string(value);
}

void Image::LoadFromFile(const std::string& path) {
    const JpegFile jpeg(path);
    int w = jpeg.Width(), h = jpeg.Height();
    if (Stretch && Proportional)
        FitInto(jpeg.Width(), jpeg.Height(), Width, Height, w, h);
    else if (Stretch)
        w = Width, h = Height;
    Shown = jpeg.Decode(w, h);
    PictureWidth = jpeg.Width();
    PictureHeight = jpeg.Height();
    PictureFile = path;
    ++Serial;
}

void Image::ClearPicture() {
    Shown = Bitmap{};
    PictureWidth = PictureHeight = 0;
    PictureFile.clear();
    ++Serial;
}

void RunHandler(const Handler& handler) {
    if (!handler)
        return;
    try {
        handler();
    } catch (const std::exception& e) {
        try {
            MessageDlg(e.what(), MsgType::Error);
        } catch (...) {
        }
    } catch (...) {
        try {
            MessageDlg("Unbekannter Fehler.", MsgType::Error);
        } catch (...) {
        }
    }
}

int ItemsControl::Add(const std::string& item) {
    items_.push_back(item);
    return Count() - 1;
}

void ItemsControl::Clear() {
    items_.clear();
    ItemIndex = -1;
}

const std::string& ItemsControl::Item(int index) const {
    if (index < 0 || index >= Count())
        throw std::out_of_range("Listenindex außerhalb des gültigen Bereichs (" + std::to_string(index) + ")");
    return items_[static_cast<size_t>(index)];
}

std::string ItemsControl::SelectedText() const {
    return ItemIndex >= 0 && ItemIndex < Count() ? items_[static_cast<size_t>(ItemIndex)] : std::string();
}

int ListBox::Add(const std::string& item) {
    if (!Sorted)
        return ItemsControl::Add(item);
    // Sorted list boxes keep their items in ascending order, ignoring letter case first.
    auto pos = std::upper_bound(items_.begin(), items_.end(), item,
                                [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    int index = static_cast<int>(pos - items_.begin());
    items_.insert(pos, item);
    if (ItemIndex >= index)
        ++ItemIndex;
    return index;
}

Form::Form(std::string className, std::string caption, int clientWidth, int clientHeight)
    : Caption(std::move(caption)), ClientWidth(clientWidth), ClientHeight(clientHeight),
      className_(std::move(className)) {}

Form::~Form() {
    if (showing_) {
        try {
            CurrentBackend().CloseModeless(*this);
        } catch (...) {
        }
    }
}

int Form::ShowModal() {
    ModalResult = mrNone;
    showing_ = true;
    struct Hide {
        bool& s;
        ~Hide() { s = false; }
    } hide{showing_};
    if (OnShow)
        OnShow();
    int result = CurrentBackend().ShowModal(*this);
    ModalResult = result;
    if (OnClose)
        OnClose();
    return result;
}

void Form::Show() {
    if (showing_)
        return;
    showing_ = true;
    if (OnShow)
        OnShow();
    CurrentBackend().ShowModeless(*this);
}

void Form::Close() {
    if (!showing_)
        return;
    if (OnClose)
        OnClose();
    showing_ = false;
    CurrentBackend().CloseModeless(*this);
}

Control* Form::FindControl(const std::string& name) const {
    for (const auto& c : controls_)
        if (c->Name() == name)
            return c.get();
    return nullptr;
}

namespace {
std::unique_ptr<Backend>& BackendSlot() {
    static std::unique_ptr<Backend> slot;
    return slot;
}
}  // namespace

std::unique_ptr<Backend> MakeDefaultBackend();

Backend& CurrentBackend() {
    auto& slot = BackendSlot();
    if (!slot)
        slot = MakeDefaultBackend();
    return *slot;
}

void SetBackend(std::unique_ptr<Backend> backend) { BackendSlot() = std::move(backend); }

int MessageDlg(const std::string& text, MsgType type, MsgButtons buttons) {
    return CurrentBackend().Message(text, type, buttons);
}

void ShowMessage(const std::string& text) { CurrentBackend().Message(text, MsgType::Plain, MsgButtons::Ok); }

bool OpenFileDialog(const FileDialogOptions& options, std::string& chosen) {
    return CurrentBackend().FileDialog(false, options, chosen);
}

bool SaveFileDialog(const FileDialogOptions& options, std::string& chosen) {
    return CurrentBackend().FileDialog(true, options, chosen);
}

void ShowDocument(const DocumentView& document) { CurrentBackend().ShowDocument(document); }

std::string Memo::Text() const {
    std::string text;
    for (size_t i = 0; i < Lines.size(); ++i)
        text += (i ? "\r\n" : "") + Lines[i];
    return text;
}

void Memo::SetText(const std::string& text) { Lines = LinesOf(text); }

std::vector<std::string> Memo::LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

}  // namespace ui
