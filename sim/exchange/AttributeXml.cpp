#include "exchange/AttributeXml.h"

#include <pugixml.hpp>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/ui/Cp1252.h"

namespace fxexchange {

namespace {

const char* const kRoot = "Sachdaten";
const char* const kVersion = "1";

std::string In(const pugi::xml_attribute& a) { return ui::Utf8ToCp1252(a.value()); }

int32_t PhotoId(const pugi::xml_node& foto, const std::string& kennung)
{
    const char* text = foto.attribute("PhotoID").value();
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || errno != 0 || v < INT32_MIN || v > INT32_MAX)
        throw ExchangeError("Sachdaten: ungültige PhotoID bei " + kennung);
    return int32_t(v);
}

}  // namespace

void WriteAttributeXml(const std::string& path, const std::vector<ObjectData>& objects)
{
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    pugi::xml_node root = doc.append_child(kRoot);
    root.append_attribute("Version") = kVersion;
    for (const ObjectData& o : objects) {
        if (o.Kennung.empty())
            throw ExchangeError("Sachdaten: Objekt ohne Kennung");
        pugi::xml_node obj = root.append_child("Objekt");
        obj.append_attribute("Kennung") = ui::Cp1252ToUtf8(o.Kennung).c_str();
        obj.append_attribute("Klasse") = ui::Cp1252ToUtf8(o.Klasse).c_str();
        for (const auto& [name, value] : o.Attribute) {
            pugi::xml_node a = obj.append_child("Attribut");
            a.append_attribute("Name") = ui::Cp1252ToUtf8(name).c_str();
            a.append_attribute("Wert") = ui::Cp1252ToUtf8(value).c_str();
        }
        for (int32_t id : o.Fotos)
            obj.append_child("Foto").append_attribute("PhotoID") = id;
    }
    const std::string temp = path + ".tmp";
    if (!doc.save_file(temp.c_str(), "  ", pugi::format_default, pugi::encoding_utf8))
        throw ExchangeError("Sachdaten: " + path + " kann nicht geschrieben werden");
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        throw ExchangeError("Sachdaten: " + path + " kann nicht geschrieben werden");
    }
}

std::vector<ObjectData> ReadAttributeXml(const std::string& path)
{
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_file(path.c_str(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed)
        throw ExchangeError("Sachdaten " + path + " nicht lesbar: " + parsed.description());
    const pugi::xml_node root = doc.child(kRoot);
    if (!root || std::string(root.attribute("Version").value()) != kVersion)
        throw ExchangeError("Sachdaten " + path + ": kein Sachdaten-Dokument der Version 1");
    std::vector<ObjectData> objects;
    for (const pugi::xml_node obj : root.children("Objekt")) {
        ObjectData o;
        o.Kennung = In(obj.attribute("Kennung"));
        if (o.Kennung.empty())
            throw ExchangeError("Sachdaten " + path + ": Objekt ohne Kennung");
        o.Klasse = In(obj.attribute("Klasse"));
        for (const pugi::xml_node a : obj.children("Attribut"))
            o.Attribute.emplace_back(In(a.attribute("Name")), In(a.attribute("Wert")));
        for (const pugi::xml_node f : obj.children("Foto"))
            o.Fotos.push_back(PhotoId(f, o.Kennung));
        objects.push_back(std::move(o));
    }
    return objects;
}

}  // namespace fxexchange
