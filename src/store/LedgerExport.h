#pragma once

#include "LedgerFile.h"

#include <optional>
#include <ostream>

namespace tallowick {

// Which rows an export writes. A row without a date counts as dated like
// the nearest earlier row that has a date (none before it: no year).
struct ExportChoice {
    bool taxDeductibleOnly = false;
    std::optional<int> year;
};

// Writes the chosen rows as CSV (see LedgerCsv.h) with its header line.
// Streams: memory does not grow with the ledger. Throws StoreError, also
// when the stream cannot be written.
void exportCsv(LedgerConnection& connection, const ExportChoice& choice, std::ostream& out);

// Writes the chosen rows as a QIF bank account (see LedgerQif.h).
void exportQif(LedgerConnection& connection, const ExportChoice& choice, std::ostream& out);

} // namespace tallowick
