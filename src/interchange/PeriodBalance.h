#pragma once

#include "LedgerFile.h"
#include "LedgerRow.h"

#include <climits>

namespace tallowick {

// A day as one comparable number.
inline int dayNumber(const LedgerDate& date)
{
    return date.year * 10000 + date.month * 100 + date.day;
}

// Rows before the first dated row come before every day.
inline constexpr int kBeforeEveryDay = INT_MIN;
inline constexpr int kAfterEveryDay = INT_MAX;

// The day each row belongs to, taken in stored order: its own date, else the
// date of the nearest earlier dated row.
class RowDays {
public:
    int take(const LedgerRow& row)
    {
        if (row.date)
            day_ = dayNumber(*row.date);
        return day_;
    }

private:
    int day_ = kBeforeEveryDay;
};

// How much a row moves the balance.
inline Money amountsOf(const LedgerRow& row)
{
    return row.deposit - row.payment - row.fee;
}

// The balance before the ledger's first row: its balance with its own amounts taken back out.
inline Money openingBalanceOf(const LedgerRow& firstRow)
{
    return firstRow.balance - amountsOf(firstRow);
}

// The balance a period that starts on `fromDay` brings forward: the opening
// balance plus the amounts of every row that belongs to a day before it,
// wherever the row is stored. It adds up on paper even where rows were typed
// out of date order, which the stored balance before the period's first row
// does not. An empty ledger brings forward nothing. Throws StoreError.
Money balanceBroughtForward(LedgerConnection& connection, int fromDay);

} // namespace tallowick
