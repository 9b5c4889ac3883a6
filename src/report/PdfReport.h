#pragma once

#include "LedgerFile.h"
#include "ReportRows.h"

#include <QString>

#include <functional>

class QPageSize;
class QPdfWriter;

namespace tallowick {

// Writes the report of the ledger as a PDF file on pages of
// this size. The file is written under a temporary name beside `path` and
// renamed when complete, so it is whole or absent, and an earlier file of
// that name stays as it was until then; a `path` that is the ledger file
// itself is refused before anything is written. Returns the number of pages.
// Throws StoreError, or std::runtime_error with a sentence when the file
// cannot be written.
int writeReportPdf(LedgerConnection& connection, const ReportChoice& choice, const QString& path,
                   const QPageSize& pageSize);

// What every PDF the program writes shares: `path` refused when it is the
// ledger file itself, a temporary file renamed over `path` once `paint` has
// painted the pages (it returns their number) on a writer titled `title`.
int writePdfFile(LedgerConnection& connection, const QString& path, const QString& title,
                 const std::function<int(QPdfWriter&)>& paint);

} // namespace tallowick
