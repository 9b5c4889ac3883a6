#include "InsertRow.h"

#include "LedgerFile.h"
#include "LedgerRow.h"
#include "Reconciliation.h"
#include "RecordCursor.h"
#include "RowCodec.h"
#include "StoreError.h"

#include <optional>
#include <utility>
#include <vector>

namespace tallowick {

namespace {
constexpr int kChunkRows = 4096;
} // namespace

LedgerRow placeholderRow()
{
    LedgerRow row;
    row.description = "INSERTED ROW";
    return row;
}

void InsertPlaceholderAfter(RecordCursor& cursor, std::int64_t position)
{
    LedgerConnection& connection = cursor.connection();
    sqlite3* db = connection.db();
    Transaction transaction(connection);
    ChangeNotes& change = connection.changes();

    if (position < 1 || position > cursor.RecordCount())
        throw StoreError(StoreError::Kind::NoCurrentRow,
                         "There is no row " + std::to_string(position) + " to insert after.");
    cursor.MoveFirst();
    cursor.Move(position - 1);
    const std::int64_t selectedRowid = cursor.currentRowid();

    Statement append(db, kInsertRowSql);
    Statement following(db, "SELECT rowid FROM Ledger WHERE rowid > ?1 ORDER BY rowid LIMIT 1");
    following.bind(1, selectedRowid);
    const std::optional<std::int64_t> followingRowid =
        following.step() ? std::optional<std::int64_t>(following.integer(0)) : std::nullopt;
    following.reset();

    // Room between the selected row and the next one: the placeholder takes
    // the middle of it and no row moves. After the last row it is appended.
    if (!followingRowid || *followingRowid - selectedRowid >= 2) {
        const LedgerRow placeholder = placeholderRow();
        const std::int64_t rowid = followingRowid ? selectedRowid + (*followingRowid - selectedRowid) / 2
                                                  : rowidAfterLast(selectedRowid);
        change.name(ChangeKind::Insert, position, rowid);
        bindRow(append, placeholder, 1);
        append.bind(9, rowid);
        append.run();
        change.noteRow(rowid, nullptr, &placeholder);
        transaction.commit();
        cursor.MoveFirst();
        return;
    }

    Statement read(db, std::string("SELECT rowid, ") + kRowColumnsSql
                           + " FROM Ledger WHERE rowid > ?1 ORDER BY rowid LIMIT ?2");
    Statement rewrite(db, kRewriteRowSql);

    // `pending` is the content that belongs at rowid `nextRowid`: first the
    // placeholder, then each displaced row in turn.
    LedgerRow pending = placeholderRow();
    std::int64_t nextRowid = selectedRowid + 1;
    change.name(ChangeKind::Insert, position, nextRowid);
    std::int64_t lastRead = selectedRowid;
    std::vector<std::pair<std::int64_t, LedgerRow>> rewrites;
    rewrites.reserve(kChunkRows);

    bool gapFound = false;
    for (bool more = true; more;) {
        read.bind(1, lastRead).bind(2, std::int64_t(kChunkRows));
        int rows = 0;
        try {
            while (read.step()) {
                ++rows;
                lastRead = read.integer(0);
                if (lastRead != nextRowid) {
                    gapFound = true;
                    break;
                }
                LedgerRow displaced = readRow(read, 1);
                change.noteRow(lastRead, &displaced, &pending);
                rewrites.emplace_back(lastRead, std::move(pending));
                pending = std::move(displaced);
                ++nextRowid;
            }
        } catch (...) {
            read.reset();
            throw;
        }
        read.reset();
        more = !gapFound && rows == kChunkRows;

        for (const auto& [rowid, row] : rewrites) {
            bindRow(rewrite, row, 1);
            rewrite.bind(9, rowid);
            rewrite.run();
        }
        rewrites.clear();
    }

    // The last displaced row settles in the gap, or after the last row.
    const std::int64_t settledRowid = gapFound ? nextRowid : rowidAfterLast(nextRowid - 1);
    bindRow(append, pending, 1);
    append.bind(9, settledRowid);
    append.run();
    change.noteRow(settledRowid, nullptr, &pending);
    // The marks move with their rows, in the same transaction.
    marksAfterShift(connection, selectedRowid + 1, nextRowid - 1, settledRowid);

    transaction.commit();
    cursor.MoveFirst();
}

} // namespace tallowick
