// Descents of the production index: the order of keys, the place of an entry within long runs
// of equal keys, found by its record number, what descents learn of an index file across
// opening, and the walks in index order.
#include "platform/dbf/MdxIndex.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "platform/dbf/Bytes.h"
#include "platform/dbf/DbfTypes.h"

namespace dbf::mdx {

namespace {

// Powers of ten for the exponents a key can carry (sig - digits lies within -72..+203);
// keys are compared on every step of a descent, so the powers are computed once.
long double powerOfTen(int e) {
    static const auto table = [] {
        std::array<long double, 300> t{};
        for (int i = 0; i < 300; ++i) t[size_t(i)] = std::pow(10.0L, i - 100);
        return t;
    }();
    return e >= -100 && e < 200 ? table[size_t(e + 100)] : std::pow(10.0L, e);
}

long double bcdValue(const uint8_t* p) {
    int sig = int(p[0]) - 52;
    int digits = (p[1] >> 2) & 0x1F;
    if (digits > 20) digits = 20;
    long double v = 0;
    for (int i = 0; i < digits; ++i) {
        int d = (i % 2 == 0) ? (p[2 + i / 2] >> 4) : (p[2 + i / 2] & 0x0F);
        v = v * 10 + d;
    }
    v *= powerOfTen(sig - digits);
    return (p[1] & 0x80) ? -v : v;
}

constexpr size_t kMaxHints = 1u << 16;  // record numbers remembered per index file
constexpr size_t kMaxInner = 1u << 11;  // inner pages remembered per index file (a few MB)
}  // namespace

int MdxFile::compareValues(const Tag& tag, std::string_view a, std::string_view b) const {
    int c = 0;
    if (tag.spec.keyType == 'N') {
        // Equal numbers are stored alike; runs of equal keys make this the common case.
        if (a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0) return 0;
        long double x = bcdValue(reinterpret_cast<const uint8_t*>(a.data()));
        long double y = bcdValue(reinterpret_cast<const uint8_t*>(b.data()));
        c = x < y ? -1 : (x > y ? 1 : 0);
    } else {
        double x = bytes::leDouble(reinterpret_cast<const uint8_t*>(a.data()));
        double y = bytes::leDouble(reinterpret_cast<const uint8_t*>(b.data()));
        c = x < y ? -1 : (x > y ? 1 : 0);
    }
    return tag.spec.descending ? -c : c;
}

int MdxFile::compareEntry(const Tag& tag, std::string_view k1, uint32_t r1, std::string_view k2,
                          uint32_t r2) const {
    int c = compareKeys(tag, k1, k2);
    if (c != 0) return c;
    return r1 < r2 ? -1 : (r1 > r2 ? 1 : 0);
}

void MdxFile::sortEntries(const Tag& tag, std::vector<Entry>& entries) const {
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        return compareEntry(tag, a.key, a.recno, b.key, b.recno) < 0;
    });
}

// What descents learnt of an index file outlives the file objects, as tables are opened for
// every operation. Being only a guess that the leaf reached confirms, it may go stale when
// another program changes the file. Files still open keep theirs when the registry lets go.
std::shared_ptr<MdxFile::Learnt> MdxFile::learntFor(const std::string& path) {
    static std::unordered_map<std::string, std::shared_ptr<Learnt>> all;
    auto it = all.find(path);
    if (it != all.end())
        return it->second;
    if (all.size() >= 16)  // a project has three index files; tests and hosts may open more
        all.clear();
    return all.emplace(path, std::make_shared<Learnt>()).first->second;
}

void MdxFile::remember(uint32_t page, uint32_t recno) const {
    if (learnt_->lastRecno.size() >= kMaxHints)
        learnt_->lastRecno.clear();
    learnt_->lastRecno[page] = recno;
}

void MdxFile::learnInner(const std::shared_ptr<const Node>& n) const {
    if (n->leaf) {
        learnt_->inner.erase(n->page);
        return;
    }
    if (learnt_->inner.size() >= kMaxInner)
        learnt_->inner.clear();
    learnt_->inner[n->page] = n;
}

std::shared_ptr<const MdxFile::Node> MdxFile::knownNode(const Tag& tag, uint32_t page) const {
    if (auto it = learnt_->inner.find(page); it != learnt_->inner.end())
        return it->second;
    return learntNode(tag, page);
}

std::shared_ptr<const MdxFile::Node> MdxFile::learntNode(const Tag& tag, uint32_t page) const {
    auto n = node(tag, page);
    if (!n->leaf) learnInner(n);
    return n;
}

void MdxFile::forgetPath(const std::vector<PathStep>& path, bool rightEdgeOnly) const {
    // A change in a leaf may change the last entry of every subtree on the way to it; when
    // the change neither splits nor adds, only of those whose last entry lies in that leaf.
    for (size_t level = path.size(); level-- > 0;) {
        const PathStep& step = path[level];
        learnt_->lastRecno.erase(step.view().page);
        if (rightEdgeOnly && level > 0) {
            const PathStep& up = path[level - 1];
            if (size_t(up.slot) + 1 < up.view().ptrs.size()) break;
        }
    }
}

