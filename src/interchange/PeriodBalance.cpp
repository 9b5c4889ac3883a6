#include "PeriodBalance.h"

#include "LedgerScan.h"

#include <optional>

namespace tallowick {

Money balanceBroughtForward(LedgerConnection& connection, int fromDay)
{
    std::optional<Money> balance;
    RowDays days;
    forEachLedgerRow(connection, [&](const LedgerRow& row) {
        if (!balance)
            balance = openingBalanceOf(row);
        if (days.take(row) < fromDay)
            *balance += amountsOf(row);
    });
    return balance.value_or(Money());
}

} // namespace tallowick
