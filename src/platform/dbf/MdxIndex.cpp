// Changes of the production index: entries inserted and removed, pages split and merged,
// tags built in bulk, the header and directory written.
#include "platform/dbf/MdxIndex.h"

#include <algorithm>
#include <cstring>

#include "platform/dbf/Bytes.h"
#include "platform/dbf/DbfFormat.h"
#include "platform/dbf/DbfTypes.h"
#include "platform/dbf/MdxLayout.h"
#include "platform/dbf/Paths.h"

namespace dbf::mdx {

using namespace layout;

std::vector<uint8_t> MdxFile::encodeNode(const Tag& tag, const Node& n) const {
    std::vector<uint8_t> buf(blockSize_, 0);
    const size_t count = n.count();
    bytes::putLe32(buf.data(), uint32_t(count));
    uint8_t* e = buf.data() + 8;
    for (size_t i = 0; i < count; ++i) {
        uint8_t* p = e + i * size_t(tag.itemLength);
        bytes::putLe32(p, n.ptrs[i]);
        const std::string_view k = n.key(i);
        std::memcpy(p + 4, k.data(), std::min(k.size(), size_t(tag.spec.keyLength)));
    }
    if (!n.leaf) bytes::putLe32(e + count * size_t(tag.itemLength), n.ptrs.back());
    return buf;
}

void MdxFile::writeNode(const Tag& tag, const Node& n) {
    auto buf = encodeNode(tag, n);
    nodes_.erase(n.page);
    learnInner(std::make_shared<const Node>(n));
    file_->write(uint64_t(n.page) * kPage, buf.data(), buf.size());
}

uint32_t MdxFile::allocate() {
    uint32_t page = pageCount_;
    if (page > UINT32_MAX - 2 * (blockSize_ / kPage)) bad("Seitenzahl");
    // The block exists before the count says so: a count never lies past the file's end.
    std::vector<uint8_t> zero(blockSize_, 0);
    file_->write(uint64_t(page) * kPage, zero.data(), zero.size());
    pageCount_ += blockSize_ / kPage;
    uint8_t b[4];
    bytes::putLe32(b, pageCount_);
    file_->write(32, b, 4);
    return page;
}

void MdxFile::setRoot(Tag& tag, uint32_t root) {
    tag.rootPage = root;
    uint8_t b[4];
    bytes::putLe32(b, root);
    file_->write(uint64_t(tag.headerPage) * kPage, b, 4);
}

void MdxFile::updateEdges(const Tag& tag) {
    uint8_t b[10] = {};
    const auto root = node(tag, tag.rootPage);
    b[0] = root->empty() && root->leaf ? 0 : 1;  // byte 246: the tag has keys
    bytes::putLe32(b + 2, edgeLeaf(tag, false));
    bytes::putLe32(b + 6, edgeLeaf(tag, true));
    file_->write(uint64_t(tag.headerPage) * kPage + 246, b, sizeof b);
}

void MdxFile::insert(int tagIndex, const KeyBytes& key, uint32_t recno, uint32_t recordCount) {
    Tag& tag = loadedTag(tagIndex);
    auto path = takeLocated(tagIndex, key, recno, true);
    if (tag.spec.unique) {
        Cursor c;
        if (seek(tagIndex, c, key, 0) && compareKeys(tag, c.current.key, key) == 0) return;
    }
    ++generation_;
    RunSearch search{recordCount, false, true};
    if (path.empty()) path = descend(tag, key, recno, &search);
    forgetPath(path, false);
    bool wasEmpty = path.size() == 1 && path[0].view().empty();
    Node& leaf = path.back().edit();
    size_t slot = size_t(path.back().slot);
    leaf.insertKey(slot, key);
    leaf.ptrs.insert(leaf.ptrs.begin() + long(slot), recno);
    size_t level = path.size() - 1;
    bool split = false;
    while (true) {
        Node& cur = path[level].edit();
        if (cur.count() <= size_t(tag.maxKeys)) {
            writeNode(tag, cur);
            break;
        }
        if (tag.maxKeys < 2) bad("Schlüssel des Index " + tag.spec.name + " zu lang zum Teilen einer Seite");
        split = true;
        Node left(cur.keyLength, cur.leaf), right(cur.keyLength, cur.leaf);
        left.page = cur.page;
        const size_t count = cur.count();
        KeyBytes up;
        if (cur.leaf) {
            size_t mid = count / 2;
            left.assignKeys(cur, 0, mid);
            left.ptrs.assign(cur.ptrs.begin(), cur.ptrs.begin() + long(mid));
            right.assignKeys(cur, mid, count);
            right.ptrs.assign(cur.ptrs.begin() + long(mid), cur.ptrs.end());
            up = KeyBytes(left.lastKey());
        } else {
            size_t m = count / 2;
            left.assignKeys(cur, 0, m);
            left.ptrs.assign(cur.ptrs.begin(), cur.ptrs.begin() + long(m) + 1);
            up = KeyBytes(cur.key(m));
            right.assignKeys(cur, m + 1, count);
            right.ptrs.assign(cur.ptrs.begin() + long(m) + 1, cur.ptrs.end());
        }
        right.page = allocate();
        writeNode(tag, right);
        writeNode(tag, left);
        if (level == 0) {
            Node root(cur.keyLength, false);
            root.page = allocate();
            root.pushKey(up);
            root.ptrs = {left.page, right.page};
            writeNode(tag, root);
            setRoot(tag, root.page);
            break;
        }
        Node& parent = path[level - 1].edit();
        size_t c = size_t(path[level - 1].slot);
        parent.insertKey(c, up);
        parent.ptrs.insert(parent.ptrs.begin() + long(c) + 1, right.page);
        --level;
    }
    if (split || wasEmpty) updateEdges(tag);
}

std::vector<MdxFile::PathStep> MdxFile::locate(const Tag& tag, const KeyBytes& key, uint32_t recno,
                                                 uint32_t recordCount) const {
    // The entry is there to be found: the descent may go by what earlier descents learnt of
    // the inner pages and of the runs of equal keys, read afresh is only the leaf. It is done
    // again from the file alone when the leaf does not hold the entry, as after a change by
    // another program, and when the pages above the leaf are to change too.
    RunSearch search{recordCount, true, false};
    std::vector<PathStep> path;
    try {
        path = descend(tag, key, recno, &search);
    } catch (const EngineError&) {
        path.clear();  // what was learnt led astray
    }
    if (path.empty() || !holds(tag, path, key, recno) || size_t(path.back().slot) + 1 == path.back().view().count()) {
        search.useHints = false;
        path = descend(tag, key, recno, &search);
    }
    return path;
}

bool MdxFile::contains(int tagIndex, const KeyBytes& key, uint32_t recno, uint32_t recordCount) {
    const Tag& tag = loadedTag(tagIndex);
    auto path = locate(tag, key, recno, recordCount);
    if (!holds(tag, path, key, recno)) {
        located_.erase(tagIndex);
        return false;
    }
    located_[tagIndex] = Located{key, recno, std::move(path), false};
    return true;
}

std::vector<MdxFile::PathStep> MdxFile::takeLocated(int tagIndex, const KeyBytes& key, uint32_t recno,
                                                      bool inserting) {
    std::vector<PathStep> path;
    if (auto it = located_.find(tagIndex); it != located_.end()) {
        const Located& l = it->second;
        if (l.recno == recno && l.key == key && l.inserting == inserting) path = std::move(it->second.path);
        located_.erase(it);
    }
    return path;
}

void MdxFile::prepareInsert(int tagIndex, const KeyBytes& key, uint32_t recno, uint32_t recordCount) {
    const Tag& tag = loadedTag(tagIndex);
    RunSearch search{recordCount, false, true};
    located_[tagIndex] = Located{key, recno, descend(tag, key, recno, &search), true};
}

bool MdxFile::remove(int tagIndex, const KeyBytes& key, uint32_t recno, uint32_t recordCount) {
    Tag& tag = loadedTag(tagIndex);
    std::vector<PathStep> path = takeLocated(tagIndex, key, recno, false);
    if (path.empty()) path = locate(tag, key, recno, recordCount);
    if (!holds(tag, path, key, recno))
        return false;
    forgetPath(path, true);
    const size_t slot = size_t(path.back().slot);
    ++generation_;
    Node& leaf = path.back().edit();
    leaf.eraseKey(slot);
    leaf.ptrs.erase(leaf.ptrs.begin() + long(slot));
    if (!leaf.empty() || path.size() == 1) {
        writeNode(tag, leaf);
        if (slot == leaf.count() && !leaf.empty()) {
            // The leaf's last key changed: so does the separator above it.
            for (size_t level = path.size() - 1; level-- > 0;) {
                size_t c = size_t(path[level].slot);
                if (c < path[level].view().count()) {
                    Node& p = path[level].edit();
                    p.setKey(c, leaf.lastKey());
                    writeNode(tag, p);
                    break;
                }
            }
        }
        if (leaf.empty()) updateEdges(tag);
        return true;
    }
    // The leaf is empty: take it out of its parent, and so on upwards while a page empties.
    // When the page taken out was its parent's last child, the parent's subtree now ends
    // with the entry its last separator stood for, and so do the subtrees above it up to the
    // first one that is not a last child: that separator is lowered to it.
    size_t level = path.size() - 1;
    while (level-- > 0) {
        Node& p = path[level].edit();
        const size_t c = size_t(path[level].slot);
        const bool lastChild = c + 1 == p.ptrs.size();
        KeyBytes newLast;
        p.ptrs.erase(p.ptrs.begin() + long(c));
        if (!lastChild) {
            p.eraseKey(c);
        } else if (!p.empty()) {
            newLast = KeyBytes(p.lastKey());
            p.eraseKey(p.count() - 1);
        }
        if (p.ptrs.empty()) {
            if (level == 0) {
                p.leaf = true;
                p.keys.clear();
                writeNode(tag, p);
                break;
            }
            continue;
        }
        if (level == 0 && p.ptrs.size() == 1) {
            setRoot(tag, p.ptrs[0]);
            break;
        }
        writeNode(tag, p);
        if (lastChild) {
            for (size_t up = level; up-- > 0;) {
                const size_t s = size_t(path[up].slot);
                if (s < path[up].view().count()) {
                    Node& a = path[up].edit();
                    a.setKey(s, newLast);
                    writeNode(tag, a);
                    break;
                }
            }
        }
        break;
    }
    updateEdges(tag);
    return true;
}

void MdxFile::writeTagHeader(const Tag& tag, uint32_t firstLeaf, uint32_t lastLeaf, bool hasKeys) {
    std::vector<uint8_t> th(blockSize_, 0);
    bytes::putLe32(th.data(), tag.rootPage);
    bytes::putLe32(th.data() + 4, blockSize_ / kPage);
    th[8] = uint8_t(0x10 | (tag.spec.descending ? 0x08 : 0) | (tag.spec.unique ? 0x40 : 0));
    th[9] = uint8_t(tag.spec.keyType);
    th[11] = 0x1B;
    bytes::putLe16(th.data() + 12, uint16_t(tag.spec.keyLength));
    bytes::putLe16(th.data() + 14, uint16_t(tag.maxKeys));
    bytes::putLe16(th.data() + 16, tag.spec.keyType == 'D' ? 1 : 0);
    bytes::putLe16(th.data() + 18, uint16_t(tag.itemLength));
    th[20] = 1;
    th[23] = tag.spec.unique ? 1 : 0;
    for (size_t i = 0; i < tag.spec.expression.size() && i < 219; ++i) th[24 + i] = uint8_t(tag.spec.expression[i]);
    th[246] = hasKeys ? 1 : 0;
    bytes::putLe32(th.data() + 248, firstLeaf);
    bytes::putLe32(th.data() + 252, lastLeaf);
    putDate(th.data() + 257);
    th[480] = 0x01;  // the key is a plain field
    file_->write(uint64_t(tag.headerPage) * kPage, th.data(), th.size());
}

void MdxFile::writeDirectory() {
    std::vector<uint8_t> table(kMaxTags * 32, 0);
    // The tag table is threaded as a binary search tree on the names (1-based entries).
    std::vector<int> left(tags_.size(), 0), right(tags_.size(), 0), parent(tags_.size(), 0);
    for (size_t i = 1; i < tags_.size(); ++i) {
        size_t w = 0;
        while (true) {
            auto& link = tags_[i].spec.name < tags_[w].spec.name ? left[w] : right[w];
            if (link == 0) {
                link = int(i) + 1;
                parent[i] = int(w) + 1;
                break;
            }
            w = size_t(link - 1);
        }
    }
    for (size_t i = 0; i < tags_.size(); ++i) {
        uint8_t* e = table.data() + i * 32;
        bytes::putLe32(e, tags_[i].headerPage);
        for (size_t k = 0; k < tags_[i].spec.name.size() && k < 10; ++k) e[4 + k] = uint8_t(tags_[i].spec.name[k]);
        e[15] = 0x10;
        e[16] = uint8_t(left[i]);
        e[17] = uint8_t(right[i]);
        e[18] = uint8_t(parent[i]);
        e[19] = 0x02;
        e[20] = uint8_t(tags_[i].spec.keyType);
    }
    file_->write(kTagTable, table.data(), table.size());
    uint8_t h[4] = {};
    bytes::putLe16(h, uint16_t(tags_.size()));
    h[2] = uint8_t(tags_.size() + 1);
    h[3] = 0x1B;
    file_->write(28, h, 4);  // the new tag counts from here on
    uint8_t d[3];
    putDate(d);
    file_->write(44, d, 3);
}

void MdxFile::addTag(const TagSpec& specIn, std::vector<Entry> entries) {
    tags();  // the directory is written anew with every tag's key type
    nodes_.clear();
    located_.clear();
    learnt_->clear();
    if (int(tags_.size()) >= kMaxTags) throw EngineError("Die Indexdatei kann keine weiteren Indizes aufnehmen: " + path());
    Tag tag;
    tag.spec = specIn;
    tag.spec.name = paths::upper(format::trimBoth(specIn.name)).substr(0, 10);
    if (tag.spec.name.empty()) throw EngineError("Der Index hat keinen Namen: " + path());
    if (findTag(tag.spec.name) >= 0) throw EngineError("Der Index " + tag.spec.name + " existiert bereits: " + path());
    tag.slot = int(tags_.size());
    tag.itemLength = (tag.spec.keyLength + 4 + 3) / 4 * 4;
    tag.maxKeys = int((blockSize_ - 12) / uint32_t(tag.itemLength));
    if (tag.maxKeys < 2) throw EngineError("Der Schlüssel des Index " + tag.spec.name + " ist zu lang: " + path());
    ++generation_;
    tag.headerPage = allocate();

    // Bulk build: full leaves, then the levels above them, written level by level.
    struct Child {
        uint32_t page;
        KeyBytes last;
    };
    std::vector<Child> level;
    auto writeLevel = [&](std::vector<Node>& nodes) {
        std::vector<uint8_t> buf;
        buf.reserve(nodes.size() * blockSize_);
        for (const auto& n : nodes) {
            auto b = encodeNode(tag, n);
            buf.insert(buf.end(), b.begin(), b.end());
        }
        if (!nodes.empty()) file_->write(uint64_t(nodes.front().page) * kPage, buf.data(), buf.size());
    };
    auto reserve = [&](size_t count) {
        uint32_t firstPage = pageCount_;
        pageCount_ += uint32_t(count) * (blockSize_ / kPage);
        return firstPage;
    };
    {
        size_t per = size_t(tag.maxKeys);
        size_t count = std::max<size_t>(1, (entries.size() + per - 1) / per);
        uint32_t page = reserve(count);
        std::vector<Node> nodes;
        for (size_t i = 0; i < count; ++i) {
            Node n(size_t(tag.spec.keyLength));
            n.page = page + uint32_t(i) * (blockSize_ / kPage);
            size_t from = i * per, to = std::min(entries.size(), from + per);
            for (size_t k = from; k < to; ++k) {
                n.pushKey(entries[k].key);
                n.ptrs.push_back(entries[k].recno);
            }
            level.push_back({n.page, n.empty() ? KeyBytes() : KeyBytes(n.lastKey())});
            nodes.push_back(std::move(n));
            if (nodes.size() == 4096) {
                writeLevel(nodes);
                nodes.clear();
            }
        }
        writeLevel(nodes);
        entries.clear();
        entries.shrink_to_fit();
    }
    uint32_t firstLeaf = level.front().page, lastLeaf = level.back().page;
    bool hasKeys = !level.front().last.empty();
    while (level.size() > 1) {
        size_t fan = size_t(tag.maxKeys) + 1;
        size_t groups = (level.size() + fan - 1) / fan;
        size_t per = (level.size() + groups - 1) / groups;
        uint32_t page = reserve(groups);
        std::vector<Node> nodes;
        std::vector<Child> upper;
        for (size_t g = 0; g < groups; ++g) {
            Node n(size_t(tag.spec.keyLength), false);
            n.page = page + uint32_t(g) * (blockSize_ / kPage);
            size_t from = g * per, to = std::min(level.size(), from + per);
            for (size_t k = from; k < to; ++k) {
                n.ptrs.push_back(level[k].page);
                if (k + 1 < to) n.pushKey(level[k].last);
            }
            upper.push_back({n.page, level[to - 1].last});
            nodes.push_back(std::move(n));
        }
        writeLevel(nodes);
        level = std::move(upper);
    }
    tag.rootPage = level.front().page;
    uint8_t b[4];
    bytes::putLe32(b, pageCount_);
    file_->write(32, b, 4);
    writeTagHeader(tag, firstLeaf, lastLeaf, hasKeys);
    tag.loaded = true;
    tags_.push_back(tag);
    writeDirectory();
}

void MdxFile::rebuild(std::vector<std::vector<Entry>> entriesPerTag) {
    nodes_.clear();
    located_.clear();
    learnt_->clear();
    std::vector<TagSpec> specs;
    for (const auto& t : tags()) specs.push_back(t.spec);
    ++generation_;
    uint8_t zero[4] = {};
    file_->write(28, zero, 2);  // no tags while the file is rebuilt
    uint8_t count[4];
    bytes::putLe32(count, kHeaderBytes / kPage);
    file_->write(32, count, 4);  // nor pages past the header
    file_->truncate(kHeaderBytes);
    std::vector<uint8_t> table(kMaxTags * 32, 0);
    file_->write(kTagTable, table.data(), table.size());
    pageCount_ = kHeaderBytes / kPage;
    tags_.clear();
    for (size_t i = 0; i < specs.size(); ++i)
        addTag(specs[i], i < entriesPerTag.size() ? std::move(entriesPerTag[i]) : std::vector<Entry>());
}

}  // namespace dbf::mdx
