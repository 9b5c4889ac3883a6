#include "ReconciliationReport.h"

#include "StoreError.h"

#include <tuple>

namespace tallowick {

namespace {

bool notAfter(const LedgerDate& a, const LedgerDate& b)
{
    return std::tie(a.year, a.month, a.day) <= std::tie(b.year, b.month, b.day);
}

} // namespace

ReconciliationReport readReconciliationReport(LedgerConnection& connection,
                                              const std::optional<LedgerDate>& statementDate)
{
    std::vector<ReconcileEntry> entries;
    const ReconciliationView view = readReconciliation(connection, &entries);
    const BankStatement* chosen = nullptr;
    for (const BankStatement& statement : view.statements)
        if (!statementDate || statement.date == *statementDate)
            chosen = &statement;
    if (!chosen)
        throw StoreError(StoreError::Kind::NoCurrentRow,
                         statementDate ? "No statement of " + statementDate->shortText() + " was finished."
                                       : std::string("No statement has been finished yet."));
    ReconciliationReport report;
    report.statement = *chosen;
    report.registerBalance = view.anchorBalance;
    std::vector<std::int64_t> deposits, payments;
    for (const ReconcileEntry& entry : entries) {
        // An undated row before every dated one belongs to every statement.
        if (entry.effectiveDate && !notAfter(*entry.effectiveDate, chosen->date))
            continue;
        const Money net = entry.inflow - entry.outflow;
        report.registerBalance += net;
        if (entry.status == MarkStatus::Reconciled && entry.statement <= chosen->id)
            continue;
        if (net > Money()) {
            deposits.push_back(entry.rowid);
            report.depositsTotal += net;
        } else if (net < Money()) {
            payments.push_back(entry.rowid);
            report.paymentsTotal -= net;
        }
    }
    report.depositsInTransit = readRowsById(connection, deposits);
    report.outstandingPayments = readRowsById(connection, payments);
    return report;
}

} // namespace tallowick
