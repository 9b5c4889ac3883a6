#pragma once

#include "LedgerDate.h"
#include "Money.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tallowick {

// One row of the Ledger table, fields in the table's order. Number, date and
// description may hold no value; the amounts and the flag always hold one.
struct LedgerRow {
    std::optional<std::int64_t> number;
    std::optional<LedgerDate> date;
    std::optional<std::string> description;
    Money payment;
    int taxDeductible = 0;
    Money fee;
    Money deposit;
    Money balance;

    bool operator==(const LedgerRow&) const = default;
};

enum class LedgerColumn { Number, Date, Description, Payment, TaxDeductible, Fee, Deposit, Balance };

inline constexpr std::array<LedgerColumn, 8> kAllColumns{
    LedgerColumn::Number,        LedgerColumn::Date, LedgerColumn::Description, LedgerColumn::Payment,
    LedgerColumn::TaxDeductible, LedgerColumn::Fee,  LedgerColumn::Deposit,     LedgerColumn::Balance};

// The column's name in the file, as the table was created.
std::string_view columnName(LedgerColumn column);

// Finds a column by name without regard to letter case ("Payment / Debit"
// and "payment / debit" are one column). Throws StoreError (UnknownColumn).
LedgerColumn columnNamed(std::string_view name);
// The same, or nothing for a name that is no column's.
std::optional<LedgerColumn> findColumn(std::string_view name);

// The plain text form of one field: digits, M/d/yyyy, the plain Money form,
// "0"/"1"; empty text for a field without a value. Writing it back into the
// same column gives the same value.
std::string plainFieldText(const LedgerRow& row, LedgerColumn column);

// A field as the ledger grid shows it: the number's digits, M/d/yyyy, amounts
// as "$1,234.50", "T" or a blank for the flag; empty text for no value.
std::string displayFieldText(const LedgerRow& row, LedgerColumn column);

} // namespace tallowick
