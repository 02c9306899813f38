// The header of the production index file and its tags: the directory read when the file is
// opened, each tag's header page when that tag is first used.
#include "platform/dbf/MdxIndex.h"

#include <algorithm>
#include <ctime>

#include "platform/dbf/Bytes.h"
#include "platform/dbf/DbfFormat.h"
#include "platform/dbf/DbfTypes.h"
#include "platform/dbf/MdxLayout.h"
#include "platform/dbf/Paths.h"

namespace dbf::mdx {

using namespace layout;

void layout::putDate(uint8_t* p) {
    std::time_t now = std::time(nullptr);
    std::tm* t = std::localtime(&now);
    p[0] = uint8_t(t ? t->tm_year : 124);
    p[1] = uint8_t(t ? t->tm_mon + 1 : 1);
    p[2] = uint8_t(t ? t->tm_mday : 1);
}

MdxFile::MdxFile(std::unique_ptr<io::File> file) : file_(std::move(file)), learnt_(learntFor(file_->path())) {
    load();
}

void MdxFile::bad(const std::string& what) const {
    throw EngineError("Die Indexdatei ist beschädigt (" + what + "): " + file_->path());
}

void MdxFile::reachedTwice(const Tag& tag, uint32_t page) const {
    bad("Seite " + std::to_string(page) + " des Index " + tag.spec.name + " wird mehrfach erreicht");
}

void MdxFile::create(io::FileSystem& fs, const std::string& path, const std::string& tableBaseName) {
    std::vector<uint8_t> h(kHeaderBytes, 0);
    h[0] = 2;
    putDate(h.data() + 1);
    std::string name = paths::upper(tableBaseName);
    for (size_t i = 0; i < name.size() && i < 16; ++i) h[4 + i] = uint8_t(name[i]);
    bytes::putLe16(h.data() + 20, 2);     // pages per block
    bytes::putLe16(h.data() + 22, 1024);  // bytes per block
    h[24] = 1;                            // production index
    h[25] = 48;
    h[26] = 32;
    h[31] = 0x1B;
    bytes::putLe32(h.data() + 32, 4);
    putDate(h.data() + 44);
    auto f = fs.open(path, io::OpenMode::Create);
    f->write(0, h.data(), h.size());
    learntFor(f->path())->clear();  // a file made anew under the name of an old one
}

void MdxFile::load() {
    nodes_.clear();
    uint64_t size = file_->size();
    if (size < kHeaderBytes) bad("Datei kürzer als der Dateikopf");
    // The header pages and the block after them, where the first tag's header lies in the
    // files made here and by dBase: a lookup on that tag reads no header of its own.
    file_->prefetch(0, kHeaderBytes + 2 * kPage);
    uint8_t h[48];
    file_->read(0, h, sizeof h);
    size_t nameLength = 0;
    while (nameLength < 16 && h[4 + nameLength] != 0) ++nameLength;
    tableName_ = paths::upper(std::string(format::trimmedBoth({reinterpret_cast<const char*>(h + 4), nameLength})));
    blockSize_ = bytes::le16(h + 22);
    if (blockSize_ < kPage || blockSize_ % kPage != 0 || blockSize_ > 32768) bad("Blockgröße");
    if (h[26] != 32) bad("Länge der Indexeinträge");
    int inUse = bytes::le16(h + 28);
    if (inUse > kMaxTags || inUse > h[25]) bad("Anzahl der Indizes");
    // Pages are added at the page count: a count past the file's end would have them
    // written far out, or after wrapping over the header.
    pageCount_ = bytes::le32(h + 32);
    const uint64_t filePages = (size + kPage - 1) / kPage;
    if (pageCount_ > filePages) bad("Seitenzahl hinter dem Dateiende");
    pageCount_ = uint32_t(std::max<uint64_t>({pageCount_, filePages, kHeaderBytes / kPage}));
    // The entries in use only: with a few tags they lie in the file's first block.
    const uint8_t* table = file_->view(kTagTable, size_t(inUse) * 32, scratch_);
    tags_.reserve(size_t(inUse));
    for (int i = 0; i < inUse; ++i) {
        const uint8_t* e = table + size_t(i) * 32;
        Tag& t = tags_.emplace_back();
        t.slot = i;
        t.headerPage = bytes::le32(e);
        int n = 0;
        while (n < 11 && e[4 + n] != 0) ++n;
        if (n == 11 || n == 0) bad("Indexname");
        t.spec.name = format::trimmedRight({reinterpret_cast<const char*>(e + 4), size_t(n)});
        if (t.headerPage < kHeaderBytes / kPage || uint64_t(t.headerPage) * kPage + kPage > size)
            bad("Kopfseite des Index " + t.spec.name);
    }
}

void MdxFile::readTagHeader(Tag& t) const {
    uint8_t th[kPage];
    file_->read(uint64_t(t.headerPage) * kPage, th, kPage);
    t.rootPage = bytes::le32(th);
    uint8_t keyFormat = th[8];
    t.spec.keyType = char(th[9]);
    t.spec.keyLength = bytes::le16(th + 12);
    t.maxKeys = bytes::le16(th + 14);
    t.itemLength = bytes::le16(th + 18);
    t.spec.descending = (keyFormat & 0x08) != 0;
    t.spec.unique = (keyFormat & 0x40) != 0 || th[23] != 0;
    if (t.spec.keyType == 'F') t.spec.keyType = 'N';
    int m = 0;
    while (24 + m < 244 && th[24 + m] != 0) ++m;
    t.spec.expression = format::trimBoth(std::string(reinterpret_cast<const char*>(th + 24), size_t(m)));
    if (th[245] != 0) t.spec.expression += " FOR ...";  // filtered tags cannot be maintained
    bool typeOk = (t.spec.keyType == 'C' && t.spec.keyLength >= 1) ||
                  (t.spec.keyType == 'N' && t.spec.keyLength == 12) ||
                  (t.spec.keyType == 'D' && t.spec.keyLength == 8);
    if (!typeOk) bad("Schlüsseltyp oder -länge des Index " + t.spec.name);
    if (t.itemLength < t.spec.keyLength + 4 || t.maxKeys < 1 ||
        12 + uint64_t(t.maxKeys) * uint64_t(t.itemLength) > blockSize_)
        bad("Schlüsselgrößen des Index " + t.spec.name);
    if (t.rootPage < kHeaderBytes / kPage || uint64_t(t.rootPage) * kPage + blockSize_ > file_->size())
        bad("Wurzelseite des Index " + t.spec.name);
    t.loaded = true;
}

Tag& MdxFile::loadedTag(int index) const {
    Tag& t = tags_.at(size_t(index));
    if (!t.loaded) readTagHeader(t);
    return t;
}

const std::vector<Tag>& MdxFile::tags() const {
    for (int i = 0; i < tagCount(); ++i) loadedTag(i);
    return tags_;
}

int MdxFile::findTag(const std::string& name) const {
    const std::string wanted = format::trimBoth(name);
    for (size_t i = 0; i < tags_.size(); ++i)
        if (paths::equalNoCase(tags_[i].spec.name, wanted)) return int(i);
    return -1;
}

}  // namespace dbf::mdx
