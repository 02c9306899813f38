#include "photos/EnsureDataBase.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "photos/DataModule.h"
#include "platform/os/Files.h"
#include "plugin/Globals.h"
#include "util/Tools.h"
#include "util/Utils.h"

namespace {
bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}
}  // namespace

void EnsureTableFotos() {
    // The instance lives only in this call; whatever happens, the global holds none afterwards.
    struct Release {
        ~Release() { ReleaseFotoverwaltung(); }
    } release;
    ReleaseFotoverwaltung();
    TdmFotoverwaltung dm;
    dm.OpenPrjDatabase(MyGetProjectDB());
    const std::vector<std::string> sl = dm.ADOConnectionProjekt.tableNames();
    if (std::none_of(sl.begin(), sl.end(), [](const std::string& n) { return SameTextIgnoringCase(n, "Fotos"); }))
        dm.CreateTableFotos();
}

void EnsureSubDirFotos() {
    const std::string dir = MyGetProjectDir() + "FXPhotos";
    if (!DirExists(dir))
        os::CreateDir(dir);
}
