#pragma once

#include "LedgerRow.h"

#include <cstdint>
#include <string>

namespace tallowick {

// The first line of a QIF bank account.
inline constexpr const char* kQifHeader = "!Type:Bank\r\n";

// An amount in whole cents, rounded half away from zero as the grid shows it.
std::int64_t centsOf(Money amount);

// Appends one QIF record ending with "^": D the date as MM/DD/YYYY, T the
// signed amount in cents with two decimals, N the number, P the description
// (line breaks become blanks), M a memo naming the fee and "Tax deductible"
// where they apply; C and `cleared` ('*' cleared, 'X' reconciled) unless it is 0.
void appendQifRecord(std::string& out, const LedgerRow& row, const LedgerDate& date, std::int64_t cents,
                     char cleared = 0);

// Appends the opening-balance record: D, T the balance in cents, P "Opening
// Balance"; N the row's number and M its description when `row` has them; C as above.
void appendQifOpening(std::string& out, const LedgerDate& date, std::int64_t cents, const LedgerRow* row,
                      char cleared = 0);

} // namespace tallowick
