#include "store/TableUnit.h"

#include "platform/dbf/FileIO.h"
#include "platform/dbf/Journal.h"
#include "platform/ui/Dialogs.h"
#include "store/ProjectTables.h"
#include "util/Tools.h"

TableUnit::TableUnit(const char* notMade) : TableUnit(MyGetProjectDir(), notMade) {}

TableUnit::TableUnit(const std::string& directory, const char* notMade)
    : unit_(std::make_unique<dbf::journal::Unit>(dbf::io::standardFileSystem(), directory, kTableJournal,
                                                 std::vector<std::string>{kTransactionList, kKennungList,
                                                                          kTransactionIDs})),
      notMade_(notMade) {}

TableUnit::~TableUnit() = default;

void TableUnit::Commit() { unit_->commit(); }

std::string TableUnit::RollBack() noexcept {
    if (!unit_->rollBack())
        return std::string();
    std::string note = std::string("\r\n\r\n") + notMade_;
    if (!unit_->failure().empty())
        note += "\r\nWas davon schon geschrieben war, konnte nicht zurückgenommen werden (" + unit_->failure() +
                "); es wird beim nächsten Laden des Projekts zurückgenommen.";
    return note;
}

namespace tableunit {
void Fail(TableUnit& unit, const std::exception& e) {
    const std::string note = unit.RollBack();
    if (note.empty() || dynamic_cast<const ChangeNotMade*>(&e))
        throw;
    throw ChangeNotMade(e.what() + note);
}
}  // namespace tableunit

void RecoverLocalTables() {
    const std::string dir = MyGetProjectDir();
    if (dir.empty())
        return;
    try {
        if (dbf::journal::recover(*dbf::io::standardFileSystem(), dir, kTableJournal) ==
            dbf::journal::Recovery::RolledBack)
            ui::MessageDlg("Eine Änderung der Transaktionsdaten wurde beim letzten Mal unterbrochen. "
                           "Sie wurde rückgängig gemacht.\r\nBitte wiederholen Sie diese Änderung.",
                           ui::MsgType::Warning);
    } catch (const std::exception& e) {
        ui::MessageDlg(std::string("Eine unterbrochene Änderung der Transaktionsdaten konnte nicht rückgängig gemacht "
                                   "werden:\r\n") +
                           e.what() + "\r\n\r\nSie wird vor der nächsten Änderung der Transaktionsdaten erneut versucht.",
                       ui::MsgType::Error);
    }
}
