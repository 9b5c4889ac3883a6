#include "LedgerCheck.h"

#include "FieldText.h"
#include "LedgerRow.h"
#include "LedgerScan.h"
#include "RecomputeBalances.h"
#include "Reconciliation.h"
#include "RecordCursor.h"
#include "StoreError.h"

namespace tallowick {

namespace {

// Runs the engine's integrity check; true when the file itself is sound,
// which it still is where only the table's constraints or types are broken
// (a row written past them): those rows can be read and named.
bool checkIntegrity(sqlite3* db, CheckReport& report)
{
    bool sound = true;
    Statement integrity(db, "PRAGMA integrity_check");
    while (integrity.step()) {
        const std::string line = integrity.text(0);
        if (line == "ok")
            continue;
        report.problems.push_back("Integrity check: " + line);
        const bool aboutValues =
            line.rfind("CHECK constraint failed in ", 0) == 0 || line.rfind("NULL value in ", 0) == 0
            || (line.rfind("non-", 0) == 0 && line.find(" value in ") != std::string::npos);
        sound = sound && aboutValues;
    }
    integrity.reset();
    return sound;
}

// What is wrong with one column's value in a row, or empty text when nothing is.
std::string badValue(const Statement& row, int index, LedgerColumn column)
{
    const int type = row.type(index);
    const bool isText = column == LedgerColumn::Date || column == LedgerColumn::Description;
    const bool mayBeEmpty = isText || column == LedgerColumn::Number;
    const int expected = isText ? SQLITE_TEXT : SQLITE_INTEGER;
    static constexpr const char* kClassNames[] = {"", "INTEGER", "REAL", "TEXT", "BLOB", "NULL"};
    std::string what;
    if (type == SQLITE_NULL && !mayBeEmpty)
        what = "is NULL";
    else if (type != expected && type != SQLITE_NULL)
        what = std::string("is ") + kClassNames[type] + " instead of " + kClassNames[expected];
    else if (type == SQLITE_NULL)
        return {};
    else if (column == LedgerColumn::TaxDeductible && row.integer(index) != 0 && row.integer(index) != 1)
        what = "is " + std::to_string(row.integer(index)) + " instead of 0 or 1";
    else if (column == LedgerColumn::Date && row.integer(index + 8) == 0)
        what = "is not a calendar day written yyyy-mm-dd";
    else if (column == LedgerColumn::Description && row.integer(index + 8) > long(kDescriptionLimit))
        what = "is longer than " + std::to_string(kDescriptionLimit) + " characters";
    else
        return {};
    return "its \"" + std::string(columnName(column)) + "\" " + what;
}

// Values that the table's design keeps out of rows the program writes, but
// that a row written past the constraints may still hold: the wrong kind of
// value, a flag other than 0 or 1, a malformed date, a long description.
// Each such row is named with everything wrong in it.
void checkValues(sqlite3* db, CheckReport& report)
{
    // Columns 0-7 the row's values, 8 the position, 9 whether the date is a
    // calendar day, 10 the description's length (placed 8 after their columns).
    Statement odd(db, R"sql(
        SELECT "number", "date", "description of transaction", "payment / debit", "tax deductible", fee,
               "deposit / credit", balance, position,
               "date" IS NULL OR date("date", '+0 days') IS "date",
               length("description of transaction")
        FROM (SELECT row_number() OVER (ORDER BY rowid) AS position, * FROM Ledger)
        WHERE typeof("number") NOT IN ('integer', 'null')
           OR typeof("date") NOT IN ('text', 'null')
           OR typeof("description of transaction") NOT IN ('text', 'null')
           OR typeof("payment / debit") <> 'integer' OR typeof(fee) <> 'integer'
           OR typeof("deposit / credit") <> 'integer' OR typeof(balance) <> 'integer'
           OR typeof("tax deductible") <> 'integer' OR "tax deductible" NOT IN (0, 1)
           OR ("date" IS NOT NULL AND date("date", '+0 days') IS NOT "date")
           OR length("description of transaction") > 255)sql");
    long long count = 0;
    while (odd.step()) {
        if (++count > static_cast<long long>(kMostListedBreaks))
            continue;
        std::string line;
        for (LedgerColumn column : kAllColumns) {
            const std::string what = badValue(odd, int(column), column);
            if (!what.empty())
                line += (line.empty() ? "" : ", ") + what;
        }
        report.problems.push_back("Row " + std::to_string(odd.integer(8)) + ": " + line + ".");
    }
    odd.reset();
    if (count > static_cast<long long>(kMostListedBreaks))
        report.problems.push_back(
            "... and " + std::to_string(count - static_cast<long long>(kMostListedBreaks)) + " more.");
    if (count > 0)
        report.problems.push_back(std::to_string(count) + (count == 1 ? " row holds" : " rows hold")
                                  + " values the ledger cannot hold.");
}

void checkBalances(LedgerConnection& connection, CheckReport& report)
{
    long long position = 0;
    Money previous;
    forEachLedgerRow(connection, [&](const LedgerRow& row) {
        ++position;
        if (position > 1) {
            std::optional<Money> expected;
            try {
                expected = previous - row.payment - row.fee + row.deposit;
            } catch (const StoreError&) {
                // An overflowing sum matches no stored balance.
            }
            if (expected != row.balance && report.breakCount++ < static_cast<long long>(kMostListedBreaks))
                report.breaks.push_back({position, row.balance, expected});
        }
        previous = row.balance;
    });
}

// Every mark tied to a row that exists, every finished statement still
// adding up: its starting balance plus its rows is its ending balance.
void checkReconciliation(LedgerConnection& connection, CheckReport& report)
{
    const ReconcileAudit audit = auditReconciliation(connection);
    if (audit.untiedMarks > 0)
        report.reconciliation.push_back(
            "Reconciliation: " + std::to_string(audit.untiedMarks)
            + (audit.untiedMarks == 1 ? " mark is" : " marks are")
            + " tied to no row: the row is gone or was changed by another program.");
    if (const auto& statement = audit.firstUnbalanced)
        report.reconciliation.push_back(
            "Reconciliation: the statement of " + statement->date.shortText()
            + " no longer balances: its starting balance " + audit.unbalancedStart.displayText()
            + " and its rows " + audit.unbalancedSum.displayText() + " make "
            + (audit.unbalancedStart + audit.unbalancedSum).displayText() + ", not its ending balance "
            + statement->endingBalance.displayText() + ".");
}

} // namespace

CheckReport checkLedger(LedgerConnection& connection)
{
    CheckReport report;
    if (!checkIntegrity(connection.db(), report))
        return report; // a damaged file is not read any further
    checkValues(connection.db(), report);
    if (report.problems.empty()) {
        checkBalances(connection, report);
        checkReconciliation(connection, report);
    }
    return report;
}

RepairReport repairBalances(const std::string& ledgerPath)
{
    RecordCursor cursor(ledgerPath);
    Transaction transaction(cursor.connection());
    // The balances RecomputeBalances will rewrite: every one that differs
    // from the running balance carried from the first row.
    RepairReport repair;
    long long position = 0;
    Money running;
    forEachLedgerRow(cursor.connection(), [&](const LedgerRow& row) {
        running = ++position == 1 ? row.balance : running - row.payment - row.fee + row.deposit;
        if (running != row.balance && repair.rewritten++ == 0) {
            repair.firstPosition = position;
            repair.firstBefore = row.balance;
            repair.firstAfter = running;
        }
    });
    RecomputeBalances(cursor);
    transaction.commit();
    return repair;
}

} // namespace tallowick
