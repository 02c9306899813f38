// Memo files beside a table: .DBT of dBase III and IV, .FPT of FoxPro.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/dbf/DbfFormat.h"
#include "platform/dbf/FileIO.h"

namespace dbf::memo {

class MemoFile {
public:
    MemoFile(std::unique_ptr<io::File> file, format::MemoKind kind);
    // A new, empty memo file.
    static void create(io::FileSystem& fs, const std::string& path, format::MemoKind kind,
                       const std::string& tableBaseName);

    // The text of a memo; block 0 is the empty memo.
    std::string read(uint32_t block);
    // Stores a text in new blocks and returns the first block's number.
    uint32_t write(const std::string& text);
    // Drops every memo (the table was emptied).
    void clear();
    const std::string& path() const { return file_->path(); }
    bool writable() const { return file_->writable(); }

private:
    [[noreturn]] void bad(const std::string& what) const;
    std::unique_ptr<io::File> file_;
    format::MemoKind kind_;
    uint32_t blockSize_ = 512;
};

}  // namespace dbf::memo
