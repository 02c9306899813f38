#include "HostActions.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include "Plugin.h"
#include "Project.h"
#include "host/NewKennungStruct.h"
#include "host/gisconst.h"

namespace sim {

namespace {
RenameHooks gRenameHooks = RenameHooks::PreCorrection;
uint16_t gKennungBufferSize = kDefaultKennungBufferSize;
std::function<void(const std::string&)> gLog;
}  // namespace

void SetRenameHooks(RenameHooks mode) { gRenameHooks = mode; }
void SetKennungBufferSize(uint16_t size) { gKennungBufferSize = size; }
void SetHostLog(std::function<void(const std::string&)> log) { gLog = std::move(log); }
void HostLog(const std::string& text) {
    if (gLog)
        gLog(text);
}

void RenameObject(int32_t id, const std::string& kennung) {
    Project& p = TheProject();
    if (!p.Find(id))
        throw std::runtime_error("no object " + std::to_string(id));
    Plugin& plugin = ThePlugin();
    const bool direct = gRenameHooks == RenameHooks::Direct;
    plugin.Call(direct ? "BeforeChangeKennung" : "UpdateKennungPreCorrection", id, 0, 0);
    // The object may be gone or renamed by a re-entrant call; look it up again.
    if (GeoObject* o = p.Find(id))
        o->kennung = p.HostKennung(kennung);
    plugin.Call(direct ? "AfterChangeKennung" : "UpdateKennungPreCorrection", id, 0, 0);
}

int32_t CreateObject(int32_t classId, int32_t geoType, const std::string& proposed, double x, double y) {
    Project& p = TheProject();
    std::vector<char> buffer(static_cast<size_t>(gKennungBufferSize) + 1, '\0');
    std::memcpy(buffer.data(), proposed.data(), std::min(proposed.size(), static_cast<size_t>(gKennungBufferSize)));
    NewKennungStruct data{buffer.data(), gKennungBufferSize, 1};
    if (ThePlugin().Call("BeforeCreateObject", classId, reinterpret_cast<intptr_t>(&data), geoType) == 0) {
        HostLog("host: creation abandoned");
        return 0;
    }
    GeoObject o;
    o.id = p.NewObjectId();
    o.classId = classId;
    o.geoType = geoType;
    o.x = x;
    o.y = y;
    o.kennung = p.HostKennung(data.UseHostKennung ? proposed : std::string(buffer.data()));
    p.objects[o.id] = o;
    p.activeObject = o.id;
    HostLog("host: object " + std::to_string(o.id) + " \"" + o.kennung + "\" created");
    ThePlugin().Call("InsertInTransActionList", 0, o.id, 0);
    return o.id;
}

void DeleteObject(int32_t id) {
    Project& p = TheProject();
    if (!p.Find(id))
        throw std::runtime_error("no object " + std::to_string(id));
    ThePlugin().Call("DeleteFromTransActionList", id, 0, 0);
    p.objects.erase(id);
    std::erase(p.selection, id);
    if (p.activeObject == id)
        p.activeObject = 0;
    HostLog("host: object " + std::to_string(id) + " deleted");
}

bool MoveObject(int32_t id, double x, double y) {
    Project& p = TheProject();
    if (!p.Find(id))
        throw std::runtime_error("no object " + std::to_string(id));
    if (ThePlugin().Call("CheckStatus", 0, id, 0) == 0) {
        HostLog("host: geometry edit of object " + std::to_string(id) + " refused");
        return false;
    }
    if (GeoObject* o = p.Find(id)) {
        o->x = x;
        o->y = y;
    }
    ThePlugin().Call("GeometryChanged", id, 0, 0);
    return true;
}

void EditObject(int32_t id) {
    Project& p = TheProject();
    if (!p.Find(id))
        throw std::runtime_error("no object " + std::to_string(id));
    p.activeObject = id;
    ThePlugin().Call("AfterEditObject", 0, 0, 0);
}

void PostTable(const std::string& table, int32_t eventCode) {
    std::vector<char> name(table.begin(), table.end());
    name.push_back('\0');
    ThePlugin().Call("OnTablePost", 0, reinterpret_cast<intptr_t>(name.data()), eventCode);
}

int32_t FinishPendingCreation(double x, double y) {
    Project& p = TheProject();
    if (!p.pending)
        throw std::runtime_error("no object creation is waiting for a position");
    PendingCreation c = *p.pending;
    p.pending.reset();
    const int32_t id = CreateObject(c.classId, c.geoType, c.kennung.empty() ? p.ProposeKennung() : c.kennung, x, y);
    ThePlugin().Call("AfterFELDIXCommand", FX_CMD_BUILDOBJECT, 0, 0);
    return id;
}

void CancelPendingCreation() {
    Project& p = TheProject();
    p.pending.reset();
    ThePlugin().Call("AfterFELDIXCommand", FX_CMD_BUILDOBJECT, 0, FX_BO_CANCEL);
}

}  // namespace sim
