#include "Reconciliation.h"

#include "ReconcileTables.h"
#include "RowCodec.h"
#include "StoreError.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace tallowick {

using namespace reconcile;

namespace {

bool notAfter(const LedgerDate& a, const LedgerDate& b)
{
    return std::tie(a.year, a.month, a.day) <= std::tie(b.year, b.month, b.day);
}

// A read transaction of its own unless the caller has one open: the shared
// lock keeps the change counter and the tables still while they are read.
class ReadSnapshot {
public:
    explicit ReadSnapshot(LedgerConnection& connection)
        : db_(connection.db())
        , own_(connection.transactionDepth() == 0)
    {
        if (own_)
            execute(db_, "BEGIN");
    }
    ~ReadSnapshot()
    {
        if (own_)
            sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    }
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

private:
    sqlite3* db_;
    bool own_;
};

// The marks as they stand, or as another program's write leaves them once
// tied again; read in memory only. Takes the shared lock (its first read).
struct CurrentMarks {
    std::vector<std::pair<std::int64_t, MarkRow>> marks;
    MarkCheck check;
    std::optional<std::uint32_t> counter;
};

CurrentMarks currentMarks(sqlite3* db, bool alwaysTie)
{
    CurrentMarks current;
    const std::optional<Stamp> stamp = readStamp(db);
    current.counter = fileChangeCounter(db);
    if (!stamp)
        return current;
    const bool seen = current.counter && stamp->counter == std::int64_t(*current.counter);
    current.check.dropped = stamp->dropped;
    if (seen && !alwaysTie) {
        current.marks = readAllMarks(db);
        return current;
    }
    Tied tied = tieMarks(db);
    current.check.checked = !seen;
    current.check.dropped += tied.dropped;
    current.check.untied = tied.dropped;
    current.marks = std::move(tied.marks);
    return current;
}

// A row's payment and fee, added by the engine in column `index` of `read`.
// A sum beyond what a whole number holds comes as another type: the two
// amounts are then read on their own, and adding them refuses as Money does.
Money outflowOf(sqlite3* db, const Statement& read, int index, std::int64_t rowid)
{
    if (read.type(index) == SQLITE_INTEGER)
        return Money::fromTenThousandths(read.integer(index));
    Statement row(db, "SELECT \"payment / debit\", fee FROM Ledger WHERE rowid = ?1");
    row.bind(1, rowid);
    Money outflow;
    if (row.step())
        outflow = readAmount(row, 0, LedgerColumn::Payment) + readAmount(row, 1, LedgerColumn::Fee);
    row.reset();
    return outflow;
}

// The balance of the first (`order` "ASC") or the last ("DESC") row; $0.00 for an empty ledger.
Money endBalance(sqlite3* db, const char* order)
{
    Statement row(db, std::string("SELECT balance FROM Ledger ORDER BY rowid ") + order + " LIMIT 1");
    Money balance;
    if (row.step())
        balance = readAmount(row, 0, LedgerColumn::Balance);
    row.reset();
    return balance;
}

// `amounts` false leaves the amounts of the rows not reconciled at zero.
ReconciliationView readView(LedgerConnection& connection, bool alwaysTie, std::vector<Money>* totals,
                            std::vector<ReconcileEntry>* every = nullptr, bool amounts = true)
{
    sqlite3* db = connection.db();
    ReadSnapshot snapshot(connection);
    CurrentMarks current = currentMarks(db, alwaysTie);
    ReconciliationView view;
    view.check = current.check;
    view.counter = current.counter;
    if (haveTables(db)) {
        Statement statements(db, "SELECT \"id\", \"statement date\", \"ending balance\", \"finished\" "
                                 "FROM ReconcileStatement ORDER BY \"id\"");
        while (statements.step())
            view.statements.push_back({statements.integer(0), LedgerDate::fromIso(statements.textView(1)),
                                       Money::fromTenThousandths(statements.integer(2)),
                                       LedgerDate::fromIso(statements.textView(3))});
        statements.reset();
        if (const auto draft = readSideRow(connection, SideTable::Draft, 1))
            view.draft = unpackDraft(*draft);
    }

    std::map<std::int64_t, Money> sums; // by statement
    auto mark = current.marks.begin();
    // One walk over every row, the list's own cost: each column read is a
    // call into the engine, so the engine adds a row's payment and fee, and
    // the two balances the view needs are read apart.
    Statement read(db, "SELECT rowid, \"date\", \"payment / debit\" + fee, \"deposit / credit\" "
                       "FROM Ledger ORDER BY rowid");
    std::optional<LedgerDate> lastDate;
    std::string lastDateText; // rows of one day follow each other: their date is read once
    bool anchor = true;
    try {
        while (read.step()) {
            const std::int64_t rowid = read.integer(0);
            // No date reads as empty text; the table holds no empty dates.
            if (const std::string_view date = read.textView(1); !date.empty() && date != lastDateText) {
                lastDateText = date;
                lastDate = LedgerDate::fromIso(lastDateText);
            }
            while (mark != current.marks.end() && mark->first < rowid)
                ++mark;
            if (anchor) {
                anchor = false;
                continue;
            }
            ReconcileEntry entry{rowid, lastDate, MarkStatus::NotCleared, 0, Money(), Money()};
            if (mark != current.marks.end() && mark->first == rowid) {
                entry.status = mark->second.status;
                entry.statement = mark->second.statement;
            }
            if (amounts || entry.status == MarkStatus::Reconciled) {
                entry.outflow = outflowOf(db, read, 2, rowid);
                entry.inflow = readAmount(read, 3, LedgerColumn::Deposit);
            }
            if (every)
                every->push_back(entry);
            if (entry.status == MarkStatus::Reconciled)
                sums[mark->second.statement] += entry.inflow - entry.outflow;
            else
                view.unreconciled.push_back(entry);
        }
    } catch (...) {
        read.reset();
        throw;
    }
    read.reset();
    view.anchorBalance = endBalance(db, "ASC");
    view.registerBalance = endBalance(db, "DESC");

    Money start = view.anchorBalance;
    for (const BankStatement& statement : view.statements) {
        const Money sum = sums[statement.id];
        if (totals)
            totals->push_back(sum);
        if (start + sum != statement.endingBalance)
            view.check.unbalanced.push_back(statement.id);
        start = statement.endingBalance;
    }
    return view;
}

LedgerRow rowAt(Statement& read, std::int64_t rowid)
{
    read.bind(1, rowid);
    if (!read.step()) {
        read.reset();
        throw StoreError(StoreError::Kind::NoCurrentRow,
                         "A row of the reconciliation is no longer in the ledger; open it again.");
    }
    try {
        LedgerRow row = readRow(read, 0);
        read.reset();
        return row;
    } catch (...) {
        read.reset();
        throw;
    }
}

// Opens a change: refuses a view older than the file, names the change and
// makes sure the tables are there.
std::vector<std::int64_t> sortedUnique(std::vector<std::int64_t> rowids)
{
    std::sort(rowids.begin(), rowids.end());
    rowids.erase(std::unique(rowids.begin(), rowids.end()), rowids.end());
    return rowids;
}

std::int64_t anchorRowid(sqlite3* db)
{
    Statement first(db, "SELECT rowid FROM Ledger ORDER BY rowid LIMIT 1");
    const std::int64_t rowid = first.step() ? first.integer(0) : 0;
    first.reset();
    return rowid;
}

Money anchorBalance(sqlite3* db)
{
    Statement first(db, "SELECT balance FROM Ledger ORDER BY rowid LIMIT 1");
    const Money balance = first.step() ? readAmount(first, 0, LedgerColumn::Balance) : Money();
    first.reset();
    return balance;
}

// A row is no longer cleared: its mark goes, unless it remembers the bank's id.
void unclear(LedgerConnection& connection, std::int64_t rowid, MarkRow mark)
{
    if (mark.fitid.empty()) {
        writeNoted(connection, SideTable::Mark, rowid, std::nullopt);
        return;
    }
    mark.status = MarkStatus::NotCleared;
    mark.statement = 0;
    writeNoted(connection, SideTable::Mark, rowid, packMark(mark));
}

// Marks the ticked rows with `status` (and `statement`), and every other
// cleared row not cleared. Returns what the ticked rows add to the balance.
Money markTicked(LedgerConnection& connection, const std::vector<std::int64_t>& ticked, MarkStatus status,
                 std::int64_t statement)
{
    sqlite3* db = connection.db();
    std::vector<std::int64_t> cleared;
    Statement marks(db, "SELECT \"ledger rowid\" FROM ReconcileMark WHERE \"status\" = 1 ORDER BY 1");
    while (marks.step())
        cleared.push_back(marks.integer(0));
    marks.reset();
    for (const std::int64_t rowid : cleared)
        if (!std::binary_search(ticked.begin(), ticked.end(), rowid))
            unclear(connection, rowid, unpackMark(*readSideRow(connection, SideTable::Mark, rowid)));
    const std::int64_t anchor = anchorRowid(db);
    Statement read(db, std::string("SELECT ") + kRowColumnsSql + " FROM Ledger WHERE rowid = ?1");
    Money sum;
    for (const std::int64_t rowid : ticked) {
        const LedgerRow row = rowAt(read, rowid);
        const std::optional<std::string> was = readSideRow(connection, SideTable::Mark, rowid);
        if (rowid == anchor || (was && unpackMark(*was).status == MarkStatus::Reconciled))
            throw StoreError(StoreError::Kind::Engine, "A ticked row is reconciled already.");
        sum = sum + row.deposit - row.payment - row.fee;
        writeNoted(connection, SideTable::Mark, rowid,
                   packMark({status, statement, rowFingerprint(row), was ? unpackMark(*was).fitid : ""}));
    }
    return sum;
}

void clearDroppedCount(sqlite3* db)
{
    execute(db, "UPDATE ReconcileStamp SET \"dropped marks\" = 0 WHERE \"dropped marks\" <> 0");
}

} // namespace

