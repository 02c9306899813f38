// Scenario lines of the host's exchange: object attributes, geodata and attribute data files
// written for an import, and what the host holds or wrote checked.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "Project.h"
#include "ProjectDatabase.h"
#include "Scenario.h"
#include "exchange/AttributeXml.h"
#include "exchange/Geodata.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

std::string Number(double v) {
    std::ostringstream out;
    out.precision(15);
    out << v;
    return out.str();
}

bool Near(double a, double b) { return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b)); }

// The base path of a geodata set named with or without ".shp".
std::string BasePath(const std::string& path) {
    fs::path p(path);
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".shp" ? p.replace_extension().string() : path;
}

std::vector<fxexchange::PointObject> GeodataOrEmpty(const std::string& base) {
    return fs::exists(base + ".shp") ? fxexchange::ReadGeodata(base) : std::vector<fxexchange::PointObject>{};
}

std::vector<fxexchange::ObjectData> XmlOrEmpty(const std::string& path) {
    return fs::exists(path) ? fxexchange::ReadAttributeXml(path) : std::vector<fxexchange::ObjectData>{};
}

// The words from FROM on, as (name, value) pairs.
Attributes PairsOf(const ScriptLine& l, size_t from) {
    if ((l.Count() - std::min(from, l.Count())) % 2 != 0)
        throw std::runtime_error(l.Where() + ": names and values go in pairs");
    Attributes pairs;
    for (size_t i = from; i + 1 < l.Count(); i += 2)
        pairs.emplace_back(l.Word(i), l.Word(i + 1));
    return pairs;
}

std::string Show(const Attributes& pairs) {
    std::string out;
    for (const auto& [n, v] : pairs)
        out += (out.empty() ? "" : " ") + Quote(n) + "=" + Quote(v);
    return out.empty() ? "(none)" : out;
}

template <typename T>
std::string Show(const std::vector<T>& items) {
    std::string out;
    for (const auto& i : items) {
        std::ostringstream s;
        s << i;
        out += (out.empty() ? "" : " ") + s.str();
    }
    return out.empty() ? "(none)" : out;
}

// The identifiers of the words from FROM on against those found, in any order.
bool SameSet(std::vector<std::string> want, std::vector<std::string> got) {
    std::sort(want.begin(), want.end());
    std::sort(got.begin(), got.end());
    return want == got;
}

// A text counts as true unless empty, "0", or beginning with f, F, n or N.
bool IsTrue(const std::string& v) {
    return !v.empty() && v != "0" && v[0] != 'f' && v[0] != 'F' && v[0] != 'n' && v[0] != 'N';
}

// The identifiers of a file's objects against the line's words after PATH: empty when they are
// the same set, else what the file holds.
template <class Items>
std::string OtherObjects(const ScriptLine& l, const Items& items) {
    std::vector<std::string> got;
    for (const auto& item : items)
        got.push_back(item.Kennung);
    const std::vector<std::string> want(l.words.begin() + 2, l.words.end());
    return SameSet(want, got) ? std::string() : l.Word(1) + " holds " + Show(got) + ", not " + Show(want);
}

}  // namespace

