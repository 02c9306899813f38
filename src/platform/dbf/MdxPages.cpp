// Reading the pages of the production index: parsed once per file object, bounds checked.
#include "platform/dbf/MdxIndex.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/dbf/Bytes.h"
#include "platform/dbf/DbfTypes.h"
#include "platform/dbf/MdxLayout.h"

namespace dbf::mdx {

using namespace layout;

MdxFile::Node MdxFile::readNode(const Tag& tag, uint32_t page) const {
    if (page < kHeaderBytes / kPage || uint64_t(page) * kPage + blockSize_ > file_->size())
        bad("Seite " + std::to_string(page) + " des Index " + tag.spec.name + " außerhalb der Datei");
    std::vector<uint8_t>& buf = scratch_;
    buf.resize(blockSize_);
    file_->read(uint64_t(page) * kPage, buf.data(), buf.size());
    uint32_t count = bytes::le32(buf.data());
    uint32_t capacity = (blockSize_ - 12) / uint32_t(tag.itemLength);
    if (count > capacity) bad("Schlüsselanzahl der Seite " + std::to_string(page));
    const size_t keyLength = size_t(tag.spec.keyLength);
    const uint8_t* e = buf.data() + 8;
    Node n(keyLength, bytes::le32(e + size_t(count) * size_t(tag.itemLength)) == 0);
    n.page = page;
    n.keys.resize(size_t(count) * keyLength);
    n.ptrs.reserve(count + 1);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* p = e + size_t(i) * size_t(tag.itemLength);
        n.ptrs.push_back(bytes::le32(p));
        std::memcpy(n.keys.data() + size_t(i) * keyLength, p + 4, keyLength);
    }
    if (!n.leaf) {
        n.ptrs.push_back(bytes::le32(e + size_t(count) * size_t(tag.itemLength)));
        for (uint32_t p : n.ptrs)
            if (p == 0) bad("fehlender Verweis in Seite " + std::to_string(page));
    }
    return n;
}

std::shared_ptr<const MdxFile::Node> MdxFile::node(const Tag& tag, uint32_t page) const {
    auto it = nodes_.find(page);
    if (it != nodes_.end())
        return it->second;
    // Bounded: a walk over a large index must not keep every page it passed.
    if (nodes_.size() >= 4096)
        nodes_.clear();
    return nodes_.emplace(page, std::make_shared<const Node>(readNode(tag, page))).first->second;
}

Entry MdxFile::lastEntry(const Tag& tag, uint32_t page) const {
    // Reads only the few bytes on the way down the right edge, not whole pages: descents
    // through long runs of equal keys look at many subtrees this way.
    std::array<uint32_t, kMaxDepth> way{};
    for (size_t depth = 0; depth < kMaxDepth; ++depth) {
        if (std::find(way.begin(), way.begin() + long(depth), page) != way.begin() + long(depth))
            reachedTwice(tag, page);
        way[depth] = page;
        if (auto it = nodes_.find(page); it != nodes_.end()) {
            const Node& n = *it->second;
            if (n.leaf) return n.empty() ? Entry{} : Entry{KeyBytes(n.lastKey()), n.ptrs.back()};
            page = n.ptrs.back();
            continue;
        }
        if (page < kHeaderBytes / kPage || uint64_t(page) * kPage + blockSize_ > file_->size())
            bad("Seite " + std::to_string(page) + " des Index " + tag.spec.name + " außerhalb der Datei");
        const uint64_t base = uint64_t(page) * kPage;
        uint8_t b[4];
        file_->read(base, b, 4);
        const uint32_t count = bytes::le32(b);
        if (count > (blockSize_ - 12) / uint32_t(tag.itemLength))
            bad("Schlüsselanzahl der Seite " + std::to_string(page));
        const uint64_t items = base + 8;
        file_->read(items + uint64_t(count) * uint64_t(tag.itemLength), b, 4);
        const uint32_t after = bytes::le32(b);
        if (after != 0) {  // an inner page: its last pointer leads on
            page = after;
            continue;
        }
        if (count == 0) return Entry{};
        Entry last;
        const uint64_t item = items + uint64_t(count - 1) * uint64_t(tag.itemLength);
        file_->read(item, b, 4);
        last.recno = bytes::le32(b);
        last.key.resize(size_t(tag.spec.keyLength));
        file_->read(item + 4, last.key.data(), last.key.size());
        return last;
    }
    bad("Baum des Index " + tag.spec.name + " zu tief");
}

uint32_t MdxFile::edgeLeaf(const Tag& tag, bool rightmost) const {
    uint32_t page = tag.rootPage;
    for (size_t depth = 0; depth < kMaxDepth; ++depth) {
        const auto held = node(tag, page);
        const Node& n = *held;
        if (n.leaf) return page;
        page = rightmost ? n.ptrs.back() : n.ptrs.front();
    }
    bad("Baum des Index " + tag.spec.name + " zu tief");
}

}  // namespace dbf::mdx
