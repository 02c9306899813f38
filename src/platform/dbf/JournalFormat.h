// The rollback journal's file: segments of original file lengths and bytes, each with its
// length and checksum, so that a segment torn by a crash is known and never played back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dbf/FileIO.h"

namespace dbf::journal {

// The records of one segment, in the order they are added.
class Segment {
public:
    // The file's state before the unit: its length, or that it did not exist.
    void file(const std::string& name, bool existed, uint64_t length);
    // Original bytes of a file at an offset.
    void bytes(const std::string& name, uint64_t offset, const uint8_t* data, size_t n);
    bool empty() const { return body_.empty(); }
    // The segment as written: header (index, salt, length, checksums), then the records.
    std::vector<uint8_t> encode(uint32_t index, uint32_t salt) const;

private:
    void name(const std::string& name);
    std::vector<uint8_t> body_;
};

// Plays the whole segments of a journal back into the files of the directory: original bytes
// rewritten, lengths restored, files the unit made removed, the files synced. A torn segment
// and all after it are left alone. Returns the number of segments played back.
size_t playBack(io::FileSystem& fs, const std::string& directory, io::File& journal);

uint32_t crc32(const uint8_t* data, size_t n);

}  // namespace dbf::journal
