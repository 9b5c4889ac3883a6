#include "RowCodec.h"

#include "LedgerFile.h"
#include "StoreError.h"

namespace tallowick {

namespace {

const char* storageClassName(int type)
{
    switch (type) {
    case SQLITE_INTEGER: return "INTEGER";
    case SQLITE_FLOAT: return "REAL";
    case SQLITE_TEXT: return "TEXT";
    case SQLITE_BLOB: return "BLOB";
    default: return "NULL";
    }
}

// `position` is the row's 1-based place in stored order, 0 where the reader does not know it.
[[noreturn]] void refuseBadValue(LedgerColumn column, const std::string& what, long long position)
{
    refuseForeignData(position > 0 ? "Row " + std::to_string(position) + " of the ledger"
                                   : "A row of the ledger",
                      "its \"" + std::string(columnName(column)) + "\" " + what);
}

// True when the value at `index` is of the storage class `expected`, false
// for NULL where the column may be empty; anything else is refused.
bool holds(const Statement& statement, int index, LedgerColumn column, int expected, bool mayBeEmpty,
           long long position = 0)
{
    const int type = statement.type(index);
    if (type == expected)
        return true;
    if (type == SQLITE_NULL && mayBeEmpty)
        return false;
    refuseBadValue(column,
                   std::string("is ") + storageClassName(type) + " instead of " + storageClassName(expected),
                   position);
}

Money readAmount(const Statement& statement, int index, LedgerColumn column, long long position)
{
    holds(statement, index, column, SQLITE_INTEGER, false, position);
    return Money::fromTenThousandths(statement.integer(index));
}

} // namespace

Money readAmount(const Statement& statement, int index, LedgerColumn column)
{
    return readAmount(statement, index, column, 0);
}

LedgerRow readRow(const Statement& statement, int first, long long position)
{
    LedgerRow row;
    if (holds(statement, first, LedgerColumn::Number, SQLITE_INTEGER, true, position))
        row.number = statement.integer(first);
    if (holds(statement, first + 1, LedgerColumn::Date, SQLITE_TEXT, true, position)) {
        const std::string iso = statement.text(first + 1);
        try {
            if (!iso.empty())
                row.date = LedgerDate::fromIso(iso);
        } catch (const StoreError&) {
            refuseBadValue(LedgerColumn::Date, "is not a calendar day written yyyy-mm-dd", position);
        }
    }
    if (holds(statement, first + 2, LedgerColumn::Description, SQLITE_TEXT, true, position)) {
        std::string description = statement.text(first + 2);
        if (!description.empty())
            row.description = std::move(description);
    }
    row.payment = readAmount(statement, first + 3, LedgerColumn::Payment, position);
    holds(statement, first + 4, LedgerColumn::TaxDeductible, SQLITE_INTEGER, false, position);
    const std::int64_t flag = statement.integer(first + 4);
    if (flag != 0 && flag != 1)
        refuseBadValue(LedgerColumn::TaxDeductible, "is " + std::to_string(flag) + " instead of 0 or 1",
                       position);
    row.taxDeductible = int(flag);
    row.fee = readAmount(statement, first + 5, LedgerColumn::Fee, position);
    row.deposit = readAmount(statement, first + 6, LedgerColumn::Deposit, position);
    row.balance = readAmount(statement, first + 7, LedgerColumn::Balance, position);
    return row;
}

void bindRow(Statement& statement, const LedgerRow& row, int first)
{
    if (row.number)
        statement.bind(first, *row.number);
    else
        statement.bindNull(first);
    if (row.date)
        statement.bind(first + 1, row.date->isoText());
    else
        statement.bindNull(first + 1);
    if (row.description)
        statement.bind(first + 2, std::string_view(*row.description));
    else
        statement.bindNull(first + 2);
    statement.bind(first + 3, row.payment.tenThousandths());
    statement.bind(first + 4, std::int64_t(row.taxDeductible));
    statement.bind(first + 5, row.fee.tenThousandths());
    statement.bind(first + 6, row.deposit.tenThousandths());
    statement.bind(first + 7, row.balance.tenThousandths());
}

} // namespace tallowick
