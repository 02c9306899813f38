// Units of change of a directory's tables: which unit a file belongs to, the unit objects
// that begin, join, commit and roll back, and the recovery at load.
#include "platform/dbf/Journal.h"

#include <algorithm>

#include "platform/dbf/JournalFormat.h"
#include "platform/dbf/JournalUnit.h"
#include "platform/dbf/Paths.h"

namespace dbf::journal {

namespace {

uint64_t& holdBackSetting() {
    static uint64_t bytes = 8u << 20;
    return bytes;
}

std::string stemOf(const std::string& name) {
    const size_t dot = name.rfind('.');
    return paths::upper(dot == std::string::npos ? name : name.substr(0, dot));
}

}  // namespace

std::string withoutTrailingSlash(std::string dir) {
    dir = paths::normalize(dir);
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

uint64_t holdBack() { return holdBackSetting(); }

void setHoldBack(uint64_t bytes) { holdBackSetting() = bytes; }

std::string keyOf(const std::string& s) {
#ifdef _WIN32
    return paths::upper(s);
#else
    return s;
#endif
}

void split(const std::string& pathIn, std::string& directoryKey, std::string& name) {
    const std::string path = paths::normalize(pathIn);
    const size_t slash = path.rfind('/');
    directoryKey = keyOf(slash == std::string::npos ? std::string() : withoutTrailingSlash(path.substr(0, slash + 1)));
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

Shared* unitFor(const io::FileSystem* fs, const std::string& directoryKey, const std::string& name) {
    for (Shared* s : running())
        if (s->fs.get() == fs && s->directoryKey == directoryKey && s->stems.count(stemOf(name))) return s;
    return nullptr;
}

// ---- units ----

Unit::Unit(std::shared_ptr<io::FileSystem> fs, const std::string& directory, const std::string& journalName,
           const std::vector<std::string>& tables)
    : exceptions_(std::uncaught_exceptions()) {
    const std::string dir = withoutTrailingSlash(directory);
    for (Shared* s : running())
        if (s->fs == fs && s->directoryKey == keyOf(dir)) {
            // The outermost unit owns the state and outlives the units that join it.
            shared_ = std::shared_ptr<Shared>(s, [](Shared*) {});
            ++s->depth;
            joined_ = true;
            return;
        }
    auto s = std::make_shared<Shared>();
    s->fs = std::move(fs);
    s->directory = dir;
    s->directoryKey = keyOf(dir);
    s->journalPath = paths::join(directory, journalName);
    for (const auto& t : tables) s->stems.insert(stemOf(t));
    running().push_back(s.get());
    ++generation();
    shared_ = std::move(s);
}

Unit::~Unit() {
    if (!done_ && joined_ && std::uncaught_exceptions() == exceptions_) done_ = true;
    if (!done_) rollBack();
    if (joined_) {
        --shared_->depth;
        return;
    }
    auto& units = running();
    units.erase(std::remove(units.begin(), units.end(), shared_.get()), units.end());
    ++generation();
}

void Unit::commit() {
    if (done_) return;
    done_ = true;
    if (joined_) return;
    try {
        shared_->commit();
    } catch (...) {
        undone_ = true;
        failure_ = shared_->failure;
        throw;
    }
}

bool Unit::rollBack() noexcept {
    if (done_) return undone_;
    done_ = true;
    if (joined_) {
        shared_->doomed = true;
        undone_ = true;
        return true;
    }
    undone_ = shared_->changed;
    shared_->rollBack();
    failure_ = shared_->failure;
    return undone_;
}

// ---- recovery ----

Recovery recover(io::FileSystem& fs, const std::string& directory, const std::string& journalName) {
    const std::string path = paths::join(directory, journalName);
    if (!fs.exists(path)) return Recovery::Nothing;
    auto file = fs.lockFile(path, false);
    if (!file) return fs.exists(path) ? Recovery::InUse : Recovery::Nothing;
    const size_t segments = file->size() > 0 ? playBack(fs, withoutTrailingSlash(directory), *file) : 0;
    file->discard();
    return segments > 0 ? Recovery::RolledBack : Recovery::Nothing;
}


}  // namespace dbf::journal
