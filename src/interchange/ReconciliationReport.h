#pragma once

#include "LedgerFile.h"
#include "LedgerRow.h"
#include "Reconciliation.h"

#include <optional>
#include <vector>

namespace tallowick {

// What a statement's reconciliation report prints: the bank's ending
// balance, the rows the bank had not yet seen (dated on or before the
// statement date, not reconciled by it or an earlier statement), and the
// register's balance at the statement date, which equals the ending balance
// plus the deposits in transit less the outstanding payments when every
// statement up to it balances.
struct ReconciliationReport {
    BankStatement statement;
    std::vector<LedgerRow> depositsInTransit; // in stored order
    std::vector<LedgerRow> outstandingPayments;
    Money depositsTotal; // what the deposits in transit add
    Money paymentsTotal; // what the outstanding payments take, as a positive amount
    Money registerBalance; // the first row's balance and every row dated up to the statement date

    Money explained() const { return statement.endingBalance + depositsTotal - paymentsTotal; }
};

// The report of the statement finished for `statementDate` (the latest one
// of that day), or without a date of the last finished statement. Reads
// without writing; throws StoreError (NoCurrentRow) when there is no such
// statement, any other StoreError when the file fails.
ReconciliationReport readReconciliationReport(LedgerConnection& connection,
                                              const std::optional<LedgerDate>& statementDate);

} // namespace tallowick
