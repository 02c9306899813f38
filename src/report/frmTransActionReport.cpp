#include "report/frmTransActionReport.h"

#include "platform/os/Cursor.h"
#include "platform/report/Preview.h"
#include "platform/ui/Dialogs.h"
#include "store/ProjectTables.h"
#include "util/Tools.h"

namespace {

using report::Alignment;
using report::BandKind;
using report::ElementKind;

const report::Font kArial10{"Arial", 10, false};
const report::Font kArial12Bold{"Arial", 12, true};
const report::Font kArial14Bold{"Arial", 14, true};

// Right edge of the summary captions; the values start just after it.
constexpr int kCaptionLeft = 8, kCaptionWidth = 225, kValueLeft = 240, kValueWidth = 90;

void SummaryLine(ui::Label& caption, ui::Label& value, const char* text, int top) {
    caption.Caption = text;
    caption.Alignment = ui::TextAlign::Right;
    caption.SetBounds(kCaptionLeft, top, kCaptionWidth, 13);
    value.SetBounds(kValueLeft, top, kValueWidth, 13);
}

}  // namespace

TFormTransActionReport::TFormTransActionReport()
    : ui::Form("TFormTransActionReport", "Prüfbericht", 349, 190),
      Label1(Add<ui::Label>("Label1")),
      Label2(Add<ui::Label>("Label2")),
      Label3(Add<ui::Label>("Label3")),
      Label4(Add<ui::Label>("Label4")),
      Label5(Add<ui::Label>("Label5")),
      Label6(Add<ui::Label>("Label6")),
      LabelnTransactions(Add<ui::Label>("LabelnTransactions")),
      LabelnNewObjects(Add<ui::Label>("LabelnNewObjects")),
      LabelnDeletedObjects(Add<ui::Label>("LabelnDeletedObjects")),
      LabelnImportedObjects(Add<ui::Label>("LabelnImportedObjects")),
      LabelnReadOnlyObjects(Add<ui::Label>("LabelnReadOnlyObjects")),
      LabelnChangedObjects(Add<ui::Label>("LabelnChangedObjects")),
      BtnShowReport(Add<ui::Button>("BtnShowReport")),
      BtnClose(Add<ui::Button>("BtnClose")),
      QuickRep1("QuickRep1"),
      QRBTitel(QuickRep1.AddBand("QRBTitel", BandKind::Title, 19.8)),
      QRLabel1(QRBTitel.Add("QRLabel1", ElementKind::Label, 2.1, 2.1, kArial14Bold)),
      QRSysData2(QRBTitel.Add("QRSysData2", ElementKind::SysDate, 2.1, 10.6, kArial10)),
      DetailBand2(QuickRep1.AddBand("DetailBand2", BandKind::Detail, 23.5)),
      QRLabel3(DetailBand2.Add("QRLabel3", ElementKind::Label, 8.5, 4.5, kArial12Bold)),
      QRDBText1(DetailBand2.Add("QRDBText1", ElementKind::DBText, 57.1, 4.5, kArial12Bold)),
      QRLTName(DetailBand2.Add("QRLTName", ElementKind::Label, 8.5, 10.8, kArial12Bold)),
      QRDBText3(DetailBand2.Add("QRDBText3", ElementKind::DBText, 57.1, 10.8, kArial12Bold)),
      QRLTOwner(DetailBand2.Add("QRLTOwner", ElementKind::Label, 8.5, 17.2, kArial12Bold)),
      QRDBText4(DetailBand2.Add("QRDBText4", ElementKind::DBText, 57.1, 17.2, kArial12Bold)),
      QRStringsBand1(QuickRep1.AddBand("QRStringsBand1", BandKind::Strings, 6.3)),
      QRLabelStatus1(QRStringsBand1.Add("QRLabelStatus1", ElementKind::Label, 82.0, 1.6, kArial10, Alignment::Right)),
      QRLabel4(QRStringsBand1.Add("QRLabel4", ElementKind::Label, 86.8, 1.6, kArial10)),
      QRStringsBand2(QuickRep1.AddBand("QRStringsBand2", BandKind::Strings, 6.3)),
      QRLabelStatus2(QRStringsBand2.Add("QRLabelStatus2", ElementKind::Label, 82.0, 1.6, kArial10, Alignment::Right)),
      QRLabel5(QRStringsBand2.Add("QRLabel5", ElementKind::Label, 86.8, 1.6, kArial10)),
      QRStringsBand3(QuickRep1.AddBand("QRStringsBand3", BandKind::Strings, 6.3)),
      QRLabelChanged(QRStringsBand3.Add("QRLabelChanged", ElementKind::Label, 82.0, 1.6, kArial10, Alignment::Right)),
      QRLabel6(QRStringsBand3.Add("QRLabel6", ElementKind::Label, 86.8, 1.6, kArial10)),
      QRBand1(QuickRep1.AddBand("QRBand1", BandKind::PageFooter, 10.6)),
      QRSysData3(QRBand1.Add("QRSysData3", ElementKind::SysDate, 2.1, 4.2, kArial10)),
      QRSysData1(QRBand1.Add("QRSysData1", ElementKind::SysPageNumber, 178.1, 4.2, kArial10, Alignment::Right)),
      QRLabel2(QRBand1.Add("QRLabel2", ElementKind::Label, 177.8, 4.2, kArial10)),
      data_(TableTransActionID) {
    Border = ui::BorderStyle::Single;
    Icons = ui::BorderIcons::CloseOnly;
    Placement = ui::Position::ScreenCenter;
    SummaryLine(Label1, LabelnTransactions, "Anzahl der Transaktionen:", 12);
    SummaryLine(Label2, LabelnNewObjects, "Anzahl neu erzeugter Objekte:", 32);
    SummaryLine(Label3, LabelnDeletedObjects, "Anzahl gelöschter Objekte:", 52);
    SummaryLine(Label4, LabelnImportedObjects, "Anzahl importierter Objekte (schreibend):", 72);
    SummaryLine(Label5, LabelnReadOnlyObjects, "Anzahl importierter Objekte (lesend):", 92);
    SummaryLine(Label6, LabelnChangedObjects, "Anzahl geänderter Objekte:", 112);
    BtnShowReport.Caption = "Prüfbericht anzeigen ";
    BtnShowReport.SetBounds(8, 152, 153, 25);
    BtnShowReport.OnClick = [this] { BtnShowReportClick(); };
    BtnClose.Caption = "S&chließen";
    BtnClose.ModalResult = ui::mrOk;
    BtnClose.SetBounds(266, 152, 75, 25);
    OnClose = [this] { FormClose(); };

    QuickRep1.BaseFont = kArial10;
    QuickRep1.Data = &data_;
    QRLabel1.Caption = "ZARK-Transaktions-Prüfbericht";
    QRSysData2.Caption = "Datum: ";
    QRLabel3.Caption = "Transaktionsnummer: ";
    QRDBText1.DataField = "TID";
    QRLTName.Caption = "Name:";
    QRDBText3.DataField = "NAME";
    QRLTOwner.Caption = "Gebietsbetreuer:";
    QRDBText4.DataField = "OWNER";
    QRLabelStatus1.Caption = "neue Objekte:";
    QRLabelStatus2.Caption = "gelöschte Objekte:";
    QRLabelChanged.Caption = "geänderte Objekte:";
    QRSysData3.Caption = "Prüfbericht vom ";
    QRSysData1.Caption = "- ";
    QRLabel2.Caption = " -";
    QuickRep1.BeforePrint = [this] { CollectLists(); };
    DetailBand2.BeforePrint = [this] { DetailBand2BeforePrint(); };
    QRStringsBand1.BeforePrint = [this] { QRStringsBand1BeforePrint(); };
    QRStringsBand2.BeforePrint = [this] { QRStringsBand2BeforePrint(); };
    QRStringsBand3.BeforePrint = [this] { QRStringsBand3BeforePrint(); };
    QRStringsBand1.AfterPrint = [this] { QRStringsBand1AfterPrint(); };
    QRStringsBand2.AfterPrint = [this] { QRStringsBand2AfterPrint(); };
    QRStringsBand3.AfterPrint = [this] { QRStringsBand3AfterPrint(); };
    FormCreate();
}

