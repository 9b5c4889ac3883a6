#include "LedgerRow.h"

#include "StoreError.h"

namespace tallowick {

namespace {

char lowered(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowered(a[i]) != lowered(b[i]))
            return false;
    return true;
}

} // namespace

std::string_view columnName(LedgerColumn column)
{
    switch (column) {
    case LedgerColumn::Number: return "number";
    case LedgerColumn::Date: return "date";
    case LedgerColumn::Description: return "description of transaction";
    case LedgerColumn::Payment: return "payment / debit";
    case LedgerColumn::TaxDeductible: return "tax deductible";
    case LedgerColumn::Fee: return "fee";
    case LedgerColumn::Deposit: return "deposit / credit";
    case LedgerColumn::Balance: return "balance";
    }
    return {};
}

std::optional<LedgerColumn> findColumn(std::string_view name)
{
    for (LedgerColumn column : kAllColumns)
        if (sameIgnoringCase(columnName(column), name))
            return column;
    return std::nullopt;
}

LedgerColumn columnNamed(std::string_view name)
{
    if (const std::optional<LedgerColumn> column = findColumn(name))
        return *column;
    throw StoreError(StoreError::Kind::UnknownColumn,
                     "The ledger has no column named \"" + std::string(name) + "\".");
}

std::string plainFieldText(const LedgerRow& row, LedgerColumn column)
{
    switch (column) {
    case LedgerColumn::Number: return row.number ? std::to_string(*row.number) : std::string();
    case LedgerColumn::Date: return row.date ? row.date->shortText() : std::string();
    case LedgerColumn::Description: return row.description.value_or(std::string());
    case LedgerColumn::Payment: return row.payment.plainText();
    case LedgerColumn::TaxDeductible: return std::to_string(row.taxDeductible);
    case LedgerColumn::Fee: return row.fee.plainText();
    case LedgerColumn::Deposit: return row.deposit.plainText();
    case LedgerColumn::Balance: return row.balance.plainText();
    }
    return {};
}

std::string displayFieldText(const LedgerRow& row, LedgerColumn column)
{
    switch (column) {
    case LedgerColumn::Number: return row.number ? std::to_string(*row.number) : std::string();
    case LedgerColumn::Date: return row.date ? row.date->shortText() : std::string();
    case LedgerColumn::Description: return row.description.value_or(std::string());
    case LedgerColumn::Payment: return row.payment.displayText();
    case LedgerColumn::TaxDeductible: return row.taxDeductible != 0 ? "T" : " ";
    case LedgerColumn::Fee: return row.fee.displayText();
    case LedgerColumn::Deposit: return row.deposit.displayText();
    case LedgerColumn::Balance: return row.balance.displayText();
    }
    return {};
}

} // namespace tallowick