Money ReconciliationView::startingBalance() const
{
    return statements.empty() ? anchorBalance : statements.back().endingBalance;
}

std::vector<std::size_t> ReconciliationView::listed(const std::optional<LedgerDate>& date,
                                                    bool laterToo) const
{
    std::vector<std::size_t> indexes;
    for (std::size_t i = 0; i < unreconciled.size(); ++i) {
        const auto& effective = unreconciled[i].effectiveDate;
        if (laterToo || !date || !effective || notAfter(*effective, *date))
            indexes.push_back(i);
    }
    return indexes;
}

std::vector<std::pair<std::int64_t, MarkRow>> reconcile::currentMarkRows(sqlite3* db)
{
    return currentMarks(db, false).marks;
}

ReconciliationView readReconciliation(LedgerConnection& connection, std::vector<ReconcileEntry>* every)
{
    return readView(connection, false, nullptr, every);
}

ReconciliationView readReconciliationList(LedgerConnection& connection)
{
    return readView(connection, false, nullptr, nullptr, false);
}

std::vector<LedgerRow> readRowsById(LedgerConnection& connection, const std::vector<std::int64_t>& rowids)
{
    ReadSnapshot snapshot(connection);
    Statement read(connection.db(),
                   std::string("SELECT ") + kRowColumnsSql + " FROM Ledger WHERE rowid = ?1");
    std::vector<LedgerRow> rows;
    rows.reserve(rowids.size());
    for (const std::int64_t rowid : rowids) {
        read.bind(1, rowid);
        try {
            if (read.step())
                rows.push_back(readRow(read, 0));
        } catch (...) {
            read.reset();
            throw;
        }
        read.reset();
    }
    return rows;
}

