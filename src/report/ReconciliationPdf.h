#pragma once

#include "LedgerFile.h"
#include "LedgerDate.h"

#include <QString>

#include <optional>

class QDate;
class QPageSize;
class QPagedPaintDevice;

namespace tallowick {

// Paints a statement's reconciliation (ReconciliationReport.h) on the
// device's pages: the ending balance, the deposits in transit and the
// outstanding checks and payments each listed with their totals, then the
// register's balance at the statement date beside the ending balance plus
// the deposits less the payments. Every page has the title, the statement
// date and "Page n of m". Returns the number of pages; throws StoreError,
// or std::runtime_error when the device cannot be painted on.
int paintReconciliation(LedgerConnection& connection, const std::optional<LedgerDate>& statementDate,
                        QPagedPaintDevice& device, const QDate& printedOn);

// The same written to a PDF file whole or not at all, as writeReportPdf does.
int writeReconciliationPdf(LedgerConnection& connection, const std::optional<LedgerDate>& statementDate,
                           const QString& path, const QPageSize& pageSize);

} // namespace tallowick
