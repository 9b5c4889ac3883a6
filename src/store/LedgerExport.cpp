#include "LedgerExport.h"

#include "LedgerCsv.h"
#include "LedgerQif.h"
#include "LedgerScan.h"
#include "StoreError.h"

namespace tallowick {

namespace {

// Output is gathered in blocks of about this size before it goes to the stream.
constexpr std::size_t kBlockBytes = 1 << 16;

void flushBlock(std::string& block, std::ostream& out)
{
    out.write(block.data(), std::streamsize(block.size()));
    if (!out)
        throw StoreError(StoreError::Kind::FileAccess, "The export could not be written.");
    block.clear();
}

// Walks the rows with each row's effective date (its own, else the nearest
// earlier one) and hands on those the choice keeps.
template <class Write>
void exportChosen(LedgerConnection& connection, const ExportChoice& choice, std::ostream& out,
                  std::string block, Write write)
{
    std::optional<LedgerDate> lastDate;
    bool first = true;
    block.reserve(kBlockBytes * 2);
    forEachLedgerRow(connection, [&](const LedgerRow& row) {
        if (row.date)
            lastDate = row.date;
        const bool isFirst = first;
        first = false;
        if (choice.taxDeductibleOnly && !row.taxDeductible)
            return;
        if (choice.year && (!lastDate || lastDate->year != *choice.year))
            return;
        write(block, row, lastDate, isFirst);
        if (block.size() >= kBlockBytes)
            flushBlock(block, out);
    });
    flushBlock(block, out);
    out.flush();
    if (!out)
        throw StoreError(StoreError::Kind::FileAccess, "The export could not be written.");
}

} // namespace

void exportCsv(LedgerConnection& connection, const ExportChoice& choice, std::ostream& out)
{
    exportChosen(connection, choice, out, csvHeaderLine(),
                 [](std::string& block, const LedgerRow& row, const std::optional<LedgerDate>&, bool) {
                     appendCsvLine(block, row);
                 });
}

void exportQif(LedgerConnection& connection, const ExportChoice& choice, std::ostream& out)
{
    // A list of the deductible rows is a list of transactions, without the
    // account's opening balance.
    const bool keepsOpening = !choice.taxDeductibleOnly;
    exportChosen(
        connection, choice, out, kQifHeader,
        [keepsOpening](std::string& block, const LedgerRow& row, const std::optional<LedgerDate>& date,
                       bool isFirst) { appendQifRecord(block, row, date, isFirst && keepsOpening); });
}

} // namespace tallowick
