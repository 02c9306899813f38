// The synthetic store: its size, its shape, and the same content for the same seed.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"
#include "vestra/Checkout.h"
#include "vestra/Synthetic.h"

namespace {

using testsupport::TempDir;

TEST(ExchangeSynthetic, SizeAndShapeFollowTheRequest) {
    TempDir dir;
    const std::string path = (dir / "s.db").string();
    vestra::GenerateStore(path, {53, 9, 4});
    vestra::Store s(path);
    EXPECT_EQ(s.ObjectCount(), 53);
    const auto objects = s.CheckedOutObjects(4);
    ASSERT_EQ(objects.size(), 53u);
    int write = 0;
    for (const auto& o : objects)
        write += o.Schreibend == vestra::WriteLocked;
    EXPECT_GT(write, 0);
    EXPECT_LT(write, 53);
    EXPECT_EQ(s.Reserved(4).size(), 6u);
    EXPECT_TRUE(s.FindPhoto(10));
    EXPECT_FALSE(s.FindPhoto(11));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    // An existing store is never overwritten.
    EXPECT_THROW(vestra::GenerateStore(path, {5, 9, 4}), vestra::StoreError);
    EXPECT_EQ(vestra::Store(path).ObjectCount(), 53);
}

TEST(ExchangeSynthetic, TheSeedDecidesTheContent) {
    TempDir dir;
    const auto xml = [&dir](const std::string& name, uint32_t seed) {
        vestra::GenerateStore((dir / (name + ".db")).string(), {40, seed, 1});
        vestra::Store s((dir / (name + ".db")).string());
        vestra::WriteCheckout(s, 1, (dir / name).string(), "syn");
        return dir.ReadFile(name + "/syn.xml") + dir.ReadFile(name + "/syn.shp");
    };
    const std::string a = xml("a", 7);
    EXPECT_EQ(a, xml("b", 7));
    EXPECT_NE(a, xml("c", 8));
}

}  // namespace
