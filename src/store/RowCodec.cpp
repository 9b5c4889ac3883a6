#include "RowCodec.h"

namespace tallowick {

LedgerRow readRow(const Statement& statement, int first)
{
    LedgerRow row;
    if (!statement.isNull(first))
        row.number = statement.integer(first);
    if (!statement.isNull(first + 1)) {
        const std::string iso = statement.text(first + 1);
        if (!iso.empty())
            row.date = LedgerDate::fromIso(iso);
    }
    if (!statement.isNull(first + 2)) {
        std::string description = statement.text(first + 2);
        if (!description.empty())
            row.description = std::move(description);
    }
    row.payment = Money::fromTenThousandths(statement.integer(first + 3));
    row.taxDeductible = int(statement.integer(first + 4));
    row.fee = Money::fromTenThousandths(statement.integer(first + 5));
    row.deposit = Money::fromTenThousandths(statement.integer(first + 6));
    row.balance = Money::fromTenThousandths(statement.integer(first + 7));
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
