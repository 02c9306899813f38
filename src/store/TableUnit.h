// Every change of the project's local tables as one unit: made whole or not at all, also after
// a crash of the host, a write error or a power cut; and the recovery at project load.
#pragma once

#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace dbf::journal {
class Unit;
}

// The journal beside the local tables in the project directory while a change is written.
inline constexpr const char* kTableJournal = "TA_JOURNAL.JNL";

// What the error of a rolled-back change adds.
inline constexpr const char* kChangeNotMade = "Die Änderung der Transaktionsdaten wurde nicht ausgeführt.";
inline constexpr const char* kImportNotMade =
    "Die Transaktionsdaten des Projekts wurden nicht geändert. Bitte wiederholen Sie den Import.";

// The error of a change of the local tables that was rolled back, saying so.
class ChangeNotMade : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A unit over TA_LIST.DBF, TA_KL.DBF and TA_ID.DBF (with their index and memo files) in the
// project directory. One begun while another runs joins it, so that a hook the host calls
// back during an operation is part of the operation's unit.
class TableUnit {
public:
    explicit TableUnit(const char* notMade = kChangeNotMade);
    // The same over the tables of another directory (ending in a path delimiter).
    TableUnit(const std::string& directory, const char* notMade);
    // Rolls back unless committed.
    ~TableUnit();
    TableUnit(const TableUnit&) = delete;
    TableUnit& operator=(const TableUnit&) = delete;

    // The changes reach the disk (when this unit is the outermost); on failure they are
    // rolled back and the error travels.
    void Commit();
    // Rolls back now (a joined unit: the whole it joined). What the error that ended the unit
    // is to add: empty when nothing had changed.
    std::string RollBack() noexcept;

private:
    std::unique_ptr<dbf::journal::Unit> unit_;
    const char* notMade_;
};

namespace tableunit {
struct KeepAll {
    template <class R>
    bool operator()(const R&) const {
        return true;
    }
};
// Rolls the unit back and throws the current error, with the note that the change was not
// made when there was a change.
[[noreturn]] void Fail(TableUnit& unit, const std::exception& e);
}  // namespace tableunit

// Runs work as one unit of change of the local tables: committed when it returns (and
// keep(result) holds), rolled back when it throws (the error then says that the change was
// not made) or when keep says no.
template <class F, class Keep = tableunit::KeepAll>
auto AsOneChange(F&& work, Keep keep = {}, const char* notMade = kChangeNotMade) -> decltype(work()) {
    TableUnit unit(notMade);
    try {
        if constexpr (std::is_void_v<decltype(work())>) {
            work();
            unit.Commit();
        } else {
            auto result = work();
            if (keep(result)) unit.Commit();
            else unit.RollBack();
            return result;
        }
    } catch (const std::exception& e) {
        tableunit::Fail(unit, e);
    }
}

// At project load, before anything touches the local tables: rolls back a change that a host
// which is gone left unfinished, and tells the user once.
void RecoverLocalTables();
