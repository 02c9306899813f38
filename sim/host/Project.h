// The simulated host project: directories, object classes, objects, selection, map cursor,
// host tables, and failures to inject into host calls.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace sim {

// An object's attribute data: (name, value) pairs in the host's order, Windows-1252.
using Attributes = std::vector<std::pair<std::string, std::string>>;

struct GeoObject {
    int32_t id = 0;
    std::string kennung;
    int32_t classId = 0;
    int32_t geoType = 0;
    double x = 0, y = 0;
    Attributes attributes = {};
};

// A host table with named text columns and a cursor (e.g. "Objektphotos").
struct HostTable {
    std::vector<std::string> columns;
    std::vector<std::map<std::string, std::string>> rows;
    size_t cursor = 0;
    int disabled = 0;
};

// The host's cursor over Objektphotos in the project database. The host presents the links of
// the active object (as its attribute window does): the cursor follows the active object,
// starts on its first link in key order, and fxTableFirst reads the links again.
struct LinkCursor {
    int32_t object = -1;  // the object whose links were read; -1 before the first read
    std::vector<int64_t> keys;
    size_t pos = 0;
    int disabled = 0;
};

// An interactive creation started by fxCreateObjectStart, waiting for the user's pick.
struct PendingCreation {
    int32_t classId = 0;
    int32_t geoType = 0;
    std::string kennung;
};

// What a host call does when it is told to fail: return its failure value, or raise.
enum class FailMode { Return, Raise };

class HostCallFailed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Project {
public:
    std::string projectDir;     // as the host reports it, without trailing separator
    std::string verfahrenDir;
    std::string projectDB;

    std::map<int32_t, std::string> classes;
    std::unordered_map<int32_t, GeoObject> objects;  // looked up by id on nearly every host call
    std::vector<int32_t> selection;
    int32_t activeObject = 0;
    int32_t currentClass = 0;
    std::optional<std::pair<double, double>> cursor;
    std::map<std::string, HostTable> tables;
    std::optional<PendingCreation> pending;
    LinkCursor links;

    int redraws = 0;
    int updateDepth = 0;
    // Host identifiers longer than this are cut, like the host's own field.
    size_t maxKennung = 255;
    // The identifier as the host's field keeps it.
    std::string HostKennung(const std::string& kennung) const { return kennung.substr(0, maxKennung); }

    int32_t NewObjectId() { return nextId_++; }
    void ReserveIds(int32_t id) {
        if (id >= nextId_)
            nextId_ = id + 1;
    }
    GeoObject* Find(int32_t id);
    GeoObject* FindByKennung(const std::string& kennung);
    // The class of that name (the lowest id of several), if any.
    std::optional<int32_t> FindClass(const std::string& name) const;
    // The class's name, "" for an unknown class.
    std::string ClassName(int32_t classId) const;
    // A fresh identifier the host proposes for a new object.
    std::string ProposeKennung();

    // Failure injection: the nth call (1-based) of a host function fails, once or from then on.
    void FailCall(const std::string& function, int nth, bool always, FailMode mode);
    // Counts the call; true when this call is to fail (or throws HostCallFailed for Raise).
    bool ShouldFail(const char* function);
    int CallCount(const std::string& function) const;

private:
    struct Failure {
        int nth = 0;
        bool always = false;
        FailMode mode = FailMode::Return;
    };
    int32_t nextId_ = 1;
    int proposed_ = 0;
    std::map<std::string, int> calls_;
    std::map<std::string, Failure> failures_;
    // Identifier -> lowest id, as of the last time the object count changed (the host's own
    // index; a large project answers lookups without a walk). Checked on every hit.
    std::unordered_map<std::string, int32_t> byKennung_;
    size_t indexedCount_ = 0;
};

// The one project of the process.
Project& TheProject();
void ResetProject();

}  // namespace sim
