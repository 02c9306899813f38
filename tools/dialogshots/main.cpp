// Shows every dialog of the plug-in and its message box kinds with the Win32 backend, and saves
// each window as a BMP file in the directory given as argument; writes the check report of a
// sample project there as PDF.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "dialogs/frmGetGKStreifen.h"
#include "dialogs/frmGetKennung.h"
#include "dialogs/frmGetTID.h"
#include "dialogs/frmGetTidAndKennung.h"
#include "exchange/AutoCheckIn.h"
#include "host/Pictures.h"
#include "host/Project.h"
#include "host/ProjectDatabase.h"
#include "photos/EnsureDataBase.h"
#include "photos/FotoHandling.h"
#include "photos/frmEditFoto.h"
#include "host/SimTables.h"
#include "platform/report/PdfWriter.h"
#include "platform/ui/Win32Forms.h"
#include "report/frmTransActionReport.h"

namespace {

std::string g_target;  // the BMP file the next shown window goes to
bool g_saved = false;

// Writes the screen area of the window as a 24-bit BMP.
bool SaveWindow(HWND hwnd, const std::string& file) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const int stride = ((w * 3 + 3) / 4) * 4;
    std::vector<char> pixels(static_cast<size_t>(stride) * static_cast<size_t>(h));
    const int lines = GetDIBits(memory, bitmap, 0, static_cast<UINT>(h), pixels.data(),
                                reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (lines != h)
        return false;
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(out);
}

// Runs inside the modal loop of the dialog or message box: saves it, then closes it.
void CALLBACK Capture(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND shown = GetActiveWindow();
    if (!shown)
        shown = GetForegroundWindow();
    if (!shown)
        return;
    // Frame and contents drawn completely before they are copied.
    RedrawWindow(shown, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    g_saved = SaveWindow(shown, g_target);
    PostMessageW(shown, WM_COMMAND, IDNO, 0);
    PostMessageW(shown, WM_COMMAND, IDOK, 0);
    PostMessageW(shown, WM_CLOSE, 0, 0);
}

// A modeless window: shown, then this loop runs (as the host's would) until it has been saved
// and closed.
void RunWhileShowing(ui::Form& form) {
    const DWORD start = GetTickCount();
    MSG msg;
    while (form.Showing() && GetTickCount() - start < 10000 && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool Shot(const std::string& dir, const std::string& name, const std::function<void()>& show) {
    g_target = dir + "\\" + name + ".bmp";
    g_saved = false;
    SetTimer(nullptr, 0, 1500, Capture);
    show();
    std::cout << name << (g_saved ? ": saved" : ": NOT saved") << "\n";
    return g_saved;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: ve1_dialogshots OUTDIR\n";
        return 2;
    }
    const std::string dir = argv[1];
    ui::SetBackend(std::make_unique<ui::Win32Backend>());

    // A project with two transactions and a small pool, for the dialogs that read it.
    const std::filesystem::path project = std::filesystem::temp_directory_path() / "ve1 dialogshots";
    std::filesystem::remove_all(project);
    std::filesystem::create_directories(project);
    sim::TheProject().projectDir = project.string();
    for (auto [tid, kennung] : {std::pair{"7", "NSG-0701"}, {"7", "NSG-0702"}, {"7", "DE-0701"}, {"8", "LSG-0801"}})
        sim::SeedRow(project.string(), "TA_KL.DBF", {{"TID", tid}, {"KENNUNG", kennung}});
    // Transactions and a list long enough for a check report of several pages.
    sim::SeedRow(project.string(), "TA_ID.DBF", {{"TID", "7"}, {"NAME", "Moorwiesen"}, {"OWNER", "Kreis Nord"}});
    sim::SeedRow(project.string(), "TA_ID.DBF", {{"TID", "8"}, {"NAME", "Auenwald östlich der Straße"}, {"OWNER", "Süd"}});
    sim::SeedRow(project.string(), "TA_ID.DBF", {{"TID", "9"}, {"NAME", "Heide"}, {"OWNER", "unbekannt"}});
    auto listRow = [&](const char* tid, const std::string& kennung, const char* state, const char* changed) {
        sim::SeedRow(project.string(), "TA_LIST.DBF",
                     {{"TID", tid}, {"SCHREIBEND", state}, {"KENNUNG", kennung}, {"CHANGED", changed}});
    };
    listRow("7", "NSG-0011", "0", "IGNORED");
    listRow("7", "NSG-0701", "2", "NEW");
    listRow("7", "NSG-0012", "3", "DELETE");
    listRow("7", "DE-0013", "1", "UPDATE");
    for (int i = 1; i <= 70; ++i)
        listRow("8", "LSG-08" + std::string(i < 10 ? "0" : "") + std::to_string(i), "2", "NEW");
    listRow("8", "LSG-0042", "1", "UPDATE");
    listRow("9", "FFH-0900", "0", "IGNORED");

    bool ok = true;
    ok &= Shot(dir, "TFormGetTID", [] {
        TFormGetTID f;
        f.lbTID.Add("7 - Moorwiesen");
        f.lbTID.Add("8 - Auenwald östlich der Straße");
        f.ShowModal();
    });
    ok &= Shot(dir, "TformGetKennung", [] {
        TformGetKennung f;
        f.lblOriginalKennung.Caption = "NSG-0702";
        for (const char* k : {"DE-0701", "NSG-0012", "NSG-0701", "Gewässer-Süd"})
            f.lbKennungen.Add(k);
        f.ShowModal();
    });
    ok &= Shot(dir, "TFormGetTIDAndKennung", [] {
        TFormGetTIDAndKennung f;
        f.lbTransActions.Add("7 - Moorwiesen");
        f.lbTransActions.Add("8 - Auenwald");
        f.lbTransActions.ItemIndex = 0;
        f.lbTransActionsClick();
        f.ShowModal();
    });
    ok &= Shot(dir, "TFormGetGKStreifen", [] {
        TFormGetGKStreifen f;
        f.RadioGroup1.ItemIndex = 0;
        f.ShowModal();
    });
    ok &= Shot(dir, "TfrmVestraCheckIn", [] {
        TfrmVestraCheckIn f;
        f.EditUserName.Caption = "mueller";
        f.EditPassword.Caption = "geheim";
        f.cbStoreLogin.Checked = true;
        f.EditDBServer.Caption = "geodb01";
        f.EditDatabase.Caption = "VESTRA_NATUR";
        f.EditImportDir.Caption = "C:\\Daten\\Export Moorwiesen";
        f.EditTransaktionsname.Caption = "Transa";
        f.editProgrammpfad.Caption = "C:\\Programme\\VESTRA\\CheckIn.exe";
        f.EditEditorPath.Caption = "C:\\Windows\\notepad.exe";
        f.ShowModal();
    });
    ok &= Shot(dir, "TFormTransActionReport", [&] {
        TFormTransActionReport f;
        report::WritePdf(f.PrepareReport(), dir + "\\Pruefbericht.pdf");
        f.ShowModal();
    });
    ok &= Shot(dir, "TFormEditFoto", [&] {
        // The photo dialog over the project database, filled as after a capture on the map.
        sim::TheProject().projectDB = (project / "Projekt.db").string();
        sim::CreateProjectDatabase(sim::TheProject().projectDB);
        EnsureTableFotos();
        EnsureSubDirFotos();
        const std::string picture = (project / "Moorwiese.jpg").string();
        sim::WriteJpeg(picture, 1200, 800, 0);
        TFormEditFoto f;
        f.InitControls(0);
        f.seRWert.SetValue(3412410);
        f.seHWert.SetValue(5800162);
        f.cbNoCoordinates.Checked = false;
        f.cbNoCoordinatesClick();
        f.cbBlickrichtungUnbekannt.Checked = false;
        f.cbBlickrichtungUnbekanntClick();
        f.rbNE.SetChecked(true);
        f.dtpDate.Year = 2024, f.dtpDate.Month = 6, f.dtpDate.Day = 12;
        f.eKurzname.Caption = "Moorwiese am Ostufer";
        f.eQuelle.Caption = "Kartierung 2024";
        f.mBeschreibung.Lines = {"Blick vom Steg über die Wiese", "nach Nordosten"};
        f.Image1.LoadFromFile(picture);
        f.Image1.Visible = true;
        f.Label7.Visible = false;
        f.editFilename.Caption = "FXFoto1.jpg";
        f.Show();
        RunWhileShowing(f);
        f.Close();
    });
    ok &= Shot(dir, "OpenPictureDialog1", [&] {
        // The photo dialog's file chooser with its preview, a picture chosen in the list.
        ui::FileDialogOptions options;
        options.filter = "JPEG-Grafikdatei (*.jpg)|*.jpg";
        options.picturePreview = true;
        options.initialDir = project.string();
        options.fileName = "Moorwiese.jpg";
        std::string chosen;
        ui::OpenFileDialog(options, chosen);
    });
    ok &= Shot(dir, "message-warning", [] {
        ui::MessageDlg("Das Objekt ist lesend gesperrt. Seine Geometrie darf nicht verändert werden!",
                       ui::MsgType::Warning);
    });
    ok &= Shot(dir, "message-error", [] { ui::MessageDlg("Unbekannter Fehler im Transaktionsmodul.", ui::MsgType::Error); });
    ok &= Shot(dir, "message-information", [] {
        ui::MessageDlg("Es wurden 3 Objekte der Transaktion zugewiesen.", ui::MsgType::Information);
    });
    ok &= Shot(dir, "message-confirmation", [] {
        ui::MessageDlg("Sollen die selektierten Objekte einer Transaktion zugewiesen werden?",
                       ui::MsgType::Confirmation, ui::MsgButtons::YesNo);
    });
    std::filesystem::remove_all(project);
    return ok ? 0 : 1;
}