std::vector<std::pair<std::int64_t, MarkStatus>> readMarks(LedgerConnection& connection)
{
    ReadSnapshot snapshot(connection);
    const CurrentMarks current = currentMarks(connection.db(), false);
    std::vector<std::pair<std::int64_t, MarkStatus>> marks;
    const std::int64_t anchor = anchorRowid(connection.db());
    if (anchor)
        marks.push_back({anchor, MarkStatus::Reconciled});
    for (const auto& [rowid, mark] : current.marks)
        if (rowid != anchor)
            marks.push_back({rowid, mark.status});
    std::sort(marks.begin(), marks.end());
    return marks;
}

void postponeReconciliation(LedgerConnection& connection, const std::vector<std::int64_t>& ticked,
                            const ReconcileDraft& draft, std::optional<std::uint32_t> seen)
{
    Transaction transaction(connection);
    beginChange(connection, ChangeKind::Postpone, seen);
    markTicked(connection, sortedUnique(ticked), MarkStatus::Cleared, 0);
    writeNoted(connection, SideTable::Draft, 1, packDraft(draft));
    clearDroppedCount(connection.db());
    transaction.commit();
}

std::int64_t finishReconciliation(LedgerConnection& connection, const std::vector<std::int64_t>& ticked,
                                  const LedgerDate& statementDate, Money endingBalance,
                                  const LedgerDate& finishedOn, std::optional<std::uint32_t> seen)
{
    Transaction transaction(connection);
    beginChange(connection, ChangeKind::Finish, seen);
    sqlite3* db = connection.db();
    Statement last(db,
                   "SELECT \"id\", \"ending balance\" FROM ReconcileStatement ORDER BY \"id\" DESC LIMIT 1");
    const bool earlier = last.step();
    const std::int64_t id = earlier ? last.integer(0) + 1 : 1;
    const Money start = earlier ? Money::fromTenThousandths(last.integer(1)) : anchorBalance(db);
    last.reset();
    const Money sum = markTicked(connection, sortedUnique(ticked), MarkStatus::Reconciled, id);
    const Money difference = endingBalance - (start + sum);
    if (difference != Money())
        throw StoreError(StoreError::Kind::BadAmount,
                         "The ticked rows do not add up to the statement's ending balance: the difference is "
                             + difference.displayText() + ".");
    writeNoted(connection, SideTable::Statement, id,
               packStatement({id, statementDate, endingBalance, finishedOn}));
    writeNoted(connection, SideTable::Draft, 1, std::nullopt);
    clearDroppedCount(db);
    transaction.commit();
    return id;
}

