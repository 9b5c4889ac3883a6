#include "ReconcileTables.h"
#include "RowCodec.h"

#include <algorithm>

namespace tallowick {

namespace reconcile {

Tied tieMarks(sqlite3* db)
{
    Tied tied;
    const auto marks = readAllMarks(db);
    if (marks.empty())
        return tied;

    std::vector<std::int64_t> rowids;
    std::vector<std::int64_t> prints;
    // (fingerprint, index) in order: the rows with one fingerprint stand together, in stored order.
    std::vector<std::pair<std::int64_t, std::size_t>> byPrint;
    Statement read(db, std::string("SELECT rowid, ") + kRowColumnsSql + " FROM Ledger ORDER BY rowid");
    try {
        while (read.step()) {
            const std::int64_t print = rowFingerprint(readRow(read, 1, (long long)(rowids.size() + 1)));
            byPrint.push_back({print, rowids.size()});
            rowids.push_back(read.integer(0));
            prints.push_back(print);
        }
    } catch (...) {
        read.reset();
        throw;
    }
    read.reset();
    std::sort(byPrint.begin(), byPrint.end());

    // Each mark is tied after the one before it, so marks keep their order:
    // on its own rowid when that row still has its fingerprint, else on the
    // next row that has it.
    std::ptrdiff_t lastTied = -1;
    for (const auto& [rowid, mark] : marks) {
        std::ptrdiff_t found = -1;
        const auto same = std::lower_bound(rowids.begin(), rowids.end(), rowid);
        const std::ptrdiff_t sameIndex = same - rowids.begin();
        if (same != rowids.end() && *same == rowid && prints[std::size_t(sameIndex)] == mark.fingerprint
            && sameIndex > lastTied) {
            found = sameIndex;
        } else {
            const auto next = std::lower_bound(byPrint.begin(), byPrint.end(),
                                               std::pair(mark.fingerprint, std::size_t(lastTied + 1)));
            if (next != byPrint.end() && next->first == mark.fingerprint)
                found = std::ptrdiff_t(next->second);
        }
        if (found < 0) {
            // A mark that only remembered the bank's id is no tick lost.
            tied.dropped += mark.status != MarkStatus::NotCleared;
            tied.changed = true;
            continue;
        }
        lastTied = found;
        const std::int64_t now = rowids[std::size_t(found)];
        tied.changed = tied.changed || now != rowid;
        tied.marks.push_back({now, mark});
    }
    return tied;
}

} // namespace reconcile

using namespace reconcile;

void reconcileOnBegin(LedgerConnection& connection)
{
    sqlite3* db = connection.db();
    const std::optional<Stamp> stamp = readStamp(db);
    const std::optional<std::uint32_t> counter = connection.counterAtBegin();
    if (!stamp || (counter && stamp->counter == std::int64_t(*counter)))
        return;
    // Another program wrote since the marks were last seen. What the check
    // finds is stored, not noted: that program's write has emptied the
    // history, and undoing a later change must not bring back untied marks.
    const Tied tied = tieMarks(db);
    if (tied.changed) {
        execute(db, "DELETE FROM ReconcileMark");
        for (const auto& [rowid, mark] : tied.marks)
            insertMark(db, rowid, mark);
    }
    Statement update(db, "UPDATE ReconcileStamp SET \"change counter\" = ?1, "
                         "\"dropped marks\" = \"dropped marks\" + ?2 WHERE \"id\" = 1");
    update.bind(1, counter ? std::int64_t(*counter) : std::int64_t(-1)).bind(2, std::int64_t(tied.dropped));
    update.run();
}

void reconcileBeforeCommit(LedgerConnection& connection)
{
    const std::optional<std::uint32_t> counter = connection.counterAtBegin();
    if (!counter || !connection.wroteSinceBegin() || !haveTables(connection.db()))
        return;
    // The commit advances the counter by one; the marks are then as we left them.
    Statement update(connection.db(), "UPDATE ReconcileStamp SET \"change counter\" = ?1 WHERE \"id\" = 1");
    update.bind(1, std::int64_t(std::uint32_t(*counter + 1))).run();
}

} // namespace tallowick
