// One open table file in the process: shared by every Table object on it, so that each sees
// the others' changes at once. Holds the data, memo and index files and keeps them in step.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dbf/DbfFormat.h"
#include "platform/dbf/FileIO.h"
#include "platform/dbf/MdxIndex.h"
#include "platform/dbf/MdxLayout.h"
#include "platform/dbf/MemoFile.h"

namespace dbf {

class TableFile : public std::enable_shared_from_this<TableFile> {
    struct Opening {  // only open() makes table files
        explicit Opening() = default;
    };

public:
    // The shared state of the table at path, opened on first use. Without a file of that name
    // (or one differing in case only) it throws, or with ifExists gives nullptr.
    static std::shared_ptr<TableFile> open(const std::shared_ptr<io::FileSystem>& fs, const std::string& path,
                                           bool ifExists = false);
    static bool isOpen(const std::shared_ptr<io::FileSystem>& fs, const std::string& path);
    // Writes a new empty table (and memo file); removes a stale index file.
    static void create(io::FileSystem& fs, const std::string& path, const std::vector<FieldDef>& defs);

    TableFile(Opening, std::shared_ptr<io::FileSystem> fs, std::unique_ptr<io::File> dbf);
    ~TableFile();
    TableFile(const TableFile&) = delete;
    TableFile& operator=(const TableFile&) = delete;

    const std::string& path() const { return path_; }
    const format::Layout& layout() const { return layout_; }
    uint32_t count() const { return layout_.recordCount; }
    int fieldIndex(const std::string& name) const;  // -1 if none
    // Bumped on every change of the table, so that record copies can tell they are stale.
    uint64_t version() const { return version_; }

    void read(uint32_t recno, std::string& rec);
    bool deleted(uint32_t recno);  // also true for a record number out of range
    uint32_t deletedCount();

    uint32_t append(const std::string& rec);
    void update(uint32_t recno, const std::string& rec);
    void remove(uint32_t recno);
    void empty();
    // Whether a change can write the table and its index (and memo file, with memo true).
    bool writable(bool memo) const;
    void requireWritable(bool memo) const;

    std::string readMemo(uint32_t block);
    uint32_t writeMemo(const std::string& text);

    mdx::MdxFile* index() { return mdx_.get(); }
    std::vector<std::string> indexNames() const;
    int tagByName(const std::string& name) const;        // -1 if none
    int tagByField(const std::string& fieldName) const;  // -1 if none
    mdx::KeyBytes keyOf(int tag, const std::string& rec) const;
    // Whether the row of an index entry is live; throws when it carries another key. The row
    // is read into row when its number lies within the table.
    bool rowOfEntry(int tag, const mdx::Entry& entry, std::string& row);
    void addIndex(const std::string& name, const std::string& fieldName);
    // Throws when the header names a production index whose file is not there.
    void requireIndexFile() const;
    void rebuildIndexes();
    // The structure check of every tag, and that every live row is in each tag once under
    // its key; in German what is wrong, empty when the index is sound.
    std::vector<std::string> checkIndexes();

private:
    // The table file open under that name on the file system fs, if any.
    static std::shared_ptr<TableFile> opened(const io::FileSystem* fs, const std::string& path);
    [[noreturn]] void bad(const std::string& what) const;
    int tagField(int tag) const;  // the field a tag indexes, -1 if we cannot evaluate it
    void requireMaintainable() const;

    // The index does not hold what the table says: it belongs to another table or is stale.
    [[noreturn]] void indexOutOfStep(int tag, uint32_t recno) const;
    // Before the first write of a removal from the tags: each holds the entry to remove.
    void requireEntries(uint32_t recno, const std::string& old, const std::string* now);
    std::vector<mdx::Entry> entriesFor(int tagField, const mdx::TagSpec& spec);
    void writeHeaderCount(uint32_t count);

    std::shared_ptr<io::FileSystem> fs_;
    const io::FileSystem* owner_ = nullptr;  // the file system it was opened on, before the journal's
    std::string path_;
    std::string missingIndex_;  // the production index file the header names but is missing
    std::unique_ptr<io::File> dbf_;
    format::Layout layout_;
    std::unique_ptr<memo::MemoFile> memo_;
    std::unique_ptr<mdx::MdxFile> mdx_;
    std::optional<uint32_t> deleted_;
    static constexpr int kFieldUnknown = -2;
    mutable std::array<int, mdx::layout::kMaxTags> tagFields_;  // per tag the field tagField found
    uint64_t version_ = 1;
};

}  // namespace dbf
