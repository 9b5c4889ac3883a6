#include "LedgerCheck.h"

#include "LedgerRow.h"
#include "LedgerScan.h"
#include "RecomputeBalances.h"
#include "RecordCursor.h"
#include "StoreError.h"

#include <array>

namespace tallowick {

namespace {

struct ColumnDesign {
    LedgerColumn column;
    const char* type;
    bool notNull;
};

constexpr std::array<ColumnDesign, 8> kDesign{{
    {LedgerColumn::Number, "INTEGER", false},
    {LedgerColumn::Date, "TEXT", false},
    {LedgerColumn::Description, "TEXT", false},
    {LedgerColumn::Payment, "INTEGER", true},
    {LedgerColumn::TaxDeductible, "INTEGER", true},
    {LedgerColumn::Fee, "INTEGER", true},
    {LedgerColumn::Deposit, "INTEGER", true},
    {LedgerColumn::Balance, "INTEGER", true},
}};

void checkIntegrity(sqlite3* db, CheckReport& report)
{
    Statement integrity(db, "PRAGMA integrity_check");
    while (integrity.step()) {
        const std::string line = integrity.text(0);
        if (line != "ok")
            report.problems.push_back("Integrity check: " + line);
    }
    integrity.reset();
}

void checkDesign(sqlite3* db, CheckReport& report)
{
    Statement strict(db, "SELECT strict FROM pragma_table_list WHERE schema = 'main' AND name = 'Ledger'");
    if (strict.step() && strict.integer(0) == 0)
        report.problems.push_back("The Ledger table is not STRICT.");
    strict.reset();

    Statement columns(
        db, "SELECT cid, name, upper(type), \"notnull\" FROM pragma_table_info('Ledger') ORDER BY cid");
    std::size_t count = 0;
    while (columns.step()) {
        const std::size_t index = count++;
        if (index >= kDesign.size())
            continue;
        const ColumnDesign& design = kDesign[index];
        const std::string expected(columnName(design.column));
        if (columns.text(1) != expected || columns.text(2) != design.type
            || (columns.integer(3) != 0) != design.notNull)
            report.problems.push_back("Column " + std::to_string(index + 1) + " is \"" + columns.text(1)
                                      + "\" " + columns.text(2) + (columns.integer(3) ? " NOT NULL" : "")
                                      + " where the ledger has \"" + expected + "\" " + design.type
                                      + (design.notNull ? " NOT NULL" : "") + ".");
    }
    columns.reset();
    if (count != kDesign.size())
        report.problems.push_back("The Ledger table has " + std::to_string(count) + " columns instead of 8.");
}

// Values a table without the ledger's constraints may hold: the wrong kind
// of value, a flag other than 0 or 1, a malformed date, a long description.
void checkValues(sqlite3* db, CheckReport& report)
{
    Statement odd(db, R"sql(
        SELECT count(*), min(position) FROM (
            SELECT row_number() OVER (ORDER BY rowid) AS position, * FROM Ledger)
        WHERE typeof("number") NOT IN ('integer', 'null')
           OR typeof("date") NOT IN ('text', 'null')
           OR typeof("description of transaction") NOT IN ('text', 'null')
           OR typeof("payment / debit") <> 'integer' OR typeof(fee) <> 'integer'
           OR typeof("deposit / credit") <> 'integer' OR typeof(balance) <> 'integer'
           OR typeof("tax deductible") <> 'integer' OR "tax deductible" NOT IN (0, 1)
           OR ("date" IS NOT NULL AND date("date", '+0 days') IS NOT "date")
           OR length("description of transaction") > 255)sql");
    odd.step();
    const long long count = odd.integer(0);
    if (count > 0)
        report.problems.push_back(std::to_string(count)
                                  + " rows hold values the ledger cannot hold; the first is row "
                                  + std::to_string(odd.integer(1)) + ".");
    odd.reset();
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

} // namespace

CheckReport checkLedger(LedgerConnection& connection)
{
    CheckReport report;
    checkIntegrity(connection.db(), report);
    if (!report.problems.empty())
        return report; // a damaged file is not read any further
    checkDesign(connection.db(), report);
    checkValues(connection.db(), report);
    if (report.problems.empty())
        checkBalances(connection, report);
    return report;
}

void repairBalances(const std::string& ledgerPath)
{
    RecordCursor cursor(ledgerPath);
    RecomputeBalances(cursor);
}

} // namespace tallowick
