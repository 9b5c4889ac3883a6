#pragma once

#include "LedgerRow.h"

#include <optional>
#include <string>

namespace tallowick {

// The first line of a QIF bank account.
inline constexpr const char* kQifHeader = "!Type:Bank\r\n";

// Appends one QIF record ending with "^": D the date as MM/DD/YYYY (left out
// when `date` is none), T the signed amount deposit - payment - fee with two
// decimals, N the number, P the description (line breaks become blanks), M a
// memo naming the fee and "Tax deductible" where they apply.
//
// The opening-balance record is the ledger's first row: its T is the row's
// balance, so that the T amounts add up to the last row's balance.
void appendQifRecord(std::string& out, const LedgerRow& row, const std::optional<LedgerDate>& date,
                     bool openingBalance);

} // namespace tallowick
