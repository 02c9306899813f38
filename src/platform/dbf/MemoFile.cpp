// Memo files beside a table.
#include "platform/dbf/MemoFile.h"

#include <vector>

#include "platform/dbf/Bytes.h"

namespace dbf::memo {

using format::MemoKind;

namespace {
uint16_t be16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
}  // namespace

MemoFile::MemoFile(std::unique_ptr<io::File> file, MemoKind kind) : file_(std::move(file)), kind_(kind) {
    if (file_->size() < 512) bad("Memodatei kürzer als der Dateikopf");
    uint8_t h[32];
    file_->read(0, h, sizeof h);
    if (kind_ == MemoKind::Fpt) {
        blockSize_ = be16(h + 6);
        if (blockSize_ == 0) bad("Memoblockgröße null");
    } else if (kind_ == MemoKind::Dbt4) {
        uint16_t bs = bytes::le16(h + 20);
        blockSize_ = (bs >= 512 && bs % 512 == 0) ? bs : 512;
    }
}

void MemoFile::bad(const std::string& what) const {
    throw EngineError("Die Memodatei ist beschädigt (" + what + "): " + file_->path());
}

void MemoFile::create(io::FileSystem& fs, const std::string& path, MemoKind kind,
                      const std::string& tableBaseName) {
    std::vector<uint8_t> h(512, 0);
    if (kind == MemoKind::Fpt) {
        bytes::putBe32(h.data(), 512 / 64);  // next free block with 64-byte blocks
        h[6] = 0;
        h[7] = 64;
    } else {
        bytes::putLe32(h.data(), 1);
        for (size_t i = 0; i < 8 && i < tableBaseName.size(); ++i) h[8 + i] = uint8_t(tableBaseName[i]);
        if (kind == MemoKind::Dbt3) h[16] = 0x03;
        else bytes::putLe16(h.data() + 20, 512);
    }
    auto f = fs.open(path, io::OpenMode::Create);
    f->write(0, h.data(), h.size());
}

std::string MemoFile::read(uint32_t block) {
    if (block == 0) return {};
    uint64_t size = file_->size();
    uint64_t start = uint64_t(block) * blockSize_;
    if (start >= size) bad("Memoblock " + std::to_string(block) + " hinter dem Dateiende");
    if (kind_ == MemoKind::Fpt) {
        if (start + 8 > size) bad("Kopf des Memoblocks hinter dem Dateiende");
        uint8_t h[8];
        file_->read(start, h, 8);
        uint32_t length = bytes::be32(h + 4);
        if (start + 8 + length > size) bad("Memolänge reicht über das Dateiende hinaus");
        std::string text(length, '\0');
        file_->read(start + 8, text.data(), length);
        return text;
    }
    if (kind_ == MemoKind::Dbt4 && start + 8 <= size) {
        uint8_t h[8];
        file_->read(start, h, 8);
        if (h[0] == 0xFF && h[1] == 0xFF && h[2] == 0x08 && h[3] == 0x00) {
            uint32_t length = bytes::le32(h + 4);  // includes the 8 bytes of this header
            if (length < 8 || start + length > size) bad("Memolänge reicht über das Dateiende hinaus");
            std::string text(length - 8, '\0');
            file_->read(start + 8, text.data(), text.size());
            return text;
        }
    }
    // dBase III: the text ends at the first end-of-file mark.
    std::string text;
    std::vector<uint8_t> buf(512);
    for (uint64_t pos = start; pos < size; pos += buf.size()) {
        size_t n = size_t(std::min<uint64_t>(buf.size(), size - pos));
        file_->read(pos, buf.data(), n);
        for (size_t i = 0; i < n; ++i) {
            if (buf[i] == 0x1A) return text;
            text.push_back(char(buf[i]));
        }
    }
    return text;
}

uint32_t MemoFile::write(const std::string& text) {
    if (text.empty()) return 0;
    // The text goes behind everything in the file, whatever the header's next free block says:
    // a block before the end would overwrite texts, and one behind it is damage that would
    // make the file gigabytes long.
    const uint32_t next = uint32_t((file_->size() + blockSize_ - 1) / blockSize_);
    std::vector<uint8_t> data;
    if (kind_ == MemoKind::Fpt) {
        data.resize(8);
        bytes::putBe32(data.data(), 1);
        bytes::putBe32(data.data() + 4, uint32_t(text.size()));
        data.insert(data.end(), text.begin(), text.end());
    } else if (kind_ == MemoKind::Dbt4) {
        data = {0xFF, 0xFF, 0x08, 0x00, 0, 0, 0, 0};
        bytes::putLe32(data.data() + 4, uint32_t(text.size() + 8));
        data.insert(data.end(), text.begin(), text.end());
        // Readers that take the length as the text's own find the field terminator here.
        data.push_back(0x1F);
        data.push_back(0x1F);
    } else {
        data.assign(text.begin(), text.end());
        data.push_back(0x1A);
        data.push_back(0x1A);
    }
    size_t blocks = (data.size() + blockSize_ - 1) / blockSize_;
    data.resize(blocks * blockSize_, 0);
    file_->write(uint64_t(next) * blockSize_, data.data(), data.size());
    uint8_t n[4];
    if (kind_ == MemoKind::Fpt) bytes::putBe32(n, next + uint32_t(blocks));
    else bytes::putLe32(n, next + uint32_t(blocks));
    file_->write(0, n, 4);
    return next;
}

void MemoFile::clear() {
    uint32_t first = kind_ == MemoKind::Fpt ? 512 / blockSize_ + (512 % blockSize_ ? 1 : 0) : 1;
    uint64_t keep = uint64_t(first) * blockSize_;
    if (keep < 512) keep = 512;
    file_->truncate(keep);
    uint8_t n[4];
    if (kind_ == MemoKind::Fpt) bytes::putBe32(n, uint32_t(keep / blockSize_));
    else bytes::putLe32(n, 1);
    file_->write(0, n, 4);
}

}  // namespace dbf::memo
