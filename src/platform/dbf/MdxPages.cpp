// Reading the pages of the production index, bounds checked: in place for lookups and walks,
// parsed (once per file object) for the descents of changes.
#include "platform/dbf/MdxIndex.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/dbf/Bytes.h"
#include "platform/dbf/DbfTypes.h"
#include "platform/dbf/MdxLayout.h"

namespace dbf::mdx {

using namespace layout;

MdxFile::PageView MdxFile::viewNode(const Tag& tag, uint32_t page) const {
    if (page < kHeaderBytes / kPage || uint64_t(page) * kPage + blockSize_ > file_->size())
        bad("Seite " + std::to_string(page) + " des Index " + tag.spec.name + " außerhalb der Datei");
    const uint8_t* buf = file_->view(uint64_t(page) * kPage, blockSize_, scratch_);
    PageView v;
    v.count = bytes::le32(buf);
    v.itemLength = size_t(tag.itemLength);
    v.keyLength = size_t(tag.spec.keyLength);
    if (v.count > (blockSize_ - 12) / v.itemLength) bad("Schlüsselanzahl der Seite " + std::to_string(page));
    v.items = buf + 8;
    v.leaf = v.ptr(v.count) == 0;
    if (!v.leaf)
        for (size_t i = 0; i < v.count; ++i)
            if (v.ptr(i) == 0) bad("fehlender Verweis in Seite " + std::to_string(page));
    return v;
}

MdxFile::Node MdxFile::readNode(const Tag& tag, uint32_t page) const {
    const PageView v = viewNode(tag, page);
    Node n(v.keyLength, v.leaf);
    n.page = page;
    n.keys.resize(v.count * v.keyLength);
    n.ptrs.resize(v.pointers());
    for (size_t i = 0; i < v.pointers(); ++i) n.ptrs[i] = v.ptr(i);
    for (size_t i = 0; i < v.count; ++i) std::memcpy(n.keys.data() + i * v.keyLength, v.key(i).data(), v.keyLength);
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
