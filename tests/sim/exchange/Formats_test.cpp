// The host's geodata and attribute data exchange formats: what is written reads back alike.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "exchange/AttributeXml.h"
#include "exchange/Geodata.h"
#include "support/TempDir.h"

namespace {

using fxexchange::ExchangeError;
using testsupport::TempDir;

TEST(ExchangeGeodata, PointsReadBackInOrderWithTheirTexts) {
    TempDir dir;
    const std::vector<fxexchange::PointObject> points = {
        {"NS0000002", "NSG", 3512345.25, 5712345.75},
        {"\xC4rger-1", "Gr\xFCnland \x80", -1.5, 0},  // cp1252 umlauts and the euro sign
        {"NS0000001", "", 0.125, 1e7},
    };
    fxexchange::WriteGeodata((dir / "abc").string(), points);
    for (const char* ext : {".shp", ".shx", ".dbf"})
        EXPECT_TRUE(std::filesystem::exists(dir / (std::string("abc") + ext))) << ext;
    // The export names the set with ".shp"; the import with the base path alone.
    const auto back = fxexchange::ReadGeodata((dir / "abc.SHP").string());
    ASSERT_EQ(back.size(), points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(back[i].Kennung, points[i].Kennung);
        EXPECT_EQ(back[i].Klasse, points[i].Klasse);
        EXPECT_DOUBLE_EQ(back[i].X, points[i].X);
        EXPECT_DOUBLE_EQ(back[i].Y, points[i].Y);
    }
    EXPECT_EQ(fxexchange::ReadGeodata((dir / "abc").string()).size(), 3u);
}

TEST(ExchangeGeodata, RefusesWhatDoesNotFitBeforeWritingAnything) {
    TempDir dir;
    fxexchange::WriteGeodata((dir / "ok").string(), {{std::string(50, 'K'), "NSG", 1, 2}});
    EXPECT_EQ(fxexchange::ReadGeodata((dir / "ok").string())[0].Kennung, std::string(50, 'K'));
    const std::vector<std::vector<fxexchange::PointObject>> bad = {
        {{"A", "NSG", 1, 2}, {std::string(51, 'K'), "NSG", 1, 2}},
        {{"A", "NSG", 1, 2}, {"", "NSG", 1, 2}},
        {{"A", std::string(31, 'C'), 1, 2}},
        {{"A", "NSG", std::nan(""), 2}},
    };
    for (const auto& set : bad) {
        EXPECT_THROW(fxexchange::WriteGeodata((dir / "bad").string(), set), ExchangeError);
        EXPECT_FALSE(std::filesystem::exists(dir / "bad.shp"));
        EXPECT_FALSE(std::filesystem::exists(dir / "bad.dbf"));
    }
}

TEST(ExchangeGeodata, MissingOrForeignFilesAreErrors) {
    TempDir dir;
    EXPECT_THROW(fxexchange::ReadGeodata((dir / "none").string()), ExchangeError);
    fxexchange::WriteGeodata((dir / "x").string(), {{"A", "NSG", 1, 2}});
    std::filesystem::remove(dir / "x.dbf");
    EXPECT_THROW(fxexchange::ReadGeodata((dir / "x").string()), ExchangeError);
}

TEST(ExchangeXml, ObjectsReadBackWithAttributesAndPhotoLinks) {
    TempDir dir;
    const std::vector<fxexchange::ObjectData> objects = {
        {"NS1", "NSG", {{"Name", "M\xFChlenbach \x80 <&\">"}, {"Fl\xE4""che", "12,5"}, {"Leer", ""}}, {7, 3}},
        {"ff2", "FFH", {}, {}},
    };
    const std::string path = (dir / "abc.xml").string();
    fxexchange::WriteAttributeXml(path, objects);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    const auto back = fxexchange::ReadAttributeXml(path);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].Kennung, "NS1");
    EXPECT_EQ(back[0].Klasse, "NSG");
    EXPECT_EQ(back[0].Attribute, objects[0].Attribute);
    EXPECT_EQ(back[0].Fotos, (std::vector<int32_t>{7, 3}));
    EXPECT_EQ(back[1].Kennung, "ff2");
    EXPECT_TRUE(back[1].Attribute.empty());
    // On disk the texts are UTF-8: the euro sign is three bytes there.
    EXPECT_NE(dir.ReadFile("abc.xml").find("M\xC3\xBChlenbach \xE2\x82\xAC"), std::string::npos);
}

TEST(ExchangeXml, DocumentsOfAnotherShapeAreErrors) {
    TempDir dir;
    const std::string path = (dir / "x.xml").string();
    EXPECT_THROW(fxexchange::ReadAttributeXml(path), ExchangeError);
    const char* const bad[] = {
        "<Sachdaten Version=\"1\"><Objekt Kennung=\"A\">",
        "<Andere Version=\"1\"/>",
        "<Sachdaten Version=\"2\"/>",
        "<Sachdaten Version=\"1\"><Objekt Klasse=\"NSG\"/></Sachdaten>",
        "<Sachdaten Version=\"1\"><Objekt Kennung=\"A\"><Foto PhotoID=\"12x\"/></Objekt></Sachdaten>",
        "<Sachdaten Version=\"1\"><Objekt Kennung=\"A\"><Foto/></Objekt></Sachdaten>",
    };
    for (const char* text : bad) {
        dir.WriteFile("x.xml", text);
        EXPECT_THROW(fxexchange::ReadAttributeXml(path), ExchangeError) << text;
    }
    dir.WriteFile("x.xml", "<Sachdaten Version=\"1\"/>");
    EXPECT_TRUE(fxexchange::ReadAttributeXml(path).empty());
}

}  // namespace
