// The members of a checked-out transaction that the plug-in reads itself, read and checked
// completely before the import changes anything.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// A member that exists but cannot be read; the text (German) names the file.
class ImportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One row of the object list (prefix + "t.dbf").
struct ImportObjekt {
    std::string KENNUNG;
    int32_t TID = 0;
    int32_t FELDIXID = 0;
    int32_t VGNR = 0;
    int32_t SCHREIBEND = 0;
};

// One row of the identifier list (prefix + "kl.dbf").
struct ImportKennung {
    std::string KENNUNG;
    int32_t TID = 0;
};

// Section "Transaktionsdaten" of prefix + ".tid"; the defaults stand for what is missing.
struct ImportTransaktion {
    int32_t TID = -1;
    std::string Name = "unbekannt";
    std::string Owner = "unbekannt";
};

// The name under which the directory holds FileName, found without regard to letter case
// (the exact spelling first) on every platform; FileName itself when there is no such entry.
std::string MemberName(const std::string& ImportDir, const std::string& FileName);

// Each reads the whole member; none when the file does not exist; ImportError when it exists
// and a row or field cannot be read.
std::optional<std::vector<ImportObjekt>> ReadObjektListe(const std::string& ImportFileName, const std::string& ImportDir);
std::optional<std::vector<ImportKennung>> ReadKennungListe(const std::string& ImportFileName, const std::string& ImportDir);
ImportTransaktion ReadTransaktionsDatei(const std::string& ImportFileName, const std::string& ImportDir);
// Reads every row and field of the photo exchange table, memo included; nothing when missing.
void CheckFotoTabelle(const std::string& ImportFileName, const std::string& ImportDir);
