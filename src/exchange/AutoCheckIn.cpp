#include "exchange/AutoCheckIn.h"

#include <fstream>

#include "platform/os/Files.h"
#include "platform/os/Process.h"
#include "platform/os/Registry.h"
#include "platform/ui/Dialogs.h"
#include "util/Tools.h"
#include "util/Utils.h"
#include "util/_4Token.h"

namespace {

bool StartsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

// The text after the line's last blank; empty when the line ends with one. Taken directly rather
// than by token position, which is 8 bits wide and would miss the end of a long line.
std::string LastToken(const std::string& line)
{
    const size_t blank = line.rfind(' ');
    return blank == std::string::npos ? line : line.substr(blank + 1);
}

bool AnythingAt(const std::string& path)
{
    return os::FileExists(path) || os::DirExists(path);
}

// Removes the log of an earlier run; false when something of that name is still there.
bool RemoveOldLogFile(const std::string& strLogFileName)
{
    if (!AnythingAt(strLogFileName))
        return true;
    os::DeleteFileAt(strLogFileName);
    return !AnythingAt(strLogFileName);
}

void ErrorMessage(const std::string& text)
{
    ui::MessageDlg(text, ui::MsgType::Error, ui::MsgButtons::Ok);
}

}  // namespace

TfrmVestraCheckIn::TfrmVestraCheckIn()
    : ui::Form("TfrmVestraCheckIn", "VESTRA Check-In", 409, 389),
      GroupBox1(Add<ui::GroupBox>("GroupBox1")),
      lblUserName(Add<ui::Label>("lblUserName")),
      EditUserName(Add<ui::Edit>("EditUserName")),
      lblPassword(Add<ui::Label>("lblPassword")),
      EditPassword(Add<ui::Edit>("EditPassword")),
      cbStoreLogin(Add<ui::CheckBox>("cbStoreLogin")),
      GroupBox2(Add<ui::GroupBox>("GroupBox2")),
      lblDBServer(Add<ui::Label>("lblDBServer")),
      EditDBServer(Add<ui::Edit>("EditDBServer")),
      lblDatabase(Add<ui::Label>("lblDatabase")),
      EditDatabase(Add<ui::Edit>("EditDatabase")),
      GroupBox3(Add<ui::GroupBox>("GroupBox3")),
      lblImportDir(Add<ui::Label>("lblImportDir")),
      EditImportDir(Add<ui::Edit>("EditImportDir")),
      lblTransaktionsname(Add<ui::Label>("lblTransaktionsname")),
      EditTransaktionsname(Add<ui::Edit>("EditTransaktionsname")),
      GroupBox4(Add<ui::GroupBox>("GroupBox4")),
      lblProgrammpfad(Add<ui::Label>("lblProgrammpfad")),
      editProgrammpfad(Add<ui::Edit>("editProgrammpfad")),
      btnSetProgramDir(Add<ui::Button>("btnSetProgramDir")),
      lblEditorPath(Add<ui::Label>("lblEditorPath")),
      EditEditorPath(Add<ui::Edit>("EditEditorPath")),
      BtnSetEditorName(Add<ui::Button>("BtnSetEditorName")),
      btnStart(Add<ui::Button>("btnStart")),
      btnCancel(Add<ui::Button>("btnCancel")) {
    Border = ui::BorderStyle::Dialog;
    Icons = ui::BorderIcons::SystemMenu;
    Placement = ui::Position::ScreenCenter;

    auto row = [](ui::GroupBox& group, ui::Label& label, const char* text, ui::Edit& edit, int top, int width) {
        label.Caption = text;
        label.Parent = group.Name();
        label.SetBounds(20, top + 4, 100, 13);
        edit.Parent = group.Name();
        edit.SetBounds(128, top, width, 21);
    };

    GroupBox1.Caption = " Login ";
    GroupBox1.SetBounds(8, 8, 393, 97);
    row(GroupBox1, lblUserName, "Nutzer:", EditUserName, 24, 257);
    row(GroupBox1, lblPassword, "Passwort:", EditPassword, 48, 257);
    EditPassword.Password = true;
    cbStoreLogin.Caption = "Login-Informationen speichern";
    cbStoreLogin.Parent = GroupBox1.Name();
    cbStoreLogin.SetBounds(128, 76, 257, 17);

    GroupBox2.Caption = " Datenbank ";
    GroupBox2.SetBounds(8, 112, 393, 73);
    row(GroupBox2, lblDBServer, "DB-Server:", EditDBServer, 128, 257);
    row(GroupBox2, lblDatabase, "Datenbank:", EditDatabase, 152, 257);

    GroupBox3.Caption = " Transaktion ";
    GroupBox3.SetBounds(8, 192, 393, 73);
    row(GroupBox3, lblImportDir, "Importverzeichnis:", EditImportDir, 208, 257);
    row(GroupBox3, lblTransaktionsname, "Transaktionsname:", EditTransaktionsname, 232, 257);
    EditImportDir.ReadOnly = true;
    EditTransaktionsname.ReadOnly = true;

    GroupBox4.Caption = " Programmpfad ";
    GroupBox4.SetBounds(8, 272, 393, 73);
    row(GroupBox4, lblProgrammpfad, "CheckIn.exe:", editProgrammpfad, 288, 229);
    btnSetProgramDir.Caption = "...";
    btnSetProgramDir.Parent = GroupBox4.Name();
    btnSetProgramDir.SetBounds(361, 288, 24, 21);
    btnSetProgramDir.OnClick = [this] { btnSetProgramDirClick(); };
    row(GroupBox4, lblEditorPath, "Editor", EditEditorPath, 312, 229);
    BtnSetEditorName.Caption = "...";
    BtnSetEditorName.Parent = GroupBox4.Name();
    BtnSetEditorName.SetBounds(361, 312, 24, 21);
    BtnSetEditorName.OnClick = [this] { BtnSetEditorNameClick(); };

    btnStart.Caption = "Start";
    btnStart.SetBounds(112, 356, 89, 25);
    btnStart.OnClick = [this] { btnStartClick(); };
    btnCancel.Caption = "Abbruch";
    btnCancel.Cancel = true;
    btnCancel.SetBounds(208, 356, 89, 25);
    btnCancel.OnClick = [this] { btnCancelClick(); };
    FormCreate();
}

