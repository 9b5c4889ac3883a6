#include "StatementImport.h"

#include "FieldText.h"
#include "RecomputeBalances.h"
#include "ReconcileTables.h"
#include "RowCodec.h"
#include "StoreError.h"

#include <unordered_set>

namespace tallowick {

using namespace reconcile;

namespace {

[[noreturn]] void refuse(const std::string& sentence)
{
    throw StoreError(StoreError::Kind::Engine, sentence);
}

// The row a decision names, refused unless it may still take a transaction.
LedgerRow candidateRow(LedgerConnection& connection, std::int64_t rowid, std::int64_t anchor)
{
    KeptStatement read(connection.db(),
                       std::string("SELECT ") + kRowColumnsSql + " FROM Ledger WHERE rowid = ?1");
    read->bind(1, rowid);
    if (!read->step())
        throw StoreError(StoreError::Kind::NoCurrentRow,
                         "A row the statement was matched to is no longer in the ledger; read it again.");
    LedgerRow row = readRow(*read, 0);
    read->reset();
    const std::optional<std::string> mark = readSideRow(connection, SideTable::Mark, rowid);
    if (rowid == anchor
        || (mark && (unpackMark(*mark).status == MarkStatus::Reconciled || !unpackMark(*mark).fitid.empty())))
        refuse("A row the statement was matched to is reconciled or imported already.");
    return row;
}

bool keyKnown(sqlite3* db, const std::string& key)
{
    if (!marksHaveFitid(db))
        return false;
    KeptStatement find(db, "SELECT 1 FROM ReconcileMark WHERE \"fitid\" = ?1");
    find->bind(1, key);
    return find->step();
}

void markCleared(LedgerConnection& connection, std::int64_t rowid, const LedgerRow& row,
                 const std::string& key)
{
    writeNoted(connection, SideTable::Mark, rowid,
               packMark({MarkStatus::Cleared, 0, rowFingerprint(row), key}));
}

Money clearedBalance(sqlite3* db)
{
    Statement last(db, "SELECT \"ending balance\" FROM ReconcileStatement ORDER BY \"id\" DESC LIMIT 1");
    Money balance;
    if (last.step()) {
        balance = Money::fromTenThousandths(last.integer(0));
    } else {
        Statement anchor(db, "SELECT balance FROM Ledger ORDER BY rowid LIMIT 1");
        if (anchor.step())
            balance = readAmount(anchor, 0, LedgerColumn::Balance);
        anchor.reset();
    }
    last.reset();
    Statement cleared(db,
                      "SELECT \"payment / debit\", fee, \"deposit / credit\" FROM Ledger JOIN ReconcileMark "
                      "ON Ledger.rowid = \"ledger rowid\" WHERE \"status\" = 1");
    while (cleared.step())
        balance = balance + readAmount(cleared, 2, LedgerColumn::Deposit)
                  - readAmount(cleared, 0, LedgerColumn::Payment) - readAmount(cleared, 1, LedgerColumn::Fee);
    cleared.reset();
    return balance;
}

} // namespace

LedgerRow statementRow(const StatementTransaction& transaction)
{
    LedgerRow row;
    row.number = transaction.number;
    row.date = transaction.date;
    if (!transaction.description.empty())
        row.description = checkedDescription(transaction.description);
    const Money zero;
    if (transaction.amount >= zero)
        row.deposit = transaction.amount;
    else if (transaction.fee)
        row.fee = zero - transaction.amount;
    else
        row.payment = zero - transaction.amount;
    return row;
}

StatementResult importStatement(LedgerConnection& connection,
                                const std::vector<StatementTransaction>& transactions,
                                const std::vector<StatementDecision>& decisions,
                                std::optional<std::uint32_t> seen)
{
    if (decisions.size() != transactions.size())
        refuse("Every transaction of the statement needs one decision.");
    sqlite3* db = connection.db();
    Transaction transaction(connection);
    beginChange(connection, ChangeKind::ImportStatement, seen);

    Statement last(db, "SELECT rowid, balance, (SELECT count(*) FROM Ledger) FROM Ledger ORDER BY rowid DESC "
                       "LIMIT 1");
    if (!last.step()) {
        last.reset();
        throw StoreError(StoreError::Kind::NoCurrentRow,
                         "The ledger has no opening balance; add it before importing a statement.");
    }
    std::int64_t lastRowid = last.integer(0);
    long long rowCount = last.integer(2);
    last.reset();
    Statement first(db, "SELECT rowid FROM Ledger ORDER BY rowid LIMIT 1");
    first.step();
    const std::int64_t anchor = first.integer(0);
    first.reset();

    const std::vector<std::string> keys = statementKeys(transactions);
    StatementResult result;
    result.decisions = decisions;
    std::unordered_set<std::int64_t> named;
    bool amountsChanged = false;
    std::vector<std::size_t> added;
    for (std::size_t t = 0; t < transactions.size(); ++t) {
        StatementDecision& decision = result.decisions[t];
        switch (decision.outcome) {
        case StatementOutcome::AlreadyImported: ++result.known; continue;
        case StatementOutcome::AmountDiffers: ++result.differs; continue;
        case StatementOutcome::Skip: ++result.skipped; continue;
        case StatementOutcome::New:
        case StatementOutcome::Matched:
        case StatementOutcome::TakeBankAmount: break;
        }
        if (keyKnown(db, keys[t]))
            refuse("A transaction of the statement was imported before.");
        if (decision.outcome == StatementOutcome::New) {
            added.push_back(t);
            continue;
        }
        if (!named.insert(decision.rowid).second)
            refuse("Two transactions of the statement were matched to one row.");
        LedgerRow row = candidateRow(connection, decision.rowid, anchor);
        if (decision.outcome == StatementOutcome::TakeBankAmount) {
            const LedgerRow bank = statementRow(transactions[t]);
            const LedgerRow before = row;
            row.payment = bank.payment;
            row.fee = bank.fee;
            row.deposit = bank.deposit;
            Statement rewrite(db, kRewriteRowSql);
            bindRow(rewrite, row, 1);
            rewrite.bind(9, decision.rowid).run();
            connection.changes().noteRow(decision.rowid, &before, &row);
            amountsChanged = true;
        }
        markCleared(connection, decision.rowid, row, keys[t]);
        ++result.matched;
    }
    if (amountsChanged)
        recomputeStoredBalances(connection);

    Statement balance(db, "SELECT balance FROM Ledger WHERE rowid = ?1");
    balance.bind(1, lastRowid).step();
    Money running = readAmount(balance, 0, LedgerColumn::Balance);
    balance.reset();
    Statement insert(db, kInsertRowSql);
    for (const std::size_t t : added) {
        LedgerRow row = statementRow(transactions[t]);
        running = running - row.payment - row.fee + row.deposit;
        row.balance = running;
        lastRowid = rowidAfterLast(lastRowid);
        bindRow(insert, row, 1);
        insert.bind(9, lastRowid).run();
        connection.changes().noteRow(lastRowid, nullptr, &row);
        markCleared(connection, lastRowid, row, keys[t]);
        result.decisions[t].rowid = lastRowid;
        result.decisions[t].position = ++rowCount;
        ++result.added;
    }
    result.clearedBalance = clearedBalance(db);
    transaction.commit();
    return result;
}

} // namespace tallowick
