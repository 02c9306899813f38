// Dialog "Prüfbericht": counts over the transaction list and the printed check report.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/dbf/DbfTable.h"
#include "platform/report/Report.h"
#include "platform/report/TableDataSet.h"
#include "platform/ui/Forms.h"

class TFormTransActionReport : public ui::Form {
public:
    TFormTransActionReport();

    ui::Label& Label1;
    ui::Label& Label2;
    ui::Label& Label3;
    ui::Label& Label4;
    ui::Label& Label5;
    ui::Label& Label6;
    ui::Label& LabelnTransactions;
    ui::Label& LabelnNewObjects;
    ui::Label& LabelnDeletedObjects;
    ui::Label& LabelnImportedObjects;
    ui::Label& LabelnReadOnlyObjects;
    ui::Label& LabelnChangedObjects;
    ui::Button& BtnShowReport;
    ui::Button& BtnClose;

    dbf::Table TableTransActionID;
    dbf::Table TableTransActionList;

    int32_t nTransactions = 0;
    int32_t nNewObjects = 0;
    int32_t nDeletedObjects = 0;
    int32_t nWriteObjects = 0;
    int32_t nReadOnlyObjects = 0;
    int32_t nChangedObjects = 0;

    report::Report QuickRep1;
    report::Band& QRBTitel;
    report::Element& QRLabel1;
    report::Element& QRSysData2;
    report::Band& DetailBand2;
    report::Element& QRLabel3;
    report::Element& QRDBText1;
    report::Element& QRLTName;
    report::Element& QRDBText3;
    report::Element& QRLTOwner;
    report::Element& QRDBText4;
    report::Band& QRStringsBand1;
    report::Element& QRLabelStatus1;
    report::Element& QRLabel4;
    report::Band& QRStringsBand2;
    report::Element& QRLabelStatus2;
    report::Element& QRLabel5;
    report::Band& QRStringsBand3;
    report::Element& QRLabelChanged;
    report::Element& QRLabel6;
    report::Band& QRBand1;
    report::Element& QRSysData3;
    report::Element& QRSysData1;
    report::Element& QRLabel2;

    void FormCreate();
    void BtnShowReportClick();
    void DetailBand2BeforePrint();
    void QRStringsBand1BeforePrint();
    void QRStringsBand2BeforePrint();
    void QRStringsBand3BeforePrint();
    void QRStringsBand1AfterPrint();
    void QRStringsBand2AfterPrint();
    void QRStringsBand3AfterPrint();
    void FormClose();

    // The report laid out on pages, with fresh lists from the open tables.
    report::Document PrepareReport();

private:
    struct Lists {
        std::vector<std::string> neu, geloescht, geaendert;
    };
    // At the start of every report run, one walk of the transaction list in TID order: each
    // transaction's lists, keyed by TID as text, every list in the order of the walk.
    void CollectLists();

    report::TableDataSet data_;
    std::unordered_map<std::string, Lists> listsByTID_;
};

// The hook's work: the dialog, or the message that the project has no transaction data (0).
int32_t MakeTransActionReportProc();
