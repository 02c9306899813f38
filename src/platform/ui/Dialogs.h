// Modal message boxes and the standard file dialogs.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace ui {

// Modal results of dialogs and message boxes.
enum ModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4,
                         mrIgnore = 5, mrYes = 6, mrNo = 7, mrAll = 8, mrNoToAll = 9 };

enum class MsgType { Warning, Error, Information, Confirmation, Plain };
enum class MsgButtons { Ok, YesNo };

// Shows a modal message box; returns mrOk, mrYes or mrNo (closing it counts as the last button).
int MessageDlg(const std::string& text, MsgType type, MsgButtons buttons = MsgButtons::Ok);
// A plain message box with an OK button (no icon).
void ShowMessage(const std::string& text);

struct FileDialogOptions {
    std::string title;
    std::string filter;            // "Beschreibung|*.dbf|Alle Dateien|*.*"
    std::string initialDir;
    std::string fileName;          // proposed name
    std::string defaultExt;
    bool picturePreview = false;   // open: the JPEG picture chosen in the list is shown beside it
};

// Standard file-open and file-save dialogs: true with the chosen path, false when cancelled.
bool OpenFileDialog(const FileDialogOptions& options, std::string& chosen);
bool SaveFileDialog(const FileDialogOptions& options, std::string& chosen);

// A finished document (a PDF) for the user to look at and print.
struct DocumentView {
    std::string title;                                   // "Prüfbericht"
    std::string fileName;                                // its name, "Prüfbericht.pdf"
    std::string headlessDir;                             // where runs without a viewer keep it
    std::function<void(const std::string& path)> write;  // writes the document to a file
    std::vector<std::string> contents;                   // what it says, line by line, for logs
};

// Writes the document and opens it in the system's viewer (Windows: the shell's "open").
// The scripted backend writes it to the file named by VE1_REPORT_PDF, else into headlessDir,
// and reports the path and contents.
void ShowDocument(const DocumentView& document);

}  // namespace ui