TfrmVestraCheckIn::~TfrmVestraCheckIn() { FormDestroy(); }

void TfrmVestraCheckIn::FormCreate() { settings_ = std::make_unique<os::RegIniFile>(settings::kCheckInKey); }

void TfrmVestraCheckIn::FormDestroy() { settings_.reset(); }

void TfrmVestraCheckIn::InitControls()
{
    cbStoreLogin.Checked = settings_->ReadBool(SECTION, cIdentStoreLoginParams, settings::kStoreLoginParamsDefault);
    if (cbStoreLogin.Checked) {
        EditUserName.Caption = settings_->ReadString(SECTION, cIdentUserName, "");
        EditPassword.Caption = settings_->ReadString(SECTION, cIdentPassword, "");
    } else {
        EditUserName.Caption = GetCurrentUserName();
        EditPassword.Caption.clear();
    }
    EditDBServer.Caption = settings_->ReadString(SECTION, cIdentDBServer, "");
    EditDatabase.Caption = settings_->ReadString(SECTION, cIdentDatabase, "");
    EditImportDir.Caption = TransactionDir;
    EditTransaktionsname.Caption = TransactionName;
    editProgrammpfad.Caption = settings_->ReadString(SECTION, cIdentProgramPath, "");
    EditEditorPath.Caption = settings_->ReadString(SECTION, cIdentEditorPath, "");
}

void TfrmVestraCheckIn::StoreSettings()
{
    const bool blnStore = cbStoreLogin.Checked;
    settings_->WriteBool(SECTION, cIdentStoreLoginParams, blnStore);
    settings_->WriteString(SECTION, cIdentUserName, blnStore ? EditUserName.Caption : std::string());
    settings_->WriteString(SECTION, cIdentPassword, blnStore ? EditPassword.Caption : std::string());
    settings_->WriteString(SECTION, cIdentDBServer, EditDBServer.Caption);
    settings_->WriteString(SECTION, cIdentDatabase, EditDatabase.Caption);
    settings_->WriteString(SECTION, cIdentProgramPath, editProgrammpfad.Caption);
    settings_->WriteString(SECTION, cIdentEditorPath, EditEditorPath.Caption);
}

// A run is judged only by a log it wrote itself: the log of an earlier run is removed first, and
// when it cannot be, the program is not started.
bool TfrmVestraCheckIn::RunCheckIn(const std::string& strProgram, const std::string& strParams,
                                   const std::string& strLogFileName)
{
    if (!RemoveOldLogFile(strLogFileName)) {
        ErrorMessage("Die alte Logdatei " + strLogFileName + " konnte nicht gelöscht werden!");
        return false;
    }
    ExecAndWait(strProgram, strParams);
    return true;
}

