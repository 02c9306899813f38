#include "platform/report/Preview.h"

#include "platform/os/Cursor.h"
#include "platform/report/PdfWriter.h"
#include "platform/ui/Dialogs.h"

namespace report {

void Preview(Report& report, const std::string& title, const std::string& headlessDir) {
    Document doc;
    {
        os::BusyCursor busy;
        doc = report.Prepare();
    }
    ui::DocumentView view;
    view.title = title;
    view.fileName = title + ".pdf";
    view.headlessDir = headlessDir;
    view.write = [&doc](const std::string& path) { WritePdf(doc, path); };
    view.contents = doc.Describe();
    ui::ShowDocument(view);
}

}  // namespace report
