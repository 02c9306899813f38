// What the host does when the user acts, calling the plug-in's hooks the way the host does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace sim {

// How the host announces identifier edits: through UpdateKennungPreCorrection before and after
// (the default), or through BeforeChangeKennung and AfterChangeKennung.
enum class RenameHooks { PreCorrection, Direct };
void SetRenameHooks(RenameHooks mode);
// Capacity (characters without terminator) of the identifier buffer of a new object.
constexpr uint16_t kDefaultKennungBufferSize = 50;
void SetKennungBufferSize(uint16_t size);

// Sink for what the host reports (hook calls, refusals); empty = silent.
void SetHostLog(std::function<void(const std::string&)> log);
void HostLog(const std::string& text);

// The user edits an object's identifier; fxSetKennung does the same.
void RenameObject(int32_t id, const std::string& kennung);
// The user creates an object: BeforeCreateObject, the creation, InsertInTransActionList.
// Returns the new id, 0 when the plug-in made the host abandon it.
int32_t CreateObject(int32_t classId, int32_t geoType, const std::string& proposed, double x, double y);
// The user deletes an object: DeleteFromTransActionList, then the deletion.
void DeleteObject(int32_t id);
// The user drags an object: CheckStatus first; on refusal nothing moves. Returns whether it moved.
bool MoveObject(int32_t id, double x, double y);
// The user finishes an attribute edit of the object (AfterEditObject).
void EditObject(int32_t id);
// A record of a host table is posted (OnTablePost with the table name and event code).
void PostTable(const std::string& table, int32_t eventCode);
// The user finishes the creation started by fxCreateObjectStart at this point, or cancels it.
int32_t FinishPendingCreation(double x, double y);
void CancelPendingCreation();

}  // namespace sim
