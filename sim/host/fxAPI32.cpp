// The host functions over the simulated project.
#define FXAPI32_BUILD
#include "host/fxAPI32.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "HostActions.h"
#include "HostExchange.h"
#include "Plugin.h"
#include "Project.h"
#include "ProjectDatabase.h"

using sim::Project;
using sim::TheProject;

namespace {

// Copies at most size characters and a terminator, as the host's text functions do.
int32_t CopyOut(const std::string& text, char* buffer, int32_t size) {
    if (!buffer || size < 0)
        return 0;
    const size_t n = std::min(text.size(), static_cast<size_t>(size));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int32_t>(n);
}

sim::HostTable* Table(const char* name) {
    if (!name)
        return nullptr;
    auto& tables = TheProject().tables;
    auto it = tables.find(name);
    return it == tables.end() ? nullptr : &it->second;
}

// Objektphotos lives in the project database, unless a test defined a table of that name in
// memory. The host compares table names exactly.
bool IsLinkTable(const char* name) {
    return name && std::strcmp(name, "Objektphotos") == 0 && !Table(name) &&
           std::filesystem::exists(TheProject().projectDB);
}

// The cursor over the active object's links; read again when asked or when the active object
// has changed since.
sim::LinkCursor& Links(bool reread) {
    Project& p = TheProject();
    sim::LinkCursor& c = p.links;
    if (reread || c.object != p.activeObject) {
        c.keys = sim::LinkKeys(p.projectDB, p.activeObject);
        c.object = p.activeObject;
        c.pos = 0;
    }
    return c;
}

// The key of the link the cursor is on; 0 at the end.
int64_t CurrentLink() {
    sim::LinkCursor& c = Links(false);
    return c.pos < c.keys.size() ? c.keys[c.pos] : 0;
}

}  // namespace

