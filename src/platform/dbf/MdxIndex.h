// The production index file .MDX: tag directory and one B-tree per tag, in dBase IV layout.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/dbf/FileIO.h"

namespace dbf::mdx {

// Raw key bytes of a tag's key length: blank-padded text ('C'), 12-byte BCD number ('N'),
// or 8-byte Julian day as a double ('D').
using KeyBytes = std::string;

struct Entry {
    KeyBytes key;
    uint32_t recno = 0;
};

struct TagSpec {
    std::string name;        // stored upper case, at most 10 characters
    char keyType = 'C';
    int keyLength = 0;
    std::string expression;  // the indexed field's name for tags we create
    bool descending = false;
    bool unique = false;
};

struct Tag {
    TagSpec spec;
    int slot = 0;  // position in the tag table
    uint32_t headerPage = 0;
    uint32_t rootPage = 0;
    int itemLength = 0;
    int maxKeys = 0;
};

// A position in a tag, valid while the index is unchanged; re-found by its entry otherwise.
struct Cursor {
    std::vector<std::pair<uint32_t, int>> path;  // page and slot per level, root first
    Entry current;
    bool valid = false;
    uint64_t generation = 0;
};

// Key encodings.
KeyBytes numericKey(const std::string& numberText);  // throws on text that is no number
KeyBytes numericKey(int64_t value);
KeyBytes dateKey(int64_t julianDay);
KeyBytes charKey(const std::string& text, int keyLength);

class MdxFile {
public:
    explicit MdxFile(std::unique_ptr<io::File> file);  // reads and checks the tag directory
    static void create(io::FileSystem& fs, const std::string& path, const std::string& tableBaseName);

    const std::string& path() const { return file_->path(); }
    const std::vector<Tag>& tags() const { return tags_; }
    int findTag(const std::string& name) const;  // -1 if none; case-insensitive

    // Adds a tag over entries already sorted in index order (bulk build).
    void addTag(const TagSpec& spec, std::vector<Entry> entries);
    // Replaces every tag's entries; sorted per tag, in tag order.
    void rebuild(std::vector<std::vector<Entry>> entriesPerTag);

    int compareKeys(const Tag& tag, const KeyBytes& a, const KeyBytes& b) const;
    void sortEntries(const Tag& tag, std::vector<Entry>& entries) const;

    // First entry not before (key, recno); false when there is none.
    bool seek(int tag, Cursor& c, const KeyBytes& key, uint32_t recno);
    bool first(int tag, Cursor& c);
    bool next(int tag, Cursor& c);

    void insert(int tag, const KeyBytes& key, uint32_t recno);
    bool remove(int tag, const KeyBytes& key, uint32_t recno);

    uint64_t generation() const { return generation_; }

private:
    struct Node {
        uint32_t page = 0;
        bool leaf = true;
        std::vector<uint32_t> ptrs;  // record numbers (leaf) or child pages (one more than keys)
        std::vector<KeyBytes> keys;
    };
    [[noreturn]] void bad(const std::string& what) const;
    void load();
    Node readNode(const Tag& tag, uint32_t page) const;
    // The parsed node of a page, kept while the file object lives and replaced on every
    // write of that page, so that descents do not parse the same pages again and again.
    std::shared_ptr<const Node> node(const Tag& tag, uint32_t page) const;
    void writeNode(const Tag& tag, const Node& node);
    std::vector<uint8_t> encodeNode(const Tag& tag, const Node& node) const;
    uint32_t allocate();
    int compareEntry(const Tag& tag, const KeyBytes& k1, uint32_t r1, const KeyBytes& k2, uint32_t r2) const;
    Entry lastEntry(const Tag& tag, uint32_t page) const;
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
    // Descends to the leaf slot of (key, recno); the path ends with the leaf.
    std::vector<PathStep> descend(const Tag& tag, const KeyBytes& key, uint32_t recno) const;
    bool settle(const Tag& tag, Cursor& c);  // moves past the end of leaves
    void writeTagHeader(const Tag& tag, uint32_t firstLeaf, uint32_t lastLeaf, bool hasKeys);
    void writeDirectory();
    void setRoot(Tag& tag, uint32_t root);
    void updateEdges(const Tag& tag);

    std::unique_ptr<io::File> file_;
    std::vector<Tag> tags_;
    uint32_t blockSize_ = 1024;
    uint32_t pageCount_ = 4;
    uint64_t generation_ = 1;
    mutable std::unordered_map<uint32_t, std::shared_ptr<const Node>> nodes_;
    mutable std::vector<uint8_t> scratch_;  // the page readNode parses
};

}  // namespace dbf::mdx
