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
// Streams: memory does not grow with the ledger. Throws StoreError when the
// stream cannot be written, and at a row holding a value the ledger cannot
// hold, naming its position (what was written before it stays written).
void exportCsv(LedgerConnection& connection, const ExportChoice& choice, std::ostream& out);

// Writes the chosen rows as a QIF bank account (see LedgerQif.h), streaming
// and refusing as exportCsv does. Every record has a date: a row's own, else
// the nearest earlier one, else the first date of the ledger, else today's.
// Each T is the row's balance in cents minus the balance before it in cents,
// so that the T amounts add up to a balance the grid shows:
// - the whole ledger: the first record is the opening balance, the first
//   row's balance, and the T amounts add up to the last balance;
// - with a year: the first record is an opening balance dated January 1 of
//   that year, the balance the year brings forward (see PeriodBalance.h), and
//   each T is the step of the running balance from there, so that the year's
//   QIF and its register report agree to the cent, also where rows were typed
//   out of date order (an empty ledger gives no records);
// - tax-deductible rows only: no opening record; the T amounts add up to how
//   much those rows changed the balance (the first row, having no balance
//   before it, counts with its own amounts).
void exportQif(LedgerConnection& connection, const ExportChoice& choice, std::ostream& out);

} // namespace tallowick
