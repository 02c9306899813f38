#include "HostExchange.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "HostActions.h"
#include "Project.h"
#include "ProjectDatabase.h"
#include "exchange/AttributeXml.h"
#include "exchange/Geodata.h"
#include "host/gisconst.h"
#include "platform/os/Files.h"

namespace sim {

namespace {

// The selected objects that still exist, in selection order.
std::vector<const GeoObject*> Selected(Project& p) {
    std::vector<const GeoObject*> out;
    for (int32_t id : p.selection)
        if (const GeoObject* o = p.Find(id))
            out.push_back(o);
    return out;
}

bool HasDatabase(const Project& p) { return !p.projectDB.empty() && std::filesystem::exists(p.projectDB); }

void Failed(const char* function, const std::exception& e) {
    HostLog(std::string("host: ") + function + " failed: " + e.what());
}

// The record of the exported object's attribute table is posted while that object is active;
// an object active before that stays active, any other is restored afterwards.
void PostAttributeRecord(Project& p, const std::vector<const GeoObject*>& exported) {
    if (exported.empty())
        return;
    const int32_t before = p.activeObject;
    // The record of the active object is posted; without one, that of the first exported object.
    const bool keep = before != 0 && p.Find(before);
    const int32_t posted = keep ? before : exported.front()->id;
    const std::string cls = p.ClassName(p.Find(posted)->classId);
    p.activeObject = posted;
    PostTable(cls.empty() ? "Sachdaten" : cls, 1);
    if (!keep && p.activeObject == posted)
        p.activeObject = before;
}

}  // namespace

bool ExportGeodata(const std::string& path) {
    Project& p = TheProject();
    std::vector<fxexchange::PointObject> points;
    for (const GeoObject* o : Selected(p))
        points.push_back({o->kennung, p.ClassName(o->classId), o->x, o->y});
    try {
        fxexchange::WriteGeodata(os::NativePath(path), points);
    } catch (const std::exception& e) {
        Failed("fxExportGeodaten", e);
        return false;
    }
    HostLog("host: " + std::to_string(points.size()) + " objects written to the geodata");
    return true;
}

bool ExportAttributeData(const std::string& path) {
    Project& p = TheProject();
    const std::vector<const GeoObject*> exported = Selected(p);
    try {
        std::vector<fxexchange::ObjectData> objects;
        for (const GeoObject* o : exported)
            objects.push_back({o->kennung, p.ClassName(o->classId), o->attributes,
                               HasDatabase(p) ? LinkedPhotos(p.projectDB, o->id) : std::vector<int32_t>{}});
        fxexchange::WriteAttributeXml(os::NativePath(path), objects);
    } catch (const std::exception& e) {
        Failed("fxExportDataXML", e);
        return false;
    }
    HostLog("host: " + std::to_string(exported.size()) + " objects written to the attribute data");
    PostAttributeRecord(p, exported);
    return true;
}

bool ImportGeodata(const std::string& basePath) {
    Project& p = TheProject();
    std::vector<fxexchange::PointObject> points;
    try {
        points = fxexchange::ReadGeodata(os::NativePath(basePath));
    } catch (const std::exception& e) {
        Failed("fxImportGeodaten", e);
        return false;
    }
    // Everything is read: from here on nothing fails.
    int created = 0, replaced = 0;
    for (const auto& point : points) {
        int32_t classId = 0;  // an object without a class name stays without class
        if (!point.Klasse.empty()) {
            if (const auto found = p.FindClass(point.Klasse)) {
                classId = *found;
            } else {
                classId = p.classes.empty() ? 1 : p.classes.rbegin()->first + 1;
                p.classes[classId] = point.Klasse;
                HostLog("host: new object class " + std::to_string(classId) + " \"" + point.Klasse + "\"");
            }
        }
        const std::string kennung = p.HostKennung(point.Kennung);
        GeoObject* o = p.FindByKennung(kennung);
        if (o) {
            ++replaced;
        } else {
            GeoObject fresh;
            fresh.id = p.NewObjectId();
            fresh.kennung = kennung;
            o = &(p.objects[fresh.id] = fresh);
            ++created;
        }
        o->classId = classId;
        o->geoType = fx_SinglePoint;
        o->x = point.X;
        o->y = point.Y;
    }
    HostLog("host: geodata imported, " + std::to_string(created) + " objects new, " + std::to_string(replaced) +
            " replaced");
    return true;
}

bool ImportAttributeData(const std::string& path) {
    Project& p = TheProject();
    std::vector<std::pair<GeoObject*, Attributes>> attributes;
    std::vector<ObjectLinks> links;
    int skipped = 0;
    try {
        for (auto& data : fxexchange::ReadAttributeXml(os::NativePath(path))) {
            GeoObject* o = p.FindByKennung(p.HostKennung(data.Kennung));
            if (!o) {
                ++skipped;
                continue;
            }
            attributes.emplace_back(o, std::move(data.Attribute));
            links.push_back({o->id, std::move(data.Fotos)});
        }
        const bool anyPhoto =
            std::any_of(links.begin(), links.end(), [](const ObjectLinks& l) { return !l.photos.empty(); });
        // Without a project database there are no links to replace, and none can be stored.
        if (HasDatabase(p))
            ReplaceLinks(p.projectDB, links);
        else if (anyPhoto)
            throw std::runtime_error("the project has no database for the photo links");
    } catch (const std::exception& e) {
        Failed("fxImportDataXML", e);
        return false;
    }
    for (auto& [o, values] : attributes)
        o->attributes = std::move(values);
    // The host's cursor over the links reads them again.
    p.links.object = -1;
    HostLog("host: attribute data imported, " + std::to_string(attributes.size()) + " objects, " +
            std::to_string(skipped) + " unknown identifiers skipped");
    return true;
}

}  // namespace sim
