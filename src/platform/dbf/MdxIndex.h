// The production index file .MDX: tag directory and one B-tree per tag, in dBase IV layout.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/dbf/Bytes.h"
#include "platform/dbf/FileIO.h"
#include "platform/dbf/MdxKeys.h"

namespace dbf::mdx {

struct Tag {
    TagSpec spec;
    int slot = 0;  // position in the tag table
    uint32_t headerPage = 0;
    uint32_t rootPage = 0;
    int itemLength = 0;
    int maxKeys = 0;
    bool loaded = false;  // the header page read: key type and length, root, sizes
};

// A position in a tag, valid while the index is unchanged; re-found by its entry otherwise.
struct Cursor {
    std::vector<std::pair<uint32_t, int>> path;  // page and slot per level, root first
    // Pages this walk has entered: each once. Those of the path it was put on count from the
    // walk's first step off that path, so that a lookup that stays on it records none.
    std::unordered_set<uint32_t> seen;
    bool pathSeen = false;
    Entry current;
    bool valid = false;
    uint64_t generation = 0;
};

class MdxFile {
public:
    explicit MdxFile(std::unique_ptr<io::File> file);  // reads and checks the tag directory
    static void create(io::FileSystem& fs, const std::string& path, const std::string& tableBaseName);

    const std::string& path() const { return file_->path(); }
    bool writable() const { return file_->writable(); }
    int tagCount() const { return int(tags_.size()); }
    const std::string& tagName(int index) const { return tags_.at(size_t(index)).spec.name; }
    // A tag with its header page read and checked, on first use: a lookup needs one tag only.
    const Tag& tag(int index) const { return loadedTag(index); }
    // Every tag, each header page read.
    const std::vector<Tag>& tags() const;
    int findTag(const std::string& name) const;  // -1 if none; case-insensitive

    // Adds a tag over entries already sorted in index order (bulk build).
    void addTag(const TagSpec& spec, std::vector<Entry> entries);
    // Replaces every tag's entries; sorted per tag, in tag order.
    void rebuild(std::vector<std::vector<Entry>> entriesPerTag);

    // Keys compared as the tag orders them; text keys, the common case, compared here.
    int compareKeys(const Tag& tag, std::string_view a, std::string_view b) const {
        if (tag.spec.keyType == 'N' || tag.spec.keyType == 'D') return compareValues(tag, a, b);
        int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
        if (c == 0) c = a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
        c = c < 0 ? -1 : (c > 0 ? 1 : 0);
        return tag.spec.descending ? -c : c;
    }
    void sortEntries(const Tag& tag, std::vector<Entry>& entries) const;

    // First entry not before (key, recno); false when there is none.
    bool seek(int tag, Cursor& c, const KeyBytes& key, uint32_t recno);
    bool first(int tag, Cursor& c);
    bool next(int tag, Cursor& c);

    // recordCount, the table's number of records, helps to find the place within long runs of
    // equal keys; 0 when not known.
    void insert(int tag, const KeyBytes& key, uint32_t recno, uint32_t recordCount = 0);
    bool remove(int tag, const KeyBytes& key, uint32_t recno, uint32_t recordCount = 0);
    // Finds the place of a new entry before anything is written, so that damage on the way
    // stops an append before the table is touched; insert() then goes by it.
    void prepareInsert(int tag, const KeyBytes& key, uint32_t recno, uint32_t recordCount = 0);
    // Whether the tag holds (key, recno). The place found is kept for the removal of that
    // entry, so that a change can make sure of all its entries before it writes anything.
    bool contains(int tag, const KeyBytes& key, uint32_t recno, uint32_t recordCount = 0);

    // The table name in the file header (upper case, at most 16 characters; may be empty).
    const std::string& tableName() const { return tableName_; }

    uint64_t generation() const { return generation_; }

    // A structure check of one tag, for tests and for diagnosing a damaged file. It walks
    // every page once and tells, in German, what is wrong: keys out of order within or across
    // pages, a separator that is not the last key of its subtree, an empty page below the
    // root, a page reached twice, a key that a plain descent from the root does not find.
    struct TagCheck {
        std::vector<Entry> entries;  // in the order of the walk
        std::vector<std::string> problems;
    };
    TagCheck check(int tag) const;

private:
    // A parsed page. The keys lie end to end, each of the tag's key length, so that reading a
    // page costs two allocations however many keys it holds.
    struct Node {
        uint32_t page = 0;
        bool leaf = true;
        size_t keyLength = 0;
        std::vector<uint32_t> ptrs;  // record numbers (leaf) or child pages (one more than keys)
        std::string keys;