void TFormTransActionReport::FormCreate() {
    os::BusyCursor busy;
    TableTransActionID.setDatabaseName(MyGetProjectDir());
    TableTransActionID.setTableName(kTransactionIDs);
    TableTransActionID.open();
    nTransactions = TableTransActionID.recordCount();
    TableTransActionList.setDatabaseName(MyGetProjectDir());
    TableTransActionList.setTableName(kTransactionList);
    TableTransActionList.setIndexFieldNames("TID");
    TableTransActionList.open();
    nNewObjects = nDeletedObjects = nWriteObjects = nReadOnlyObjects = nChangedObjects = 0;
    dbf::Field& schreibend = TableTransActionList.fieldByName("SCHREIBEND");
    dbf::Field& changed = TableTransActionList.fieldByName("CHANGED");
    for (TableTransActionList.first(); !TableTransActionList.eof(); TableTransActionList.next()) {
        switch (schreibend.asInteger()) {
        case 0: ++nReadOnlyObjects; break;
        case 1:
            ++nWriteObjects;
            if (changed.asString() == "UPDATE")
                ++nChangedObjects;
            break;
        case 2: ++nNewObjects; break;
        case 3: ++nDeletedObjects; break;
        default: break;
        }
    }
    LabelnTransactions.Caption = std::to_string(nTransactions);
    LabelnNewObjects.Caption = std::to_string(nNewObjects);
    LabelnDeletedObjects.Caption = std::to_string(nDeletedObjects);
    LabelnImportedObjects.Caption = std::to_string(int64_t{nWriteObjects} + nDeletedObjects);
    LabelnReadOnlyObjects.Caption = std::to_string(nReadOnlyObjects);
    LabelnChangedObjects.Caption = std::to_string(nChangedObjects);
}

