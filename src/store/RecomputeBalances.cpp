#include "RecomputeBalances.h"

#include "LedgerFile.h"
#include "Money.h"
#include "RecordCursor.h"
#include "RowCodec.h"

#include <utility>
#include <vector>

namespace tallowick {

namespace {

// Rows are read in chunks and the changed balances written after each chunk,
// so that no read is open while the same table is written.
constexpr int kChunkRows = 4096;

} // namespace

void RecomputeBalances(RecordCursor& cursor)
{
    recomputeStoredBalances(cursor.connection());
    cursor.MovePastEnd();
}

void recomputeStoredBalances(LedgerConnection& connection)
{
    sqlite3* db = connection.db();
    Transaction transaction(connection);
    ChangeNotes& change = connection.changes();
    change.name(ChangeKind::Recompute, 0); // unless the change that runs it named itself

    Statement anchor(db, "SELECT rowid, balance FROM Ledger ORDER BY rowid LIMIT 1");
    if (!anchor.step()) {
        anchor.reset();
        transaction.commit();
        return;
    }
    std::int64_t lastRowid = anchor.integer(0);
    Money running = readAmount(anchor, 1, LedgerColumn::Balance);
    anchor.reset();

    Statement read(db, "SELECT rowid, \"payment / debit\", fee, \"deposit / credit\", balance FROM Ledger "
                       "WHERE rowid > ?1 ORDER BY rowid LIMIT ?2");
    Statement write(db, "UPDATE Ledger SET balance = ?1 WHERE rowid = ?2");
    std::vector<std::pair<std::int64_t, Money>> changed;
    changed.reserve(kChunkRows);

    for (bool more = true; more;) {
        read.bind(1, lastRowid).bind(2, std::int64_t(kChunkRows));
        int rows = 0;
        while (read.step()) {
            ++rows;
            lastRowid = read.integer(0);
            // Every amount is checked before it counts: a value another program
            // wrote is refused, never read as some other amount and written back.
            running = running - readAmount(read, 1, LedgerColumn::Payment)
                      - readAmount(read, 2, LedgerColumn::Fee) + readAmount(read, 3, LedgerColumn::Deposit);
            const Money stored = readAmount(read, 4, LedgerColumn::Balance);
            if (running != stored) {
                changed.emplace_back(lastRowid, running);
                change.noteBalance(lastRowid, stored.tenThousandths(), running.tenThousandths());
            }
        }
        read.reset();
        more = rows == kChunkRows;

        for (const auto& [rowid, balance] : changed) {
            write.bind(1, balance.tenThousandths()).bind(2, rowid);
            write.run();
        }
        changed.clear();
    }
    transaction.commit();
}

} // namespace tallowick