extern "C" {

int32_t FXAPI fxGetProjectDir(char* Buffer, int32_t Size) {
    if (TheProject().ShouldFail("fxGetProjectDir"))
        return CopyOut("", Buffer, Size);
    return CopyOut(TheProject().projectDir, Buffer, Size);
}

int32_t FXAPI fxGetVerfahrenDir(char* Buffer, int32_t Size) {
    if (TheProject().ShouldFail("fxGetVerfahrenDir"))
        return CopyOut("", Buffer, Size);
    return CopyOut(TheProject().verfahrenDir, Buffer, Size);
}

int32_t FXAPI fxGetProjectDB(char* Buffer, int32_t Size) {
    if (TheProject().ShouldFail("fxGetProjectDB"))
        return CopyOut("", Buffer, Size);
    return CopyOut(TheProject().projectDB, Buffer, Size);
}

int32_t FXAPI fxGetObjectData(ObjectDataRecord* Data) {
    Project& p = TheProject();
    if (!Data || p.ShouldFail("fxGetObjectData"))
        return 0;
    const sim::GeoObject* o = p.Find(Data->ID);
    if (!o || !Data->Kennung)
        return 0;
    // The host writes the whole identifier: the caller's buffer must have room for it.
    std::memcpy(Data->Kennung, o->kennung.c_str(), o->kennung.size() + 1);
    return 1;
}

FXBOOL FXAPI fxGetObjectClassData(ClassDataRecord* Data) {
    Project& p = TheProject();
    if (!Data || p.ShouldFail("fxGetObjectClassData"))
        return 0;
    auto it = p.classes.find(Data->ClassID);
    if (it == p.classes.end())
        return 0;
    if (Data->Name)
        CopyOut(it->second, Data->Name, 254);
    if (Data->Description)
        CopyOut("Objektklasse " + it->second, Data->Description, 254);
    return 1;
}

int32_t FXAPI fxGetObjectClass() {
    Project& p = TheProject();
    return p.ShouldFail("fxGetObjectClass") ? -1 : p.currentClass;
}

int32_t FXAPI fxGetClassOf(int32_t ID) {
    Project& p = TheProject();
    if (p.ShouldFail("fxGetClassOf"))
        return -1;
    const sim::GeoObject* o = p.Find(ID);
    return o ? o->classId : -1;
}

int32_t FXAPI fxSetObjectClass(int32_t ClassID) {
    Project& p = TheProject();
    if (p.ShouldFail("fxSetObjectClass") || !p.classes.count(ClassID))
        return 0;
    p.currentClass = ClassID;
    return 1;
}

int32_t FXAPI fxGetIDFromKennung(const char* Kennung) {
    Project& p = TheProject();
    if (!Kennung || p.ShouldFail("fxGetIDFromKennung"))
        return 0;
    const sim::GeoObject* o = p.FindByKennung(Kennung);
    return o ? o->id : 0;
}

FXBOOL FXAPI fxKennungExists(const char* Kennung) {
    Project& p = TheProject();
    if (!Kennung || p.ShouldFail("fxKennungExists"))
        return 0;
    return p.FindByKennung(Kennung) ? 1 : 0;
}

int32_t FXAPI fxSetKennung(int32_t ID, const char* Kennung) {
    Project& p = TheProject();
    if (!Kennung || p.ShouldFail("fxSetKennung") || !p.Find(ID))
        return 0;
    sim::HostLog("host: fxSetKennung(" + std::to_string(ID) + ", \"" + Kennung + "\")");
    sim::RenameObject(ID, Kennung);
    return 1;
}

int32_t FXAPI fxGetActiveGeoObject() {
    Project& p = TheProject();
    return p.ShouldFail("fxGetActiveGeoObject") ? 0 : p.activeObject;
}

int32_t FXAPI fxSetActiveObject(int32_t ID) {
    Project& p = TheProject();
    if (p.ShouldFail("fxSetActiveObject"))
        return 0;
    p.activeObject = p.Find(ID) ? ID : 0;
    return p.activeObject != 0;
}

int32_t FXAPI fxGetNrOfSelectedGeoObjects() {
    Project& p = TheProject();
    return p.ShouldFail("fxGetNrOfSelectedGeoObjects") ? 0 : static_cast<int32_t>(p.selection.size());
}

int32_t FXAPI fxDeselectAll() {
    Project& p = TheProject();
    if (p.ShouldFail("fxDeselectAll"))
        return 0;
    p.selection.clear();
    return 1;
}

int32_t FXAPI fxAddToSelection(int32_t ID) {
    Project& p = TheProject();
    if (p.ShouldFail("fxAddToSelection") || !p.Find(ID))
        return 0;
    if (std::find(p.selection.begin(), p.selection.end(), ID) == p.selection.end())
        p.selection.push_back(ID);
    return 1;
}

int32_t FXAPI fxIterateObjects(int32_t /*Mode*/, const char* LibraryName, const char* FunctionName) {
    Project& p = TheProject();
    sim::Plugin& plugin = sim::ThePlugin();
    if (p.ShouldFail("fxIterateObjects") || !LibraryName || !FunctionName || !plugin.IsModule(LibraryName))
        return 0;
    if (!plugin.Find(FunctionName))
        return 0;
    // The selection as it was when the iteration began; objects may be renamed meanwhile.
    const std::vector<int32_t> ids = p.selection;
    int32_t count = 0;
    for (int32_t id : ids) {
        const sim::GeoObject* o = p.Find(id);
        if (!o)
            continue;
        std::vector<char> kennung(o->kennung.begin(), o->kennung.end());
        kennung.push_back('\0');
        ObjectDataRecord data{0, kennung.data(), 0, id};
        plugin.Call(FunctionName, reinterpret_cast<intptr_t>(&data), 0, 0);
        ++count;
    }
    return count;
}

int32_t FXAPI fxRedraw() {
    ++TheProject().redraws;
    return 1;
}

int32_t FXAPI fxActivateMap() {
    sim::HostLog("host: map view activated");
    return 1;
}

int32_t FXAPI fxActivateData() {
    sim::HostLog("host: data view activated");
    return 1;
}

int32_t FXAPI fxBeginUpdate() {
    ++TheProject().updateDepth;
    return 1;
}

int32_t FXAPI fxEndUpdate() {
    Project& p = TheProject();
    if (p.updateDepth > 0)
        --p.updateDepth;
    return 1;
}

int32_t FXAPI fxDeleteObject(int32_t ID) {
    Project& p = TheProject();
    if (p.ShouldFail("fxDeleteObject") || !p.Find(ID))
        return 0;
    sim::DeleteObject(ID);
    return 1;
}

int32_t FXAPI fxEnsureData(int32_t ID) {
    Project& p = TheProject();
    return !p.ShouldFail("fxEnsureData") && p.Find(ID) ? 1 : 0;
}

int32_t FXAPI fxCreateObjectStart(int32_t ClassID, int32_t GeoTyp, const char* Kennung) {
    Project& p = TheProject();
    if (p.ShouldFail("fxCreateObjectStart"))
        return 0;
    p.pending = sim::PendingCreation{ClassID, GeoTyp, Kennung ? Kennung : ""};
    sim::HostLog("host: object creation started, waiting for a position on the map");
    return 1;
}

FXBOOL FXAPI fxGetValueByName(const char* TableName, const char* Field, char* Buffer, int32_t Size) {
    Project& p = TheProject();
    if (IsLinkTable(TableName)) {
        if (p.ShouldFail("fxGetValueByName") || !Field)
            return 0;
        try {
            const int64_t key = CurrentLink();
            const std::optional<std::string> v = key ? sim::LinkValue(p.projectDB, key, Field) : std::nullopt;
            if (!v)
                return 0;
            CopyOut(*v, Buffer, Size);
            return 1;
        } catch (const std::runtime_error&) {
            return 0;
        }
    }
    sim::HostTable* t = Table(TableName);
    if (p.ShouldFail("fxGetValueByName") || !t || !Field || t->cursor >= t->rows.size())
        return 0;
    if (std::find(t->columns.begin(), t->columns.end(), Field) == t->columns.end())
        return 0;
    CopyOut(t->rows[t->cursor][Field], Buffer, Size);
    return 1;
}

int32_t FXAPI fxSetValueByName(const char* TableName, const char* Field, const char* Value) {
    Project& p = TheProject();
    if (IsLinkTable(TableName)) {
        if (p.ShouldFail("fxSetValueByName") || !Field)
            return 0;
        try {
            const int64_t key = CurrentLink();
            return key && sim::SetLinkValue(p.projectDB, key, Field, Value ? Value : "") ? 1 : 0;
        } catch (const std::runtime_error&) {
            return 0;
        }
    }
    sim::HostTable* t = Table(TableName);
    if (p.ShouldFail("fxSetValueByName") || !t || !Field || t->cursor >= t->rows.size())
        return 0;
    if (std::find(t->columns.begin(), t->columns.end(), Field) == t->columns.end())
        return 0;
    t->rows[t->cursor][Field] = Value ? Value : "";
    return 1;
}

int32_t FXAPI fxTableFirst(const char* TableName) {
    if (IsLinkTable(TableName)) {
        if (TheProject().ShouldFail("fxTableFirst"))
            return 0;
        Links(true);
        return 1;
    }
    sim::HostTable* t = Table(TableName);
    if (TheProject().ShouldFail("fxTableFirst") || !t)
        return 0;
    t->cursor = 0;
    return 1;
}

int32_t FXAPI fxTableNext(const char* TableName) {
    if (IsLinkTable(TableName)) {
        if (TheProject().ShouldFail("fxTableNext"))
            return 0;
        sim::LinkCursor& c = Links(false);
        if (c.pos < c.keys.size())
            ++c.pos;
        return 1;
    }
    sim::HostTable* t = Table(TableName);
    if (TheProject().ShouldFail("fxTableNext") || !t)
        return 0;
    if (t->cursor < t->rows.size())
        ++t->cursor;
    return 1;
}

FXBOOL FXAPI fxTableEOF(const char* TableName) {
    if (IsLinkTable(TableName)) {
        if (TheProject().ShouldFail("fxTableEOF"))
            return 1;
        return CurrentLink() == 0 ? 1 : 0;
    }
    sim::HostTable* t = Table(TableName);
    if (TheProject().ShouldFail("fxTableEOF") || !t)
        return 1;
    return t->cursor >= t->rows.size() ? 1 : 0;
}

int32_t FXAPI fxDisableControls(const char* TableName) {
    if (IsLinkTable(TableName)) {
        ++TheProject().links.disabled;
        return 1;
    }
    sim::HostTable* t = Table(TableName);
    if (!t)
        return 0;
    ++t->disabled;
    return 1;
}

int32_t FXAPI fxEnableControls(const char* TableName) {
    if (IsLinkTable(TableName)) {
        int& disabled = TheProject().links.disabled;
        if (disabled > 0)
            --disabled;
        return 1;
    }
    sim::HostTable* t = Table(TableName);
    if (!t)
        return 0;
    if (t->disabled > 0)
        --t->disabled;
    return 1;
}

int32_t FXAPI fxAppendRecord(const char* TableName) {
    if (IsLinkTable(TableName)) {
        Project& p = TheProject();
        if (p.ShouldFail("fxAppendRecord") || !p.Find(p.activeObject))
            return 0;
        try {
            const int64_t key = sim::AppendLink(p.projectDB, p.activeObject);
            sim::LinkCursor& c = Links(true);
            while (c.pos < c.keys.size() && c.keys[c.pos] != key)
                ++c.pos;
            return 1;
        } catch (const std::runtime_error&) {
            return 0;
        }
    }
    sim::HostTable* t = Table(TableName);
    if (TheProject().ShouldFail("fxAppendRecord") || !t)
        return 0;
    t->rows.emplace_back();
    t->cursor = t->rows.size() - 1;
    return 1;
}

int32_t FXAPI fxGetCursorCoordinates(CursorPoint* Point) {
    Project& p = TheProject();
    if (!Point || p.ShouldFail("fxGetCursorCoordinates") || !p.cursor)
        return 0;
    Point->RWert = p.cursor->first;
    Point->HWert = p.cursor->second;
    return 1;
}

double FXAPI fxGetObjectRWert(int32_t ID) {
    Project& p = TheProject();
    const sim::GeoObject* o = p.ShouldFail("fxGetObjectRWert") ? nullptr : p.Find(ID);
    return o ? o->x : 0.0;
}

double FXAPI fxGetObjectHWert(int32_t ID) {
    Project& p = TheProject();
    const sim::GeoObject* o = p.ShouldFail("fxGetObjectHWert") ? nullptr : p.Find(ID);
    return o ? o->y : 0.0;
}

// Geodata and attribute exchange: the host reads and writes its own files (HostExchange).
// The numeric arguments choose the host's formats; the stand-in knows one of each.
int32_t FXAPI fxImportGeodaten(const char* Path, int32_t Format, int32_t Flag) {
    sim::HostLog("host: fxImportGeodaten(\"" + std::string(Path ? Path : "") + "\", " + std::to_string(Format) +
                 ", " + std::to_string(Flag) + ")");
    if (TheProject().ShouldFail("fxImportGeodaten") || !Path)
        return 0;
    return sim::ImportGeodata(Path) ? 1 : 0;
}

int32_t FXAPI fxImportDataXML(const char* FileName, int32_t Flag) {
    sim::HostLog("host: fxImportDataXML(\"" + std::string(FileName ? FileName : "") + "\", " + std::to_string(Flag) + ")");
    if (TheProject().ShouldFail("fxImportDataXML") || !FileName)
        return 0;
    return sim::ImportAttributeData(FileName) ? 1 : 0;
}

int32_t FXAPI fxExportDataXML(const char* FileName, int32_t Mode, int32_t Flag) {
    sim::HostLog("host: fxExportDataXML(\"" + std::string(FileName ? FileName : "") + "\", " + std::to_string(Mode) +
                 ", " + std::to_string(Flag) + ")");
    if (TheProject().ShouldFail("fxExportDataXML") || !FileName)
        return 0;
    return sim::ExportAttributeData(FileName) ? 1 : 0;
}

int32_t FXAPI fxExportGeodaten(const char* FileName, int32_t Format, int32_t Mode, int32_t Flag) {
    sim::HostLog("host: fxExportGeodaten(\"" + std::string(FileName ? FileName : "") + "\", " + std::to_string(Format) +
                 ", " + std::to_string(Mode) + ", " + std::to_string(Flag) + ")");
    if (TheProject().ShouldFail("fxExportGeodaten") || !FileName)
        return 0;
    return sim::ExportGeodata(FileName) ? 1 : 0;
}

}  // extern "C"
