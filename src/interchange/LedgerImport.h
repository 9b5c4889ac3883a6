#pragma once

#include "Money.h"

#include <functional>
#include <istream>

#include <string>

namespace tallowick {

class LedgerConnection;

// What an import stored, and where the file's own balances disagreed with
// the running-balance rule.
struct ImportSummary {
    long long rows = 0;
    long long balancesDiffering = 0;
    // The first row whose file balance differed: its line in the file, its
    // position in the ledger, the file's balance and the stored one.
    long long firstDifferingLine = 0;
    long long firstDifferingPosition = 0;
    Money fileBalance;
    Money storedBalance;
    long long skippedLines = 0; // lines whose fields were all empty
};

// Fills an empty ledger from CSV (see CsvLedgerReader), reading the input
// once, so that a pipe serves as well as a file.
//
// Needs: an existing ledger without rows. Guarantees: the rows are stored as
// they are read, in the file's order, in one transaction, rowids spaced as
// the program spaces rows it adds; the first refused line throws StoreError
// naming line, column and value, and rolls the transaction back whole, so the
// ledger is untouched. The first row's balance is the anchor and may not be
// empty; every later balance follows the running-balance rule exactly as
// RecomputeBalances makes it. A ledger that has rows is refused unchanged.
// `beforeCommit`, when given, sees the summary before the rows are committed;
// what it throws rolls them back (the tool's report that cannot be written).
using ImportCheck = std::function<void(const ImportSummary&)>;
ImportSummary importCsv(std::istream& in, const std::string& ledgerPath,
                        const ImportCheck& beforeCommit = {});

// importCsv into a ledger already open on `connection`.
ImportSummary importCsv(LedgerConnection& connection, std::istream& in, const ImportCheck& beforeCommit = {});

// importCsv from the file at `csvPath`.
ImportSummary importCsvFile(const std::string& csvPath, const std::string& ledgerPath,
                            const ImportCheck& beforeCommit = {});

} // namespace tallowick