void TFormTransActionReport::BtnShowReportClick() {
    if (int64_t{nDeletedObjects} + nNewObjects + nChangedObjects == 0) {
        ui::MessageDlg("Die Transaktionsdaten wurden nicht geändert. Ein Prüfbericht wird nicht erstellt.",
                       ui::MsgType::Information);
        return;
    }
    report::Preview(QuickRep1, "Prüfbericht", MyGetProjectDir());
}

report::Document TFormTransActionReport::PrepareReport() { return QuickRep1.Prepare(); }

void TFormTransActionReport::CollectLists() {
    listsByTID_.clear();
    dbf::Field& tid = TableTransActionList.fieldByName("TID");
    dbf::Field& kennung = TableTransActionList.fieldByName("KENNUNG");
    dbf::Field& schreibend = TableTransActionList.fieldByName("SCHREIBEND");
    dbf::Field& changed = TableTransActionList.fieldByName("CHANGED");
    for (TableTransActionList.first(); !TableTransActionList.eof(); TableTransActionList.next()) {
        const int32_t state = schreibend.asInteger();
        if (state == 2)
            listsByTID_[tid.asString()].neu.push_back(kennung.asString());
        else if (state == 3)
            listsByTID_[tid.asString()].geloescht.push_back(kennung.asString());
        else if (state == 1 && changed.asString() == "UPDATE")
            listsByTID_[tid.asString()].geaendert.push_back(kennung.asString());
    }
}

void TFormTransActionReport::DetailBand2BeforePrint() {
    const std::string tid = TableTransActionID.fieldByName("TID").asString();
    QRStringsBand1.Items.clear();
    QRStringsBand2.Items.clear();
    QRStringsBand3.Items.clear();
    QRLabelStatus1.Caption = "neue Objekte:";
    QRLabelStatus2.Caption = "gelöschte Objekte:";
    QRLabelChanged.Caption = "geänderte Objekte:";
    const auto it = listsByTID_.find(tid);
    if (it == listsByTID_.end())
        return;
    QRStringsBand1.Items = it->second.neu;
    QRStringsBand2.Items = it->second.geloescht;
    QRStringsBand3.Items = it->second.geaendert;
}

void TFormTransActionReport::QRStringsBand1BeforePrint() { QRLabel4.Caption = QRStringsBand1.Item(); }
void TFormTransActionReport::QRStringsBand2BeforePrint() { QRLabel5.Caption = QRStringsBand2.Item(); }
void TFormTransActionReport::QRStringsBand3BeforePrint() { QRLabel6.Caption = QRStringsBand3.Item(); }
void TFormTransActionReport::QRStringsBand1AfterPrint() { QRLabelStatus1.Caption.clear(); }
void TFormTransActionReport::QRStringsBand2AfterPrint() { QRLabelStatus2.Caption.clear(); }
void TFormTransActionReport::QRStringsBand3AfterPrint() { QRLabelChanged.Caption.clear(); }

void TFormTransActionReport::FormClose() {
    TableTransActionID.close();
    TableTransActionList.close();
}

int32_t MakeTransActionReportProc() {
    if (!ProjectTableExists(kTransactionList)) {
        ui::MessageDlg("Das Projekt enthält keine Transaktionsdaten. Daher kann kein Prüfbericht erstellt werden!",
                       ui::MsgType::Information);
        return 0;
    }
    TFormTransActionReport form;
    form.ShowModal();
    return -1;
}