size_t MdxFile::childInRun(const Tag& tag, const Node& n, size_t lo, size_t hi, const KeyBytes& key, uint32_t recno,
                           RunBounds& run, const RunSearch* search) const {
    // Children lo..hi-1 end with our key, child hi may begin with it: the entry belongs to the
    // first of them whose last entry is not before it, or to child hi.
    if (search && search->inserting && search->recordCount > 0 && recno >= search->recordCount) {
        // The table's last record, as an append adds it, comes after every entry of the run:
        // child hi holds what follows the run, and its own run of the key, if any, leads to the
        // run's end. (An entry already there may end child hi - 1 instead: not so for removal.)
        run.low = 0;
        return hi;
    }
    auto before = [&](const Entry& e) { return e.key.empty() || compareEntry(tag, e.key, e.recno, key, recno) < 0; };
    const bool useHints = search && search->useHints;
    // The last entry of a child: from the hints when allowed, else read and remembered.
    auto look = [&](size_t child) {
        const uint32_t page = n.ptrs[child];
        if (useHints)
            if (auto it = learnt_->lastRecno.find(page); it != learnt_->lastRecno.end()) return Entry{key, it->second};
        Entry e = lastEntry(tag, page);
        if (!e.key.empty() && compareKeys(tag, e.key, key) == 0) remember(page, e.recno);
        return e;
    };
    // Within the run the entries follow their record numbers, which lie spread over the run
    // much as over the file, so the record number tells where to look; a guess that proves
    // wrong is followed by a look at its neighbour and a bisection, so that the looks stay
    // logarithmic. The answer lies in children low .. high - 1: child lo - 1 ends before our
    // key, child hi is where the entry goes when no earlier child takes it. The record
    // numbers at both ends are estimates until a look has told them.
    size_t low = lo, high = hi + 1;
    uint32_t lowRec = lo == 0 ? run.low : 0;
    uint32_t highRec = run.high;
    if (highRec == 0) {
        // Nothing to guess from: one look at the run's last child tells whether the entry
        // belongs after the whole run.
        const Entry last = look(hi - 1);
        if (before(last)) {
            low = hi;
            lowRec = last.key.empty() ? 0 : last.recno;
        } else {
            high = hi;
            highRec = last.recno;
        }
    }
    enum class Step { Guess, Neighbour, Halve } step = Step::Guess;
    bool lastSetLow = false;
    while (high - low > 1) {
        size_t probe;
        if (step == Step::Guess && highRec > lowRec && recno > lowRec) {
            const double share = std::min(1.0, double(recno - lowRec) / double(highRec - lowRec));
            probe = std::clamp(low - 1 + size_t(std::ceil(share * double(high - low))), low, high - 2);
        } else if (step == Step::Neighbour) {
            probe = lastSetLow ? low : high - 2;
        } else {
            probe = (low + high) / 2 - 1;
        }
        const Entry e = look(probe);
        if (before(e)) {
            low = probe + 1;
            lowRec = e.key.empty() ? 0 : e.recno;
            lastSetLow = true;
        } else {
            high = probe + 1;
            highRec = e.recno;
            lastSetLow = false;
        }
        step = step == Step::Guess ? Step::Neighbour : (step == Step::Neighbour ? Step::Halve : Step::Guess);
    }
    // The chosen child's record numbers end at highRec; they start after the share of the
    // children between the bounds that comes before it.
    const size_t chosen = high - 1;
    const size_t span = high - low + 1;  // children low - 1 .. high - 1
    run.high = highRec;
    run.low = highRec > lowRec ? lowRec + uint32_t(uint64_t(highRec - lowRec) * (span - 2) / (span - 1)) : lowRec;
    return chosen;
}

int MdxFile::leafSlot(const Tag& tag, const Node& leaf, const KeyBytes& key, uint32_t recno) const {
    size_t lo = 0, hi = leaf.count();
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (compareEntry(tag, leaf.key(mid), leaf.ptrs[mid], key, recno) < 0) lo = mid + 1;
        else hi = mid;
    }
    return int(lo);
}

bool MdxFile::holds(const Tag& tag, const std::vector<PathStep>& path, const KeyBytes& key, uint32_t recno) const {
    const Node& leaf = path.back().view();
    const size_t slot = size_t(path.back().slot);
    return slot < leaf.count() && leaf.ptrs[slot] == recno && compareKeys(tag, leaf.key(slot), key) == 0;
}

