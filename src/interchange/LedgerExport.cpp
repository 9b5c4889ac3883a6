#include "LedgerExport.h"

#include "LedgerCsv.h"
#include "LedgerQif.h"
#include "LedgerScan.h"
#include "Reconciliation.h"
#include "StoreError.h"

#include <ctime>

namespace tallowick {

namespace {

// Output is gathered in blocks of about this size before it goes to the stream.
constexpr std::size_t kBlockBytes = 1 << 16;

class BlockOutput {
public:
    BlockOutput(std::ostream& out, std::string_view first) : out_(out)
    {
        block_.reserve(kBlockBytes * 2);
        block_ += first;
    }

    std::string& block() { return block_; }

    void rowDone()
    {
        if (block_.size() >= kBlockBytes)
            flush();
    }

    void finish()
    {
        flush();
        out_.flush();
        if (!out_)
            throw StoreError(StoreError::Kind::FileAccess, "The export could not be written.");
    }

private:
    void flush()
    {
        out_.write(block_.data(), std::streamsize(block_.size()));
        if (!out_)
            throw StoreError(StoreError::Kind::FileAccess, "The export could not be written.");
        block_.clear();
    }

    std::ostream& out_;
    std::string block_;
};

// Whether the choice keeps a row whose effective date is `date`.
bool isChosen(const ExportChoice& choice, const LedgerRow& row, const std::optional<LedgerDate>& date)
{
    if (choice.taxDeductibleOnly && !row.taxDeductible)
        return false;
    return !choice.year || (date && date->year == *choice.year);
}

LedgerDate today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return LedgerDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

// The date of the first row that has one, else today's: the date of records
// before the first dated row. A malformed date counts as none here; the walk
// over the rows refuses its row.
LedgerDate firstDateOrToday(LedgerConnection& connection)
{
    Statement first(connection.db(),
                    "SELECT \"date\" FROM Ledger WHERE typeof(\"date\") = 'text' ORDER BY rowid LIMIT 1");
    std::optional<LedgerDate> date;
    if (first.step()) {
        try {
            date = LedgerDate::fromIso(first.text(0));
        } catch (const StoreError&) {
        }
    }
    first.reset();
    return date.value_or(today());
}

} // namespace

void exportCsv(LedgerConnection& connection, const ExportChoice& choice, std::ostream& out)
{
    BlockOutput output(out, csvHeaderLine());
    std::optional<LedgerDate> lastDate;
    forEachLedgerRow(connection, [&](const LedgerRow& row) {
        if (row.date)
            lastDate = row.date;
        if (!isChosen(choice, row, lastDate))
            return;
        appendCsvLine(output.block(), row);
        output.rowDone();
    });
    output.finish();
}

void exportQif(LedgerConnection& connection, const ExportChoice& choice, std::ostream& out)
{
    BlockOutput output(out, kQifHeader);
    const LedgerDate undatedDay = firstDateOrToday(connection);
    const bool opening = !choice.taxDeductibleOnly;
    bool first = true;
    bool yearOpened = false;
    std::optional<LedgerDate> lastDate;
    std::int64_t previousCents = 0; // the balance before the row, in cents
    std::int64_t beforeYearCents = 0;
    // Each row's mark as finance programs read it: C* cleared, CX reconciled.
    const auto marks = readMarks(connection);
    auto mark = marks.begin();
    forEachRowAndRowid(connection, [&](const LedgerRow& row, std::int64_t rowid) {
        while (mark != marks.end() && mark->first < rowid)
            ++mark;
        const bool marked = mark != marks.end() && mark->first == rowid;
        const char cleared = !marked ? 0 : mark->second == MarkStatus::Reconciled ? 'X' : '*';
        if (row.date)
            lastDate = row.date;
        const bool isFirst = first;
        first = false;
        const std::int64_t cents = centsOf(row.balance);
        const std::int64_t before = previousCents;
        previousCents = cents;
        if (choice.year && (!lastDate || lastDate->year < *choice.year))
            beforeYearCents = cents;
        if (!isChosen(choice, row, lastDate))
            return;
        std::string& block = output.block();
        if (opening && choice.year && !yearOpened) {
            yearOpened = true;
            appendQifOpening(block, LedgerDate{*choice.year, 1, 1}, isFirst ? cents : before,
                             isFirst ? &row : nullptr);
        } else if (opening && isFirst) {
            appendQifOpening(block, lastDate.value_or(undatedDay), cents, &row, cleared);
        }
        if (!(opening && isFirst)) {
            const std::int64_t amount =
                isFirst ? centsOf(row.deposit - row.payment - row.fee) : cents - before;
            appendQifRecord(block, row, lastDate.value_or(undatedDay), amount, cleared);
        }
        output.rowDone();
    });
    if (opening && choice.year && !yearOpened && !first) // an empty ledger has no balance to open with
        appendQifOpening(output.block(), LedgerDate{*choice.year, 1, 1}, beforeYearCents, nullptr);
    output.finish();
}

} // namespace tallowick
