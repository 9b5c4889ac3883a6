#include "LedgerImport.h"

#include "LedgerCsv.h"
#include "LedgerFile.h"
#include "RowCodec.h"
#include "StoreError.h"

#include <fstream>
#include <functional>

namespace tallowick {

namespace {

void refuseRows(LedgerConnection& connection)
{
    Statement any(connection.db(), "SELECT EXISTS (SELECT 1 FROM Ledger)");
    any.step();
    const bool hasRows = any.integer(0) != 0;
    any.reset();
    if (hasRows)
        throw StoreError(StoreError::Kind::Engine,
                         "The ledger already has rows; import fills an empty ledger only.");
}

// Reads the whole file, giving each row its balance by the running-balance
// rule, and hands every row on. Any refusal throws.
void readBalancedRows(const std::string& csvPath, ImportSummary& summary,
                      const std::function<void(const LedgerRow&)>& visit)
{
    std::ifstream file(csvPath, std::ios::binary);
    if (!file)
        throw StoreError(StoreError::Kind::FileAccess, "The file \"" + csvPath + "\" could not be read.");
    CsvLedgerReader reader(file);
    CsvLedgerRow read;
    Money running;
    summary = ImportSummary();
    while (reader.next(read)) {
        LedgerRow& row = read.row;
        try {
            if (summary.rows > 0)
                row.balance = running - row.payment - row.fee + row.deposit;
        } catch (const StoreError& error) {
            throw StoreError(error.kind(), "Line " + std::to_string(read.line) + ": " + error.what());
        }
        running = row.balance;
        ++summary.rows;
        if (read.fileBalance && *read.fileBalance != row.balance && summary.balancesDiffering++ == 0) {
            summary.firstDifferingLine = read.line;
            summary.firstDifferingPosition = summary.rows;
            summary.fileBalance = *read.fileBalance;
            summary.storedBalance = row.balance;
        }
        visit(row);
    }
}

} // namespace

ImportSummary importCsvFile(const std::string& csvPath, const std::string& ledgerPath)
{
    auto connection = LedgerConnection::open(ledgerPath);
    refuseRows(*connection);

    ImportSummary checked;
    readBalancedRows(csvPath, checked, [](const LedgerRow&) {});

    Transaction transaction(*connection);
    refuseRows(*connection); // another program may have added rows meanwhile
    Statement insert(connection->db(), kInsertRowSql);
    std::int64_t rowid = 0;
    ImportSummary stored;
    readBalancedRows(csvPath, stored, [&](const LedgerRow& row) {
        rowid = rowidAfterLast(rowid);
        bindRow(insert, row, 1);
        insert.bind(9, rowid);
        insert.run();
    });
    // The file changed between the two readings: store nothing.
    if (stored.rows != checked.rows || stored.balancesDiffering != checked.balancesDiffering)
        throw StoreError(StoreError::Kind::FileAccess, "The file \"" + csvPath + "\" changed while it was read.");
    transaction.commit();
    return stored;
}

} // namespace tallowick
