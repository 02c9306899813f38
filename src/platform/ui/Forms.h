// The form and control model that the system's dialogs are built from, shown by a backend.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Dialogs.h"
#include "platform/ui/Picture.h"

namespace ui {

enum class ControlKind { Label, Button, Edit, Memo, CheckBox, RadioButton, RadioGroup, GroupBox,
                         ListBox, SpinEdit, DatePicker, Image, Timer };

const char* KindName(ControlKind kind);

using Handler = std::function<void()>;

struct Font {
    std::string name = "MS Sans Serif";
    int size = 8;
    int height = 0;  // when not 0: the characters' height in pixels, which size then does not set
    bool bold = false;
};

class Form;

// What every control has: a name, a caption or text, a place on the form, a state.
class Control {
public:
    Control(Form& owner, ControlKind kind, std::string name);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlKind Kind() const { return kind_; }
    const std::string& Name() const { return name_; }
    Form& Owner() const { return owner_; }

    std::string Caption;  // label, button, group box, check box text; edit text
    int Left = 0, Top = 0, Width = 75, Height = 25;
    bool Enabled = true;
    bool Visible = true;
    Font ControlFont;
    std::string Parent;   // name of the group box that frames it, if any
    int Tag = 0;          // a number of the dialog's own
    Handler OnClick;
    Handler OnChange;

    void SetBounds(int left, int top, int width, int height);

private:
    Form& owner_;
    ControlKind kind_;
    std::string name_;
};

enum class TextAlign { Left, Right, Center };

class Label : public Control {
public:
    Label(Form& f, std::string n) : Control(f, ControlKind::Label, std::move(n)) {}
    TextAlign Alignment = TextAlign::Left;  // within its bounds
};

class GroupBox : public Control {
public:
    GroupBox(Form& f, std::string n) : Control(f, ControlKind::GroupBox, std::move(n)) {}
};

class Button : public Control {
public:
    Button(Form& f, std::string n) : Control(f, ControlKind::Button, std::move(n)) {}
    int ModalResult = mrNone;  // closes the form with this result when clicked
    bool Default = false;      // Enter
    bool Cancel = false;       // Esc
    bool Glyph = false;        // a button with a picture beside its caption
};

class Edit : public Control {
public:
    Edit(Form& f, std::string n) : Control(f, ControlKind::Edit, std::move(n)) {}
    bool Password = false;
    bool ReadOnly = false;
};

class Memo : public Control {
public:
    Memo(Form& f, std::string n) : Control(f, ControlKind::Memo, std::move(n)) {}
    std::vector<std::string> Lines;
    bool ReadOnly = false;
    // The lines as one text, separated by CR LF; SetText splits at LF and drops every CR.
    std::string Text() const;
    void SetText(const std::string& text);
    // The lines SetText makes of a text: a line break at its end starts no line.
    static std::vector<std::string> LinesOf(const std::string& text);
};

class CheckBox : public Control {
public:
    CheckBox(Form& f, std::string n) : Control(f, ControlKind::CheckBox, std::move(n)) {}
    bool Checked = false;
};

// Radio buttons with the same Parent form a group: checking one unchecks the others.
class RadioButton : public Control {
public:
    RadioButton(Form& f, std::string n) : Control(f, ControlKind::RadioButton, std::move(n)) {}
    bool Checked = false;
    void SetChecked(bool checked);
};

// A list of items of which at most one is selected (ItemIndex -1: none).
class ItemsControl : public Control {
public:
    using Control::Control;
    const std::vector<std::string>& Items() const { return items_; }
    int ItemIndex = -1;
    virtual int Add(const std::string& item);
    void Clear();
    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& Item(int index) const;
    // The selected item's text, empty when none is selected.
    std::string SelectedText() const;

protected:
    std::vector<std::string> items_;
};

class RadioGroup : public ItemsControl {
public:
    RadioGroup(Form& f, std::string n) : ItemsControl(f, ControlKind::RadioGroup, std::move(n)) {}
};

class ListBox : public ItemsControl {
public:
    ListBox(Form& f, std::string n, bool sorted = false)
        : ItemsControl(f, ControlKind::ListBox, std::move(n)), Sorted(sorted) {}
    const bool Sorted;  // items keep ascending order as they are added
    int Add(const std::string& item) override;
};

// An integer edit with up and down arrows. Its text is Caption; it may be empty.
class SpinEdit : public Control {
public:
    SpinEdit(Form& f, std::string n) : Control(f, ControlKind::SpinEdit, std::move(n)) { Caption = "0"; }
    int MinValue = 0, MaxValue = 0;  // the range, unless both are equal
    int MaxLength = 0;               // the most characters the user can type; 0: no limit
    // The text as a number; MinValue when it is none.
    int Value() const;
    // Shows the value, kept within the range.
    void SetValue(int value);
    void Clear() { Caption.clear(); }
};

class DatePicker : public Control {
public:
    DatePicker(Form& f, std::string n) : Control(f, ControlKind::DatePicker, std::move(n)) {}
    int Year = 1899, Month = 12, Day = 30;
};

// Shows a JPEG picture, stretched proportionally to its bounds (centred) when Stretch and
// Proportional are set, else at its size.
class Image : public Control {
public:
    Image(Form& f, std::string n) : Control(f, ControlKind::Image, std::move(n)) {}
    bool Stretch = false, Proportional = false;
    std::string PictureFile;        // what it shows; empty for none
    int PictureWidth = 0, PictureHeight = 0;  // the picture's own size; 0 for none
    Bitmap Shown;                   // the pixels as shown
    unsigned Serial = 0;            // counts the changes of the picture
    // Loads a JPEG file; throws PictureError and keeps the picture it had when it cannot.
    void LoadFromFile(const std::string& path);
    void ClearPicture();
    bool HasPicture() const { return PictureWidth > 0 && PictureHeight > 0; }
};

class Timer : public Control {
public:
    Timer(Form& f, std::string n) : Control(f, ControlKind::Timer, std::move(n)) { Visible = false; }
    int Interval = 1000;  // milliseconds
    Handler OnTimer;
};

// Runs an event handler of a window the user works in while the host goes on (a modeless form,
// a timer): an error ends the handler and is shown in an error box, as the host's own
// application object does; it never reaches the host's message loop.
void RunHandler(const Handler& handler);

enum class BorderStyle { Dialog, Single, Sizeable, ToolWindow };
enum class Position { Designed, ScreenCenter, OwnerCenter };
enum class BorderIcons { CloseOnly, SystemMenu };

// A window of the system. Dialog classes derive from it, create their controls in their
// constructor and keep their event handlers as member functions.
class Form {
public:
    Form(std::string className, std::string caption, int clientWidth, int clientHeight);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& ClassName() const { return className_; }
    std::string Caption;
    int ClientWidth, ClientHeight;
    BorderStyle Border = BorderStyle::Dialog;
    Position Placement = Position::Designed;
    BorderIcons Icons = BorderIcons::SystemMenu;
    bool StayOnTop = false;
    Font FormFont;
    int ModalResult = mrNone;