        Node() = default;
        explicit Node(size_t length, bool isLeaf = true) : leaf(isLeaf), keyLength(length) {}
        size_t count() const { return keyLength ? keys.size() / keyLength : 0; }
        bool empty() const { return keys.empty(); }
        std::string_view key(size_t i) const { return std::string_view(keys).substr(i * keyLength, keyLength); }
        std::string_view lastKey() const { return key(count() - 1); }
        void insertKey(size_t i, std::string_view k) { keys.insert(i * keyLength, fitted(k)); }
        void eraseKey(size_t i) { keys.erase(i * keyLength, keyLength); }
        void setKey(size_t i, std::string_view k) { keys.replace(i * keyLength, keyLength, fitted(k)); }
        void pushKey(std::string_view k) { keys.append(fitted(k)); }
        // The keys [from, to) of another node.
        void assignKeys(const Node& n, size_t from, size_t to) {
            keys.assign(n.keys, from * keyLength, (to - from) * keyLength);
        }
        // A key cut or padded with zero bytes to the key length, as it is stored.
        std::string fitted(std::string_view k) const {
            std::string f(k.substr(0, keyLength));
            f.resize(keyLength, '\0');
            return f;
        }
    };
    // A page as the file holds it, checked as readNode checks it and searched where it lies,
    // so that a lookup copies nothing of it. Valid until the next read of the file.
    struct PageView {
        const uint8_t* items = nullptr;  // the first entry: a 4-byte pointer, then the key
        size_t count = 0, itemLength = 0, keyLength = 0;
        bool leaf = true;
        uint32_t ptr(size_t i) const { return bytes::le32(items + i * itemLength); }  // i <= count inner
        std::string_view key(size_t i) const {
            return {reinterpret_cast<const char*>(items + i * itemLength + 4), keyLength};
        }
        size_t pointers() const { return leaf ? count : count + 1; }
    };
    int compareValues(const Tag& tag, std::string_view a, std::string_view b) const;  // numbers, dates
    static constexpr size_t kMaxDepth = 48;  // levels of a tree, beyond which it is damaged
    [[noreturn]] void bad(const std::string& what) const;
    [[noreturn]] void reachedTwice(const Tag& tag, uint32_t page) const;
    void load();
    Tag& loadedTag(int tag) const;
    void readTagHeader(Tag& tag) const;
    PageView viewNode(const Tag& tag, uint32_t page) const;
    Node readNode(const Tag& tag, uint32_t page) const;
    // The cursor on the first entry whose key is not before key: the plain descent of a
    // lookup, from the root by the keys alone, each page searched in place.
    void lowerBound(const Tag& tag, const KeyBytes& key, Cursor& c) const;
    // The parsed node of a page, kept while the file object lives and replaced on every
    // write of that page, so that descents do not parse the same pages again and again.
    std::shared_ptr<const Node> node(const Tag& tag, uint32_t page) const;
    void writeNode(const Tag& tag, const Node& node);
    std::vector<uint8_t> encodeNode(const Tag& tag, const Node& node) const;
    uint32_t allocate();
    int compareEntry(const Tag& tag, std::string_view k1, uint32_t r1, std::string_view k2, uint32_t r2) const;
    Entry lastEntry(const Tag& tag, uint32_t page) const;  // the last entry of a subtree
    // The check's walk of a subtree; returns its last entry (empty key when it has none).
    Entry checkSubtree(const Tag& tag, uint32_t page, size_t depth, std::unordered_set<uint32_t>& seen,
                       TagCheck& out) const;
    // The first entry not before key, found as strict readers do: from the root by the
    // separators alone, and within the one leaf reached.
    std::optional<Entry> plainFind(const Tag& tag, const KeyBytes& key) const;
    uint32_t edgeLeaf(const Tag& tag, bool rightmost) const;
    // One level of a descent: the node as cached, copied only when a change needs it.
    struct PathStep {
        std::shared_ptr<const Node> shared;
        std::optional<Node> edited;
        int slot = 0;
        const Node& view() const { return edited ? *edited : *shared; }
        Node& edit() {
            if (!edited) edited = *shared;
            return *edited;
        }
    };
    // Estimated record numbers of a run of equal keys in a subtree: the one before the
    // subtree's part of the run and the last one in it; 0 when not known.
    struct RunBounds {
        uint32_t low = 0, high = 0;
    };
    // How a descent looks for its place in runs of equal keys.
    struct RunSearch {
        uint32_t recordCount = 0;  // the table's, as the first estimate of a run's end
        bool useHints = false;     // go by what earlier descents learnt, to be checked in the leaf
        bool inserting = false;    // the place for a new entry, not an entry to be found
    };
    // The child of an inner node to descend into for (key, recno) when the node's keys lo..hi-1
    // equal the key; run holds the bounds of the node's subtree and then of the chosen child.
    size_t childInRun(const Tag& tag, const Node& n, size_t lo, size_t hi, const KeyBytes& key, uint32_t recno,
                      RunBounds& run, const RunSearch* search) const;
    // The slot of the first entry in a leaf not before (key, recno).
    int leafSlot(const Tag& tag, const Node& leaf, const KeyBytes& key, uint32_t recno) const;
    // Whether the path's leaf slot holds exactly (key, recno).
    bool holds(const Tag& tag, const std::vector<PathStep>& path, const KeyBytes& key, uint32_t recno) const;
    // Descends to the leaf slot of (key, recno); the path ends with the leaf.
    std::vector<PathStep> descend(const Tag& tag, const KeyBytes& key, uint32_t recno,
                                  const RunSearch* search = nullptr) const;
    // What descents learnt of an index file, kept while the process runs: the last record
    // number under a page, and the inner pages as the descents of changes last read or wrote them.
    struct Learnt {
        std::unordered_map<uint32_t, uint32_t> lastRecno;
        std::unordered_map<uint32_t, std::shared_ptr<const Node>> inner;
        void clear() {
            lastRecno.clear();
            inner.clear();
        }
    };
    // The descent of a removal: by what was learnt, then from the file alone when that
    // does not lead to the entry; the path ends at the entry's leaf slot if it is there.
    std::vector<PathStep> locate(const Tag& tag, const KeyBytes& key, uint32_t recno, uint32_t recordCount) const;
    struct Located {
        KeyBytes key;
        uint32_t recno = 0;
        std::vector<PathStep> path;
        bool inserting = false;  // the place for a new entry, not an entry found
    };
    // The path kept for (key, recno) by prepareInsert or contains, if any; forgets every
    // path kept for the tag.
    std::vector<PathStep> takeLocated(int tag, const KeyBytes& key, uint32_t recno, bool inserting);
    std::unordered_map<int, Located> located_;  // per tag, until that tag changes
    static std::shared_ptr<Learnt> learntFor(const std::string& path);
    void remember(uint32_t page, uint32_t recno) const;
    void learnInner(const std::shared_ptr<const Node>& n) const;
    // The page as learnt when it is a known inner page, else as learntNode() reads it.
    std::shared_ptr<const Node> knownNode(const Tag& tag, uint32_t page) const;
    // The page as node() reads it, learnt when it is an inner page.
    std::shared_ptr<const Node> learntNode(const Tag& tag, uint32_t page) const;
    void forgetPath(const std::vector<PathStep>& path, bool rightEdgeOnly) const;
    bool settle(const Tag& tag, Cursor& c);  // moves past the end of leaves
    void writeTagHeader(const Tag& tag, uint32_t firstLeaf, uint32_t lastLeaf, bool hasKeys);
    void writeDirectory();
    void setRoot(Tag& tag, uint32_t root);
    void updateEdges(const Tag& tag);

    std::unique_ptr<io::File> file_;
    mutable std::vector<Tag> tags_;  // headers read as the tags are used
    std::string tableName_;
    uint32_t blockSize_ = 1024;
    uint32_t pageCount_ = 4;
    uint64_t generation_ = 1;
    mutable std::unordered_map<uint32_t, std::shared_ptr<const Node>> nodes_;
    mutable std::vector<uint8_t> scratch_;  // the page readNode parses
    std::shared_ptr<Learnt> learnt_;
};

}  // namespace dbf::mdx
