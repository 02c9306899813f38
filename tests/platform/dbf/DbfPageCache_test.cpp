// The page cache over a file: every read gives the file's bytes however its pages are held
// (whole or in part, evicted, changed by writes, found by a look at each or through the hash
// table), and a lookup's first reads take only their own bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/dbf/DbfTypes.h"
#include "platform/dbf/FileIO.h"
#include "platform/dbf/PageCache.h"

namespace {

using dbf::io::CachedFile;
using Reads = std::vector<std::pair<uint64_t, size_t>>;

// A file in memory that records the reads that reach it.
class RecordingFile : public dbf::io::File {
public:
    RecordingFile(std::vector<uint8_t>& bytes, Reads& reads) : bytes_(bytes), reads_(reads) {}
    const std::string& path() const override { return path_; }
    uint64_t size() override { return bytes_.size(); }
    bool writable() const override { return true; }
    void read(uint64_t offset, void* data, size_t n) override {
        if (offset + n > bytes_.size()) throw dbf::EngineError("Lesezugriff hinter dem Dateiende: " + path_);
        reads_.emplace_back(offset, n);
        std::memcpy(data, bytes_.data() + offset, n);
    }
    void write(uint64_t offset, const void* data, size_t n) override {
        if (bytes_.size() < offset + n) bytes_.resize(offset + n);
        std::memcpy(bytes_.data() + offset, data, n);
    }
    void truncate(uint64_t size) override { bytes_.resize(size); }
    void flush() override {}

private:
    std::string path_ = "/m/T.DBF";
    std::vector<uint8_t>& bytes_;
    Reads& reads_;
};

constexpr size_t kPage = 64;

std::vector<uint8_t> numbered(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 7 + i / 251);
    return v;
}

std::vector<uint8_t> readOf(CachedFile& f, uint64_t offset, size_t n) {
    std::vector<uint8_t> out(n);
    f.read(offset, out.data(), n);
    return out;
}

