#include "ApplyChange.h"

#include "ChangeRecord.h"
#include "LedgerFile.h"
#include "Reconciliation.h"
#include "RowCodec.h"
#include "StoreError.h"

#include <algorithm>
#include <optional>

namespace tallowick {

namespace {

[[noreturn]] void refuseChangedFile(ChangeDirection direction)
{
    const std::string done = direction == ChangeDirection::Undo ? "undone." : "redone.";
    throw StoreError(StoreError::Kind::NotUndoable,
                     "The ledger file has been changed by another program since, so the change cannot be "
                         + done);
}

std::optional<LedgerRow> rowAt(Statement& read, std::int64_t rowid)
{
    read.bind(1, rowid);
    try {
        std::optional<LedgerRow> row;
        if (read.step())
            row = readRow(read, 0);
        read.reset();
        return row;
    } catch (...) {
        read.reset();
        throw;
    }
}

// Where the first touched rowid stands now, as the function's contract says.
std::int64_t positionOf(sqlite3* db, std::int64_t rowid)
{
    Statement where(db, "SELECT (SELECT count(*) FROM Ledger WHERE rowid < ?1), "
                        "EXISTS (SELECT 1 FROM Ledger WHERE rowid >= ?1)");
    where.bind(1, rowid);
    where.step();
    const std::int64_t position = where.integer(0) + (where.integer(1) ? 1 : 0);
    where.reset();
    return position;
}

} // namespace

std::int64_t applyChange(LedgerConnection& connection, const ChangeRecord& change, ChangeDirection direction)
{
    using RowChange = ChangeRecord::RowChange;
    const bool undoing = direction == ChangeDirection::Undo;
    sqlite3* db = connection.db();
    Transaction transaction(connection);

    Statement read(db, std::string("SELECT ") + kRowColumnsSql + " FROM Ledger WHERE rowid = ?1");
    Statement insert(db, kInsertRowSql);
    Statement rewrite(db, kRewriteRowSql);
    Statement remove(db, "DELETE FROM Ledger WHERE rowid = ?1");
    for (const RowChange& row : change.rows()) {
        const std::uint32_t expected = undoing ? row.after : row.before;
        const std::uint32_t wanted = undoing ? row.before : row.after;
        const std::optional<LedgerRow> found = rowAt(read, row.rowid);
        const bool expectedHere = expected != RowChange::kAbsent;
        if (found.has_value() != expectedHere || (found && *found != change.image(expected)))
            refuseChangedFile(direction);
        if (wanted == RowChange::kAbsent) {
            remove.bind(1, row.rowid).run();
            continue;
        }
        Statement& write = found ? rewrite : insert;
        bindRow(write, change.image(wanted), 1);
        write.bind(9, row.rowid).run();
    }

    // The balance check and its write are one statement: a row whose
    // balance is not the expected one is not changed, and says so.
    Statement balance(db, "UPDATE Ledger SET balance = ?1 WHERE rowid = ?2 AND balance = ?3");
    for (const ChangeRecord::BalanceChange& each : change.balances()) {
        balance.bind(1, undoing ? each.before : each.after).bind(2, each.rowid);
        balance.bind(3, undoing ? each.after : each.before).run();
        if (sqlite3_changes(db) != 1)
            refuseChangedFile(direction);
    }

    // The marks, statements and draft the change wrote, all checked before any is written: the first
    // written creates the tables, and the tables a change created go last.
    for (const ChangeRecord::SideChange& side : change.sides())
        if (readSideRow(connection, side.table, side.key) != (undoing ? side.after : side.before))
            refuseChangedFile(direction);
    std::optional<ChangeRecord::SideChange> dropped;
    for (const ChangeRecord::SideChange& side : change.sides()) {
        if (side.table == SideTable::Tables && !(undoing ? side.before : side.after))
            dropped = side;
        else
            writeSideRow(connection, side.table, side.key, undoing ? side.before : side.after);
    }
    if (dropped)
        writeSideRow(connection, SideTable::Tables, 0, std::nullopt);

    std::int64_t first = INT64_MAX;
    if (!change.rows().empty())
        first = change.rows().front().rowid;
    if (!change.balances().empty())
        first = std::min(first, change.balances().front().rowid);
    const std::int64_t position = positionOf(db, first);
    transaction.commit();
    return position;
}

} // namespace tallowick