    // Shows the form modally and returns its modal result (closing it gives mrCancel).
    int ShowModal();
    // Modeless: shown until Close.
    void Show();
    void Close();
    bool Showing() const { return showing_; }

    template <class T, class... Args>
    T& Add(Args&&... args) {
        auto c = std::make_unique<T>(*this, std::forward<Args>(args)...);
        T& ref = *c;
        controls_.push_back(std::move(c));
        return ref;
    }
    const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }
    Control* FindControl(const std::string& name) const;

    // Runs once the constructor of the dialog class is done (the form's OnCreate).
    Handler OnShow;
    // Runs when the form closes, modal or modeless.
    Handler OnClose;

private:
    std::string className_;
    std::vector<std::unique_ptr<Control>> controls_;
    bool showing_ = false;
};

// What shows forms and messages: scripted (tests, the stand-in) or real windows.
class Backend {
public:
    virtual ~Backend() = default;
    virtual int ShowModal(Form& form) = 0;
    virtual void ShowModeless(Form& form) = 0;
    virtual void CloseModeless(Form& form) = 0;
    virtual int Message(const std::string& text, MsgType type, MsgButtons buttons) = 0;
    virtual bool FileDialog(bool save, const FileDialogOptions& options, std::string& chosen) = 0;
    virtual void ShowDocument(const DocumentView& document) = 0;
};

// The backend in use; the platform's default until one is set.
Backend& CurrentBackend();
void SetBackend(std::unique_ptr<Backend> backend);

}  // namespace ui
