// The central store: objects, photos, transactions, lock states and reserved identifiers.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"
#include "vestra/Store.h"
#include "VestraFixture.h"

namespace {

using testsupport::TempDir;
using vestra::Store;
using vestra::StoreError;
using namespace vestratest;

TEST(ExchangeStore, IdentifiersAreExactAndReplacingKeepsNumberAndLocks) {
    TempDir dir;
    const std::string path = (dir / "v.db").string();
    SeedStore(path);
    Store s(path);
    EXPECT_FALSE(s.FindObject("a1"));
    s.PutObject({"a1", "FFH", 1, 2, 0, 0, {}, {}});
    ASSERT_TRUE(s.FindObject("A1"));
    EXPECT_EQ(s.FindObject("A1")->Klasse, "NSG");
    EXPECT_EQ(s.LockOf(kTid, "a1"), std::nullopt);

    const auto before = *s.FindObject("A1");
    EXPECT_EQ(before.Attribute.size(), 2u);
    EXPECT_EQ(before.Fotos, std::vector<int32_t>{5});
    s.PutObject({"A1", "VSG", 7, 8, 9, 0, {{"Neu", "x"}}, {}});
    const auto after = *s.FindObject("A1");
    EXPECT_EQ(after.Nummer, before.Nummer);
    EXPECT_EQ(after.Klasse, "VSG");
    EXPECT_DOUBLE_EQ(after.X, 7);
    EXPECT_EQ(after.Vgnr, 9);
    EXPECT_EQ(after.Attribute, (std::vector<std::pair<std::string, std::string>>{{"Neu", "x"}}));
    EXPECT_TRUE(after.Fotos.empty());
    EXPECT_EQ(s.LockOf(kTid, "A1"), vestra::WriteLocked);
    EXPECT_EQ(s.LockOf(kTid, "A3"), vestra::ReadLocked);
    EXPECT_EQ(s.LockOf(18, "A1"), std::nullopt);
}

TEST(ExchangeStore, RemovingAnObjectTakesItsRowsButNotThePhoto) {
    TempDir dir;
    const std::string path = (dir / "v.db").string();
    SeedStore(path);
    Store s(path);
    s.RemoveObject("A1");
    EXPECT_FALSE(s.FindObject("A1"));
    EXPECT_EQ(s.LockOf(kTid, "A1"), std::nullopt);
    ASSERT_EQ(s.CheckedOutObjects(kTid).size(), 2u);
    EXPECT_EQ(s.CheckedOutObjects(kTid)[0].Kennung, "A2");
    ASSERT_TRUE(s.FindPhoto(5));
    EXPECT_EQ(s.FindPhoto(5)->Bild, std::string("\xFF\xD8\xFF\0pic", 7));
    // Put back, it carries no attributes of its former life.
    s.PutObject({"A1", "NSG", 0, 0, 0, 0, {}, {}});
    EXPECT_TRUE(s.FindObject("A1")->Attribute.empty());
    EXPECT_TRUE(s.FindObject("A1")->Fotos.empty());
}

TEST(ExchangeStore, AnIdentifierIsReservedOnceAndFitsTheExchange) {
    TempDir dir;
    const std::string path = (dir / "v.db").string();
    SeedStore(path);
    Store s(path);
    EXPECT_EQ(s.Reserved(kTid), (std::vector<std::string>{kLong41, "R1", "R2"}));
    EXPECT_THROW(s.Reserve(18, "R1"), StoreError);
    EXPECT_THROW(s.Reserve(kTid, std::string(42, 'L')), StoreError);
    EXPECT_THROW(s.PutObject({std::string(42, 'L'), "NSG", 0, 0, 0, 0, {}, {}}), StoreError);
    EXPECT_THROW(s.Reserve(kTid, ""), StoreError);
    s.Reserve(kTid, "r1");
    s.Unreserve("R1");
    EXPECT_EQ(s.Reserved(kTid), (std::vector<std::string>{kLong41, "R2", "r1"}));
    EXPECT_EQ(s.Reserved(18), std::vector<std::string>{"S1"});
}

TEST(ExchangeStore, OpensOnlyAnExistingStore) {
    TempDir dir;
    const std::string path = (dir / "none.db").string();
    EXPECT_THROW(Store s(path), StoreError);
    EXPECT_FALSE(std::filesystem::exists(path));
    dir.WriteFile("text.db", "no database at all, just some text that is long enough to be read");
    EXPECT_THROW(Store s((dir / "text.db").string()), StoreError);
    { Store created(path, true); }
    Store again(path);
    EXPECT_EQ(again.ObjectCount(), 0);
}

TEST(ExchangeStore, UncommittedWritesAreRolledBack) {
    TempDir dir;
    const std::string path = (dir / "v.db").string();
    SeedStore(path);
    Store s(path);
    {
        vestra::WriteTransaction tx(s.Db());
        s.RemoveObject("A2");
        s.Unreserve("R2");
    }
    EXPECT_TRUE(s.FindObject("A2"));
    EXPECT_EQ(s.Reserved(kTid).size(), 3u);
    {
        vestra::WriteTransaction tx(s.Db());
        s.RemoveObject("A2");
        tx.Commit();
    }
    EXPECT_FALSE(Store(path).FindObject("A2"));
}

}  // namespace