std::int64_t appendBalanceAdjustment(LedgerConnection& connection, const LedgerDate& statementDate,
                                     Money difference, std::optional<std::uint32_t> seen)
{
    Transaction transaction(connection);
    beginChange(connection, ChangeKind::Adjust, seen);
    if (difference == Money())
        throw StoreError(StoreError::Kind::BadAmount, "There is no difference to adjust.");
    sqlite3* db = connection.db();
    Statement last(db, "SELECT rowid, balance FROM Ledger ORDER BY rowid DESC LIMIT 1");
    if (!last.step()) {
        last.reset();
        throw StoreError(StoreError::Kind::NoCurrentRow, "The ledger has no opening balance to adjust.");
    }
    const std::int64_t lastRowid = last.integer(0);
    const Money lastBalance = readAmount(last, 1, LedgerColumn::Balance);
    last.reset();

    LedgerRow row;
    row.date = statementDate;
    row.description = "Balance adjustment";
    if (difference > Money())
        row.deposit = difference;
    else
        row.payment = Money() - difference;
    row.balance = lastBalance - row.payment + row.deposit;
    const std::int64_t rowid = rowidAfterLast(lastRowid);
    Statement insert(db, kInsertRowSql);
    bindRow(insert, row, 1);
    insert.bind(9, rowid).run();
    connection.changes().noteRow(rowid, nullptr, &row);
    writeNoted(connection, SideTable::Mark, rowid, packMark({MarkStatus::Cleared, 0, rowFingerprint(row)}));
    transaction.commit();
    return rowid;
}

ReconcileAudit auditReconciliation(LedgerConnection& connection)
{
    std::vector<Money> totals;
    const ReconciliationView view = readView(connection, true, &totals);
    ReconcileAudit audit;
    audit.untiedMarks = view.check.untied;
    Money start = view.anchorBalance;
    for (std::size_t i = 0; i < view.statements.size(); ++i) {
        const BankStatement& statement = view.statements[i];
        if (start + totals[i] != statement.endingBalance) {
            audit.firstUnbalanced = statement;
            audit.unbalancedStart = start;
            audit.unbalancedSum = totals[i];
            break;
        }
        start = statement.endingBalance;
    }
    return audit;
}

void marksAfterUpdate(LedgerConnection& connection, std::int64_t rowid, const LedgerRow& before,
                      const LedgerRow& after)
{
    const std::optional<std::string> was = readSideRow(connection, SideTable::Mark, rowid);
    if (!was)
        return;
    const bool kept = before.date == after.date && before.payment == after.payment && before.fee == after.fee
                      && before.deposit == after.deposit;
    MarkRow mark = unpackMark(*was);
    mark.fingerprint = rowFingerprint(after);
    if (kept)
        writeNoted(connection, SideTable::Mark, rowid, packMark(mark));
    else
        unclear(connection, rowid, mark);
}

void marksAfterDelete(LedgerConnection& connection, std::int64_t rowid)
{
    if (haveTables(connection.db()))
        writeNoted(connection, SideTable::Mark, rowid, std::nullopt);
}

void marksAfterShift(LedgerConnection& connection, std::int64_t firstMoved, std::int64_t lastMoved,
                     std::int64_t settledRowid)
{
    if (!haveTables(connection.db()))
        return;
    std::vector<std::pair<std::int64_t, std::string>> moved;
    Statement read(connection.db(), "SELECT \"ledger rowid\" FROM ReconcileMark WHERE \"ledger rowid\" "
                                    "BETWEEN ?1 AND ?2 ORDER BY 1 DESC");
    read.bind(1, firstMoved).bind(2, lastMoved);
    while (read.step())
        moved.push_back({read.integer(0), std::string()});
    read.reset();
    for (auto& [rowid, image] : moved)
        image = *readSideRow(connection, SideTable::Mark, rowid);
    // From the last: each mark's new rowid has been left by the mark that was there.
    for (const auto& [rowid, image] : moved) {
        writeNoted(connection, SideTable::Mark, rowid, std::nullopt);
        writeNoted(connection, SideTable::Mark, rowid == lastMoved ? settledRowid : rowid + 1, image);
    }
}

} // namespace tallowick
