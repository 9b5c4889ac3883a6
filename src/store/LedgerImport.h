#pragma once

#include "Money.h"

#include <string>

namespace tallowick {

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
};

// Fills an empty ledger from a CSV file (see CsvLedgerReader).
//
// Needs: an existing ledger without rows. Guarantees: every line is read and
// converted before anything is written; the first refused line throws
// StoreError naming line, column and value, and the ledger is untouched. The
// rows are then stored in one transaction in the file's order, rowids spaced
// as the program spaces rows it adds. The first row's balance is the anchor;
// every later balance follows the running-balance rule exactly as
// RecomputeBalances makes it. A ledger that has rows is refused unchanged.
ImportSummary importCsvFile(const std::string& csvPath, const std::string& ledgerPath);

} // namespace tallowick
