// The structure check of the production index: order, separators, reachability, as other
// dBase programs rely on them.
#include <unordered_set>

#include "platform/dbf/DbfTypes.h"
#include "platform/dbf/MdxIndex.h"

namespace dbf::mdx {

Entry MdxFile::checkSubtree(const Tag& tag, uint32_t page, size_t depth, std::unordered_set<uint32_t>& seen,
                            TagCheck& out) const {
    const std::string where = "Seite " + std::to_string(page);
    if (depth >= kMaxDepth) {
        out.problems.push_back(where + ": Baum zu tief");
        return {};
    }
    if (!seen.insert(page).second) {
        out.problems.push_back(where + " wird mehrfach erreicht");
        return {};
    }
    std::shared_ptr<const Node> held;
    try {
        held = node(tag, page);
    } catch (const EngineError& e) {
        out.problems.push_back(e.what());
        return {};
    }
    const Node& n = *held;
    auto inOrder = [&](std::string_view k, uint32_t r) {
        if (out.entries.empty()) return true;
        const Entry& prev = out.entries.back();
        return compareEntry(tag, prev.key, prev.recno, k, r) < 0;
    };
    if (n.leaf) {
        if (n.empty() && depth > 0) out.problems.push_back(where + " ist leer");
        for (size_t i = 0; i < n.count(); ++i) {
            if (!inOrder(n.key(i), n.ptrs[i]))
                out.problems.push_back(where + ": Eintrag " + std::to_string(i) + " (Satz " + std::to_string(n.ptrs[i]) +
                                       ") steht nicht in Schlüsselfolge");
            out.entries.push_back(Entry{KeyBytes(n.key(i)), n.ptrs[i]});
        }
        return n.empty() ? Entry{} : out.entries.back();
    }
    for (size_t i = 1; i < n.count(); ++i)
        if (compareKeys(tag, n.key(i - 1), n.key(i)) > 0)
            out.problems.push_back(where + ": Trennschlüssel " + std::to_string(i) + " steht nicht in Schlüsselfolge");
    Entry last;
    for (size_t i = 0; i < n.ptrs.size(); ++i) {
        last = checkSubtree(tag, n.ptrs[i], depth + 1, seen, out);
        if (i < n.count() && (last.key.empty() || compareKeys(tag, n.key(i), last.key) != 0))
            out.problems.push_back(where + ": Trennschlüssel " + std::to_string(i) +
                                   " ist nicht der letzte Schlüssel von Seite " + std::to_string(n.ptrs[i]));
    }
    return last;
}

std::optional<Entry> MdxFile::plainFind(const Tag& tag, const KeyBytes& key) const {
    uint32_t page = tag.rootPage;
    std::unordered_set<uint32_t> seen;
    for (size_t depth = 0; depth < kMaxDepth && seen.insert(page).second; ++depth) {
        const auto held = node(tag, page);
        const Node& n = *held;
        size_t i = 0;
        while (i < n.count() && compareKeys(tag, n.key(i), key) < 0) ++i;
        if (n.leaf) {
            if (i == n.count()) return std::nullopt;
            return Entry{KeyBytes(n.key(i)), n.ptrs[i]};
        }
        page = n.ptrs[i];
    }
    return std::nullopt;
}

MdxFile::TagCheck MdxFile::check(int tagIndex) const {
    const Tag& tag = loadedTag(tagIndex);
    TagCheck out;
    std::unordered_set<uint32_t> seen;
    checkSubtree(tag, tag.rootPage, 0, seen, out);
    for (auto& p : out.problems) p = "Index " + tag.spec.name + ", " + p;
    for (size_t i = 0; i < out.entries.size(); ++i) {
        const Entry& e = out.entries[i];
        if (i > 0 && compareKeys(tag, out.entries[i - 1].key, e.key) == 0) continue;
        std::optional<Entry> found;
        try {
            found = plainFind(tag, e.key);
        } catch (const EngineError& err) {
            out.problems.push_back(err.what());
            break;
        }
        if (!found || found->recno != e.recno || compareKeys(tag, found->key, e.key) != 0)
            out.problems.push_back("Index " + tag.spec.name + ": Der Schlüssel von Satz " + std::to_string(e.recno) +
                                   " wird beim Abstieg von der Wurzel nicht gefunden");
    }
    return out;
}

}  // namespace dbf::mdx