std::vector<MdxFile::PathStep> MdxFile::descend(const Tag& tag, const KeyBytes& key, uint32_t recno,
                                                 const RunSearch* search) const {
    std::vector<PathStep> path;
    uint32_t page = tag.rootPage;
    // Where the record numbers of our key's run lie in the current subtree, as far as known.
    RunBounds run{0, search ? search->recordCount : 0};
    while (true) {
        if (path.size() >= kMaxDepth) bad("Baum des Index " + tag.spec.name + " zu tief");
        for (const auto& step : path)
            if (step.view().page == page) reachedTwice(tag, page);
        // The descents of changes learn the inner pages they pass; a lookup only reads them.
        std::shared_ptr<const Node> held =
            !search ? node(tag, page) : (search->useHints ? knownNode(tag, page) : learntNode(tag, page));
        const Node& n = *held;
        const size_t count = n.count();
        if (n.leaf) {
            const int slot = leafSlot(tag, n, key, recno);
            path.push_back(PathStep{std::move(held), std::nullopt, slot});
            return path;
        }
        size_t lo = 0;
        for (size_t hi = count; lo < hi;) {
            const size_t mid = (lo + hi) / 2;
            if (compareKeys(tag, n.key(mid), key) < 0) lo = mid + 1;
            else hi = mid;
        }
        size_t child = lo;
        if (lo < count && compareKeys(tag, n.key(lo), key) == 0 && recno != 0) {
            // Equal keys span several children: find the first whose last entry is not before ours.
            size_t hi = lo;
            while (hi < count && compareKeys(tag, n.key(hi), key) == 0) ++hi;
            child = childInRun(tag, n, lo, hi, key, recno, run, search);
        } else {
            // The run, if any, lies in this child alone; the child before ends with a smaller key.
            if (child > 0) run.low = 0;
        }
        page = n.ptrs[child];
        path.push_back(PathStep{std::move(held), std::nullopt, int(child)});
    }
}

void MdxFile::lowerBound(const Tag& tag, const KeyBytes& key, Cursor& c) const {
    c.path.clear();
    c.path.reserve(8);  // deeper trees are rare
    uint32_t page = tag.rootPage;
    while (true) {
        if (c.path.size() >= kMaxDepth) bad("Baum des Index " + tag.spec.name + " zu tief");
        for (const auto& step : c.path)
            if (step.first == page) reachedTwice(tag, page);
        const PageView n = viewNode(tag, page);
        size_t lo = 0;
        for (size_t hi = n.count; lo < hi;) {
            const size_t mid = (lo + hi) / 2;
            if (compareKeys(tag, n.key(mid), key) < 0) lo = mid + 1;
            else hi = mid;
        }
        c.path.emplace_back(page, int(lo));
        if (n.leaf) return;
        page = n.ptr(lo);
    }
}

bool MdxFile::settle(const Tag& tag, Cursor& c) {
    // The pages of the path count as entered from the walk's first step off it on.
    auto leavePath = [&c] {
        if (c.pathSeen) return;
        for (const auto& step : c.path) c.seen.insert(step.first);
        c.pathSeen = true;
    };
    while (!c.path.empty()) {
        if (c.path.size() > kMaxDepth) bad("Baum des Index " + tag.spec.name + " zu tief");
        auto [page, slot] = c.path.back();
        const PageView n = viewNode(tag, page);
        if (size_t(slot) >= n.pointers()) {
            leavePath();
            c.path.pop_back();
            if (!c.path.empty()) c.path.back().second++;
            continue;
        }
        if (n.leaf) {
            c.current.key.assign(n.key(size_t(slot)));
            c.current.recno = n.ptr(size_t(slot));
            c.valid = true;
            c.generation = generation_;
            return true;
        }
        const uint32_t child = n.ptr(size_t(slot));
        // A page reached twice means pages that share children or a cycle: a walk over them
        // would take ever longer.
        leavePath();
        if (!c.seen.insert(child).second) reachedTwice(tag, child);
        c.path.emplace_back(child, 0);
    }
    c.valid = false;
    return false;
}

bool MdxFile::seek(int tagIndex, Cursor& c, const KeyBytes& key, uint32_t recno) {
    const Tag& tag = loadedTag(tagIndex);
    c.seen.clear();
    c.pathSeen = false;
    if (recno == 0) {
        lowerBound(tag, key, c);
    } else {
        // Within a run of equal keys the record number decides, as the descents of changes find it.
        auto path = descend(tag, key, recno);
        c.path.clear();
        for (const auto& step : path) c.path.emplace_back(step.view().page, step.slot);
    }
    return settle(tag, c);
}

bool MdxFile::first(int tagIndex, Cursor& c) {
    const Tag& tag = loadedTag(tagIndex);
    c.path.assign(1, {tag.rootPage, 0});
    c.seen.clear();
    c.pathSeen = false;
    return settle(tag, c);
}

bool MdxFile::next(int tagIndex, Cursor& c) {
    if (!c.valid) return false;
    const Tag& tag = loadedTag(tagIndex);
    if (c.generation != generation_ || c.path.empty()) {
        if (c.current.recno == 0xFFFFFFFFu) return c.valid = false;
        return seek(tagIndex, c, c.current.key, c.current.recno + 1);
    }
    c.path.back().second++;
    return settle(tag, c);
}

}  // namespace dbf::mdx
