#pragma once

#include "LedgerRow.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace tallowick::test {

// A fresh ledger file in its own temporary folder, made by the same
// function the installer uses; the windows are pointed at that folder.
// A store failure in append, exec or rows fails the running case instead
// of ending the test program.
class TestLedger {
public:
    TestLedger();

    std::string path() const;
    QString folder() const { return dir_.path(); }

    // Appends rows exactly as given (balances too), straight through SQL.
    void append(const std::vector<LedgerRow>& rows);
    // Runs SQL against the file (triggers that inject failures, checks).
    void exec(const std::string& sql);
    // Every row, in stored order, read back through the store's cursor.
    std::vector<LedgerRow> rows() const;

private:
    QTemporaryDir dir_;
};

// A row with the usual fields; amounts are given as text like "12.5".
LedgerRow makeRow(const char* payment, const char* fee, const char* deposit, const char* balance,
                  const char* description = nullptr, long long number = -1, int tax = 0);
// The row with that date.
LedgerRow dated(LedgerRow row, LedgerDate date);

// An opening of 1000, then payments of 1.00 numbered from 1001.
std::vector<LedgerRow> paymentRows(int count);

// Every row as its rowid, then each column as SQL's quote() shows it, joined by '|', in rowid order. Read
// with plain SQLite, not the store, and read-write, so that a journal a failed change left is rolled back
// first, as any writer would.
QStringList storedRows(const std::string& path);
// The first column of every row `sql` yields, read by the engine without the store, then the engine's
// message if it failed.
QStringList firstColumn(const std::string& path, const char* sql);

// The reconciliation's tables (marks, statements, draft) as storedRows shows rows, read the same way.
QStringList storedMarks(const std::string& path);
// One letter a row in stored order as the store reads the marks: n not cleared, c cleared, y reconciled.
std::string markLetters(const std::string& path);
// The running-balance rule checked over a whole table.
bool balancesFollowRule(const std::vector<LedgerRow>& rows);

} // namespace tallowick::test
