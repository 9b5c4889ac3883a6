#pragma once

#include "LedgerFile.h"
#include "ReportRows.h"

#include <functional>

class QDate;
class QPageSize;
class QPagedPaintDevice;

namespace tallowick {

// Paints the report on the device's pages as the device is set up (page
// size, orientation, margins). Every page has a header with the title, the
// period and the column captions, and a footer with the date printed and
// "Page n of m"; a row is one line and never split across pages. The rows
// are read from the ledger one page at a time. Returns the number of pages.
// Throws StoreError, or std::runtime_error when the device cannot be painted on;
// `abandon`, when given, is called first, while the device is still being
// painted, so that a printer can drop the pages it has (ending the painter
// would print half a report).
int paintReport(LedgerConnection& connection, const ReportChoice& choice, QPagedPaintDevice& device,
                const QDate& printedOn, const std::function<void()>& abandon = {});

// Gives the device a page of this size, turned as the report's columns
// need, inside the report's margins.
void setUpReportPage(QPagedPaintDevice& device, ReportContent content, const QPageSize& pageSize);

// The paper of the system's locale: Letter where it measures in the US
// way, A4 elsewhere.
QPageSize localePageSize();

} // namespace tallowick
