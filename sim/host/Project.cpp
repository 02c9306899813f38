#include "Project.h"

#include <memory>

namespace sim {

GeoObject* Project::Find(int32_t id) {
    auto it = objects.find(id);
    return it == objects.end() ? nullptr : &it->second;
}

GeoObject* Project::FindByKennung(const std::string& kennung) {
    // Of several objects with the identifier, the one with the lowest id, whatever the order
    // of the table. Objects come and go through the map directly, so the index is built anew
    // whenever their count changed; a hit still carrying the identifier is the answer. A miss
    // walks the objects, since an object may have been renamed meanwhile.
    if (objects.size() != indexedCount_) {
        byKennung_.clear();
        for (const auto& [id, o] : objects) {
            auto [it, added] = byKennung_.emplace(o.kennung, id);
            if (!added && id < it->second)
                it->second = id;
        }
        indexedCount_ = objects.size();
    }
    if (auto hit = byKennung_.find(kennung); hit != byKennung_.end())
        if (GeoObject* o = Find(hit->second); o && o->kennung == kennung)
            return o;
    GeoObject* found = nullptr;
    int32_t foundId = 0;
    for (auto& [id, o] : objects)
        if (o.kennung == kennung && (!found || id < foundId)) {
            found = &o;
            foundId = id;
        }
    return found;
}

std::optional<int32_t> Project::FindClass(const std::string& name) const {
    for (const auto& [id, n] : classes)
        if (n == name)
            return id;
    return std::nullopt;
}

std::string Project::ClassName(int32_t classId) const {
    auto it = classes.find(classId);
    return it == classes.end() ? std::string() : it->second;
}

std::string Project::ProposeKennung() {
    for (;;) {
        std::string k = "FX" + std::to_string(++proposed_);
        if (!FindByKennung(k))
            return k;
    }
}

void Project::FailCall(const std::string& function, int nth, bool always, FailMode mode) {
    failures_[function] = Failure{CallCount(function) + nth, always, mode};
}

bool Project::ShouldFail(const char* function) {
    const int n = ++calls_[function];
    auto it = failures_.find(function);
    if (it == failures_.end())
        return false;
    const Failure& f = it->second;
    if (n == f.nth || (f.always && n > f.nth)) {
        if (f.mode == FailMode::Raise)
            throw HostCallFailed(std::string(function) + ": Zugriffsverletzung im Host");
        return true;
    }
    return false;
}

int Project::CallCount(const std::string& function) const {
    auto it = calls_.find(function);
    return it == calls_.end() ? 0 : it->second;
}

namespace {
std::unique_ptr<Project>& Slot() {
    static std::unique_ptr<Project> p = std::make_unique<Project>();
    return p;
}
}  // namespace

Project& TheProject() { return *Slot(); }

void ResetProject() { Slot() = std::make_unique<Project>(); }

}  // namespace sim