void Scenario::Exchange(const ScriptLine& l, bool& handled) {
    Project& p = TheProject();
    const std::string& c = l.Command();
    handled = true;
    if (c == "attribute") {
        // attribute ID NAME VALUE: set in place, or appended after the others
        GeoObject* o = p.Find(l.Int(1));
        if (!o)
            throw std::runtime_error(l.Where() + ": no object " + l.Word(1));
        auto it = std::find_if(o->attributes.begin(), o->attributes.end(),
                               [&](const auto& a) { return a.first == l.Word(2); });
        if (it != o->attributes.end())
            it->second = l.Word(3);
        else
            o->attributes.emplace_back(l.Word(2), l.Word(3));
    } else if (c == "geodata") {
        // geodata PATH KENNUNG CLASS X Y: one more point in the set
        const std::string base = BasePath(PathOf(l.Word(1)));
        auto points = GeodataOrEmpty(base);
        points.push_back({l.Word(2), l.Word(3), l.Number(4), l.Number(5)});
        fs::create_directories(fs::path(base).parent_path());
        fxexchange::WriteGeodata(base, points);
    } else if (c == "xml-object" || c == "xml-attribute" || c == "xml-photo") {
        // xml-object PATH KENNUNG [CLASS]; xml-attribute PATH KENNUNG NAME VALUE;
        // xml-photo PATH KENNUNG PHOTOID: the latter two add to the last Objekt of that identifier
        const std::string path = PathOf(l.Word(1));
        auto objects = XmlOrEmpty(path);
        if (c == "xml-object") {
            objects.push_back({l.Word(2), l.Count() > 3 ? l.Word(3) : std::string(), {}, {}});
        } else {
            auto it = std::find_if(objects.rbegin(), objects.rend(), [&](const auto& o) { return o.Kennung == l.Word(2); });
            if (it == objects.rend())
                throw std::runtime_error(l.Where() + ": " + l.Word(1) + " has no object " + l.Word(2));
            if (c == "xml-attribute")
                it->Attribute.emplace_back(l.Word(3), l.Word(4));
            else
                it->Fotos.push_back(l.Int(3));
        }
        fs::create_directories(fs::path(path).parent_path());
        fxexchange::WriteAttributeXml(path, objects);
    } else if (c == "expect-attributes" || c == "expect-host-object" || c == "expect-photo-links") {
        const GeoObject* o = p.FindByKennung(p.HostKennung(l.Word(1)));
        if (!o) {
            Fail(&l, "no object carries the identifier " + l.Word(1));
        } else if (c == "expect-attributes") {
            // expect-attributes KENNUNG [NAME VALUE...]: exactly these, in order
            const Attributes want = PairsOf(l, 2);
            if (o->attributes != want)
                Fail(&l, l.Word(1) + " has the attributes " + Show(o->attributes) + ", not " + Show(want));
        } else if (c == "expect-host-object") {
            // expect-host-object KENNUNG CLASS X Y: class name and point
            const std::string cls = p.ClassName(o->classId);
            if (cls != l.Word(2))
                Fail(&l, l.Word(1) + " is of class " + Quote(cls) + ", not " + Quote(l.Word(2)));
            else if (!Near(o->x, l.Number(3)) || !Near(o->y, l.Number(4)))
                Fail(&l, l.Word(1) + " lies at " + Number(o->x) + " " + Number(o->y) + ", not " + l.Word(3) + " " +
                             l.Word(4));
        } else {
            // expect-photo-links KENNUNG [PHOTOID[*]...]: the links in key order, * on the main photo
            std::vector<std::string> got, want(l.words.begin() + 2, l.words.end());
            for (const Row& r : ReadDbRows(p.projectDB, "Objektphotos"))
                if (r.at("FELDIXID") == std::to_string(o->id))
                    got.push_back(r.at("PhotoID") + (IsTrue(r.at("Hauptphoto")) ? "*" : ""));
            if (got != want)
                Fail(&l, l.Word(1) + " links the photos " + Show(got) + ", not " + Show(want));
        }
    } else if (c == "expect-geodata" || c == "expect-geodata-point") {
        const auto points = fxexchange::ReadGeodata(BasePath(PathOf(l.Word(1))));
        if (c == "expect-geodata") {
            // expect-geodata PATH [KENNUNG...]: exactly these objects, in any order
            if (const std::string other = OtherObjects(l, points); !other.empty())
                Fail(&l, other);
        } else {
            // expect-geodata-point PATH KENNUNG CLASS X Y
            auto it = std::find_if(points.begin(), points.end(), [&](const auto& pt) { return pt.Kennung == l.Word(2); });
            if (it == points.end())
                Fail(&l, l.Word(1) + " has no object " + l.Word(2));
            else if (it->Klasse != l.Word(3))
                Fail(&l, l.Word(2) + " is of class " + Quote(it->Klasse) + " in " + l.Word(1) + ", not " + Quote(l.Word(3)));
            else if (!Near(it->X, l.Number(4)) || !Near(it->Y, l.Number(5)))
                Fail(&l, l.Word(2) + " lies at " + Number(it->X) + " " + Number(it->Y) + " in " + l.Word(1) + ", not " +
                             l.Word(4) + " " + l.Word(5));
        }
    } else if (c == "expect-xml" || c == "expect-xml-object" || c == "expect-xml-photos") {
        const auto objects = fxexchange::ReadAttributeXml(PathOf(l.Word(1)));
        if (c == "expect-xml") {
            // expect-xml PATH [KENNUNG...]: exactly these objects, in any order
            if (const std::string other = OtherObjects(l, objects); !other.empty())
                Fail(&l, other);
            return;
        }
        auto it = std::find_if(objects.begin(), objects.end(), [&](const auto& o) { return o.Kennung == l.Word(2); });
        if (it == objects.end()) {
            Fail(&l, l.Word(1) + " has no object " + l.Word(2));
        } else if (c == "expect-xml-object") {
            // expect-xml-object PATH KENNUNG CLASS [NAME VALUE...]: class and exactly these attributes
            const Attributes want = PairsOf(l, 4);
            if (it->Klasse != l.Word(3))
                Fail(&l, l.Word(2) + " is of class " + Quote(it->Klasse) + " in " + l.Word(1) + ", not " + Quote(l.Word(3)));
            else if (it->Attribute != want)
                Fail(&l, l.Word(2) + " has the attributes " + Show(it->Attribute) + " in " + l.Word(1) + ", not " +
                             Show(want));
        } else {
            // expect-xml-photos PATH KENNUNG [PHOTOID...]: exactly these, in order
            std::vector<int32_t> want;
            for (size_t i = 3; i < l.Count(); ++i)
                want.push_back(l.Int(i));
            if (it->Fotos != want)
                Fail(&l, l.Word(2) + " links the photos " + Show(it->Fotos) + " in " + l.Word(1) + ", not " + Show(want));
        }
    } else {
        handled = false;
    }
}

}  // namespace sim