void TfrmVestraCheckIn::btnStartClick()
{
    const std::string strUserName = EditUserName.Caption;
    const std::string strPassword = EditPassword.Caption;
    const std::string strDBServer = EditDBServer.Caption;
    const std::string strDatabase = EditDatabase.Caption;
    const std::string strTransactionDir = WithOutSlash(EditImportDir.Caption);
    const std::string strTransactionName = EditTransaktionsname.Caption;
    const std::string strProgram = editProgrammpfad.Caption;
    const std::string strEditor = EditEditorPath.Caption;
    const std::string strLogFileName = CheckInLogFileName(strTransactionDir, strTransactionName);

    StoreSettings();
    if (!os::FileExists(strProgram)) {
        ErrorMessage("Das Programm " + strProgram + " konnte nicht gefunden werden!");
        ModalResult = ui::mrAbort;
        return;
    }

    // One run of the program, judged by the log it wrote; false ends the dialog.
    auto Lauf = [&](bool blnProbelauf, const char* strFehlschlag) {
        if (!RunCheckIn(strProgram,
                        CheckInParameters(blnProbelauf, strDBServer, strUserName, strPassword, strDatabase,
                                          strTransactionDir, strTransactionName),
                        strLogFileName)) {
            ModalResult = ui::mrAbort;
            return false;
        }
        if (!ProbelaufErfolgreich(strTransactionDir, strTransactionName)) {
            ErrorMessage(strFehlschlag);
            ShowLogFile(strEditor, strTransactionDir, strTransactionName);
            ModalResult = ui::mrCancel;
            return false;
        }
        return true;
    };

    if (!Lauf(true, "Der Probe-Checkin war nicht erfolgreich!"))
        return;
    if (ui::MessageDlg("Probe-Checkin erfolgreich durchgeführt! Logdate ansehen?", ui::MsgType::Information,
                       ui::MsgButtons::YesNo) == ui::mrYes) {
        ShowLogFile(strEditor, strTransactionDir, strTransactionName);
        ui::MessageDlg("Scharfen Checkin starten", ui::MsgType::Information, ui::MsgButtons::Ok);
    }
    if (!Lauf(false, "Der Checkin war nicht erfolgreich!"))
        return;
    if (ui::MessageDlg("Checkin erfolgreich durchgeführt! Logdatei ansehen?", ui::MsgType::Confirmation,
                       ui::MsgButtons::YesNo) == ui::mrYes)
        ShowLogFile(strEditor, strTransactionDir, strTransactionName);
    ModalResult = ui::mrOk;
}

void TfrmVestraCheckIn::btnCancelClick() { ModalResult = ui::mrCancel; }

namespace {
// A file chooser that starts at the path of EDIT and puts the chosen file there.
void ChooseFileInto(ui::Edit& edit, const char* filter)
{
    ui::FileDialogOptions options;
    options.fileName = edit.Caption;
    options.filter = filter;
    std::string chosen;
    if (ui::OpenFileDialog(options, chosen))
        edit.Caption = chosen;
}
}  // namespace

void TfrmVestraCheckIn::btnSetProgramDirClick() { ChooseFileInto(editProgrammpfad, "Checkin.exe|Checkin.exe"); }

void TfrmVestraCheckIn::BtnSetEditorNameClick()
{
    ChooseFileInto(EditEditorPath, "Ausführbare Dateien (*.exe)|*.exe");
}

bool TfrmVestraCheckIn::ProbelaufErfolgreich(const std::string& strTransactionDir, const std::string& strFilePrefix)
{
    bool flgSachdatenOK = false;
    bool flgGrafikdatenOK = false;
    const std::string strLogFileName = CheckInLogFileName(strTransactionDir, strFilePrefix);
    if (!os::FileExists(strLogFileName)) {
        ErrorMessage("Die Logdatei " + strLogFileName + " konnte nicht gefunden werden!");
        return false;
    }
    std::ifstream log(os::NativePath(strLogFileName), std::ios::binary);
    for (std::string line; std::getline(log, line);) {
        // A line ends with CR LF as Windows programs write it.
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string Token = GetToken(line, " ", 1);
        if (StartsWith(Token, cSachdatenfehler)) {
            Token = LastToken(line);
            flgSachdatenOK = Token == "0";
        }
        if (StartsWith(Token, cGrafikfehler)) {
            Token = LastToken(line);
            flgGrafikdatenOK = Token == "0";
        }
        if (flgSachdatenOK && flgGrafikdatenOK)
            return true;
    }
    return false;
}

void TfrmVestraCheckIn::ShowLogFile(const std::string& strEditorName, const std::string& strTransactionDir,
                                    const std::string& strFilePrefix)
{
    const std::string strLogFileName = CheckInLogFileName(strTransactionDir, strFilePrefix);
    if (!os::FileExists(strLogFileName))
        ErrorMessage("Die Logdatei " + strLogFileName + " konnte nicht gefunden werden!");
    else if (!os::FileExists(strEditorName))
        ErrorMessage("Der Editor " + strEditorName + " konnte nicht gefunden werden!");
    else  // quoted, so that a directory with blanks reaches the editor as one path
        Exec(strEditorName, "\"" + strLogFileName + "\"");
}

std::string CheckInParameters(bool blnProbelauf, const std::string& strDBServer,
                              const std::string& strUserName, const std::string& strPassword,
                              const std::string& strDatabase, const std::string& strTransactionDir,
                              const std::string& strTransactionName)
{
    // A value with a blank or a quote is quoted, so that the program gets it as one argument.
    const auto value = [](const std::string& s) { return os::QuoteArgument(s) + " "; };
    std::string params = blnProbelauf ? "-l  " : "";
    params += "-s " + value(strDBServer);
    params += "-u " + value(strUserName);
    params += "-p " + value(strPassword);
    params += "-D " + value(strDatabase);
    params += "-d " + value(WithOutSlash(strTransactionDir));
    params += "-n " + value(strTransactionName);
    return params;
}

std::string CheckInLogFileName(const std::string& strTransactionDir, const std::string& strFilePrefix)
{
    return WithSlash(strTransactionDir) + strFilePrefix + ".log";
}
