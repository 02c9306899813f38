// Dialog "VESTRA Check-In": runs the check-in program on an exported file set and judges its log.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/Forms.h"
#include "util/Settings.h"

namespace os {
class RegIniFile;
}

// The registry section of the dialog's settings (under the key "Vestra") and its values.
inline constexpr const char* SECTION = settings::kCheckInSection;
inline constexpr const char* cIdentStoreLoginParams = settings::kStoreLoginParams;
inline constexpr const char* cIdentUserName = settings::kUserName;
inline constexpr const char* cIdentPassword = settings::kPassword;
inline constexpr const char* cIdentDBServer = settings::kDBServer;
inline constexpr const char* cIdentDatabase = settings::kDatenbank;
inline constexpr const char* cIdentProgramPath = settings::kProgramPath;
inline constexpr const char* cIdentEditorPath = settings::kEditorPath;

// The keywords of the two result lines of the check-in log.
inline constexpr char cSachdatenfehler[] = "Sachdatenfehler";
inline constexpr char cGrafikfehler[] = "Grafikfehler";

class TfrmVestraCheckIn : public ui::Form {
public:
    TfrmVestraCheckIn();
    ~TfrmVestraCheckIn() override;

    ui::GroupBox& GroupBox1;
    ui::Label& lblUserName;
    ui::Edit& EditUserName;
    ui::Label& lblPassword;
    ui::Edit& EditPassword;
    ui::CheckBox& cbStoreLogin;
    ui::GroupBox& GroupBox2;
    ui::Label& lblDBServer;
    ui::Edit& EditDBServer;
    ui::Label& lblDatabase;
    ui::Edit& EditDatabase;
    ui::GroupBox& GroupBox3;
    ui::Label& lblImportDir;
    ui::Edit& EditImportDir;
    ui::Label& lblTransaktionsname;
    ui::Edit& EditTransaktionsname;
    ui::GroupBox& GroupBox4;
    ui::Label& lblProgrammpfad;
    ui::Edit& editProgrammpfad;
    ui::Button& btnSetProgramDir;
    ui::Label& lblEditorPath;
    ui::Edit& EditEditorPath;
    ui::Button& BtnSetEditorName;
    ui::Button& btnStart;
    ui::Button& btnCancel;

    std::string TransactionDir;   // without trailing delimiter
    std::string TransactionName;  // the file set's prefix

    void FormCreate();
    void FormDestroy();
    void InitControls();
    void btnStartClick();
    void btnCancelClick();
    void btnSetProgramDirClick();
    void BtnSetEditorNameClick();

    // Whether the log of the run just made reports no attribute and no graphics errors.
    bool ProbelaufErfolgreich(const std::string& strTransactionDir, const std::string& strFilePrefix);
    // Opens the log in the editor, or says which of the two is missing.
    void ShowLogFile(const std::string& strEditorName, const std::string& strTransactionDir,
                     const std::string& strFilePrefix);

private:
    void StoreSettings();
    bool RunCheckIn(const std::string& strProgram, const std::string& strParams,
                    const std::string& strLogFileName);

    std::unique_ptr<os::RegIniFile> settings_;
};

// The check-in program's parameters: the trial run's begin with "-l" and two blanks; every value
// follows its flag and a blank, and is followed by one blank. A value with a blank or a quote is
// quoted by the Windows rules; every other value goes in as typed.
std::string CheckInParameters(bool blnProbelauf, const std::string& strDBServer,
                              const std::string& strUserName, const std::string& strPassword,
                              const std::string& strDatabase, const std::string& strTransactionDir,
                              const std::string& strTransactionName);

// The log the check-in program leaves for a file set: directory + "\" + prefix + ".log".
std::string CheckInLogFileName(const std::string& strTransactionDir, const std::string& strFilePrefix);