// Random reads, views, writes (some past the end, some leaving a gap), truncations and
// prefetches; after each step every read gives what the file holds.
TEST(DbfPageCache, EveryReadGivesTheFilesBytesHoweverThePagesAreHeld) {
    struct Case {
        const char* what;
        size_t maxPages, partialReads;
    };
    const Case cases[] = {
        {"three pages, each looked for", 3, 2},
        {"more pages than are looked for one by one: the hash table, with evictions", 24, 4},
        {"every page held", 100, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = numbered(kPage * 40 + 17);
        Reads reads;
        CachedFile f(std::make_unique<RecordingFile>(bytes, reads), kPage, c.maxPages, c.partialReads);
        std::mt19937 rng(5);
        auto below = [&](size_t n) { return size_t(rng() % n); };
        for (int step = 0; step < 6000; ++step) {
            const size_t size = bytes.size(), kind = below(100);
            const size_t offset = below(size), n = 1 + below(std::min<size_t>(200, size - offset));
            if (kind < 45) {
                ASSERT_EQ(readOf(f, offset, n), std::vector<uint8_t>(bytes.begin() + long(offset),
                                                                      bytes.begin() + long(offset + n)))
                    << "step " << step;
            } else if (kind < 55) {
                std::vector<uint8_t> scratch;
                const uint8_t* p = f.view(offset, n, scratch);
                ASSERT_EQ(std::memcmp(p, bytes.data() + offset, n), 0) << "step " << step;
            } else if (kind < 85) {
                const size_t at = below(size + 2 * kPage);
                std::vector<uint8_t> data(1 + below(150), uint8_t(step));
                f.write(at, data.data(), data.size());
            } else if (kind < 90) {
                if (size > kPage * 20) f.truncate(size - below(kPage * 3));
            } else if (kind < 95) {
                f.prefetch(offset, n * 3);
            } else {
                EXPECT_THROW(readOf(f, size - 3, 10), dbf::EngineError);
            }
        }
    }
}

// A lookup reads a table's header and a row: the first such reads take their own bytes only,
// reads within what a page holds ask the file nothing, and anything more takes the whole page.
TEST(DbfPageCache, FirstSmallReadsTakeOnlyTheirBytesAndLaterOnesWholePages) {
    std::vector<uint8_t> bytes = numbered(kPage * 40);
    Reads reads;
    CachedFile f(std::make_unique<RecordingFile>(bytes, reads), kPage, 16, 2);
    auto expectReads = [&](const Reads& expected, const char* what) {
        EXPECT_EQ(reads, expected) << what;
        reads.clear();
    };
    readOf(f, 0, 20);
    expectReads({{0, 20}}, "the header alone");
    readOf(f, 5, 10);
    expectReads({}, "within the header read");
    readOf(f, 650, 30);
    expectReads({{650, 30}}, "a row alone");
    readOf(f, 1000, 10);
    expectReads({{960, kPage}}, "a third page: whole");
    readOf(f, 30, 10);
    expectReads({{0, kPage}}, "beyond what the first page holds: the whole page");
    readOf(f, 25, 10);
    expectReads({}, "the first page is whole now");

    // Writes join what a page holds when they touch it, and are not held apart from it.
    const uint8_t four[4] = {1, 2, 3, 4};
    f.write(680, four, 4);
    EXPECT_EQ(readOf(f, 650, 34), std::vector<uint8_t>(bytes.begin() + 650, bytes.begin() + 684));
    expectReads({}, "a write right after the row joins it");
    f.write(695, four, 4);
    EXPECT_EQ(readOf(f, 695, 4), std::vector<uint8_t>(four, four + 4));
    expectReads({{640, kPage}}, "a write apart from the row: the page read whole");

    f.prefetch(kPage * 20, kPage * 3);
    expectReads({{kPage * 20, kPage * 3}}, "a prefetch in one read");
    readOf(f, kPage * 21 + 3, kPage);
    expectReads({}, "within the prefetch");
    f.prefetch(kPage * 22, kPage * 2);
    expectReads({}, "a prefetch of which a page is held reads nothing");
}

// The page used longest ago gives way, whether the pages are looked for one by one or through
// the hash table; a page used again is kept.
TEST(DbfPageCache, TheLeastRecentlyUsedPageGivesWay) {
    for (size_t held : {size_t(3), size_t(20)}) {
        SCOPED_TRACE(held);
        std::vector<uint8_t> bytes = numbered(kPage * 60);
        Reads reads;
        CachedFile f(std::make_unique<RecordingFile>(bytes, reads), kPage, held, 0);
        auto page = [&](size_t index) { readOf(f, index * kPage + 1, 2); };
        for (size_t i = 0; i < held; ++i) page(i);
        page(0);  // used again: now the most recent
        reads.clear();
        page(held);  // gives way: page 1
        page(0);
        for (size_t i = 2; i < held; ++i) page(i);
        EXPECT_EQ(reads.size(), 1u) << "only the new page read";
        reads.clear();
        page(1);
        EXPECT_EQ(reads, (Reads{{kPage, kPage}})) << "the page used longest ago was given up";
    }
}

// Pages read at random: a page among the most recently used is read from the cache, any
// other from the file, whether a few pages are held or many (through the hash table, from
// which evicted pages are taken out again and again).
TEST(DbfPageCache, ExactlyTheMostRecentlyUsedPagesAreHeld) {
    for (size_t held : {size_t(5), size_t(24), size_t(60)}) {
        SCOPED_TRACE(held);
        std::vector<uint8_t> bytes = numbered(kPage * 300);
        Reads reads;
        CachedFile f(std::make_unique<RecordingFile>(bytes, reads), kPage, held, 0);
        std::vector<size_t> recent;  // most recent last
        std::mt19937 rng(9);
        for (int step = 0; step < 20000; ++step) {
            // Mostly pages used lately, so that hits and evictions both come often.
            const size_t page = rng() % 3 == 0 ? size_t(rng() % 300) : size_t(rng() % (held + held / 2 + 1));
            reads.clear();
            readOf(f, page * kPage + 5, 9);
            auto it = std::find(recent.begin(), recent.end(), page);
            const bool expectHeld = it != recent.end();
            ASSERT_EQ(reads.empty(), expectHeld) << "step " << step << ", page " << page;
            if (expectHeld) recent.erase(it);
            else if (recent.size() == held) recent.erase(recent.begin());
            recent.push_back(page);
        }
    }
}

}  // namespace
