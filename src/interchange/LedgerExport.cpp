#include "LedgerExport.h"

#include "LedgerCsv.h"
#include "LedgerQif.h"
#include "LedgerScan.h"
#include "PeriodBalance.h"
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

// Each row's mark as finance programs read it from a QIF: '*' cleared, 'X'
// reconciled, 0 for none. Asked in stored order.
class QifMarks {
public:
    explicit QifMarks(LedgerConnection& connection) : marks_(readMarks(connection)), next_(marks_.begin()) {}

    char of(std::int64_t rowid)
    {
        while (next_ != marks_.end() && next_->first < rowid)
            ++next_;
        if (next_ == marks_.end() || next_->first != rowid)
            return 0;
        return next_->second == MarkStatus::Reconciled ? 'X' : next_->second == MarkStatus::Cleared ? '*' : 0;
    }

private:
    std::vector<std::pair<std::int64_t, MarkStatus>> marks_;
    std::vector<std::pair<std::int64_t, MarkStatus>>::const_iterator next_;
};

// A year's records: the opening balance on January 1 is the balance the year
// brings forward, as its register report prints it, and each T is the step
// of the report's own running balance in cents, so that a year's QIF and its
// report agree to the cent even where rows were typed out of date order.
void exportQifYear(LedgerConnection& connection, const ExportChoice& choice, BlockOutput& output)
{
    const LedgerDate newYear{*choice.year, 1, 1};
    const Money forward = balanceBroughtForward(connection, dayNumber(newYear));
    bool opened = false;
    Money running = forward;
    std::optional<LedgerDate> lastDate;
    QifMarks marks(connection);
    forEachRowAndRowid(connection, [&](const LedgerRow& row, std::int64_t rowid) {
        if (!opened) { // an empty ledger has no balance to open with
            opened = true;
            appendQifOpening(output.block(), newYear, centsOf(forward), nullptr);
        }
        if (row.date)
            lastDate = row.date;
        if (!isChosen(choice, row, lastDate))
            return;
        const Money after = running + amountsOf(row);
        appendQifRecord(output.block(), row, *lastDate, centsOf(after) - centsOf(running), marks.of(rowid));
        running = after;
        output.rowDone();
    });
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
    if (choice.year && !choice.taxDeductibleOnly) {
        exportQifYear(connection, choice, output);
        output.finish();
        return;
    }
    const LedgerDate undatedDay = firstDateOrToday(connection);
    const bool opening = !choice.taxDeductibleOnly;
    bool first = true;
    std::optional<LedgerDate> lastDate;
    std::int64_t previousCents = 0; // the balance before the row, in cents
    QifMarks marks(connection);
    forEachRowAndRowid(connection, [&](const LedgerRow& row, std::int64_t rowid) {
        if (row.date)
            lastDate = row.date;
        const bool isFirst = first;
        first = false;
        const std::int64_t cents = centsOf(row.balance);
        const std::int64_t before = previousCents;
        previousCents = cents;
        if (!isChosen(choice, row, lastDate))
            return;
        const char cleared = marks.of(rowid);
        if (opening && isFirst)
            appendQifOpening(output.block(), lastDate.value_or(undatedDay), cents, &row, cleared);
        else
            appendQifRecord(output.block(), row, lastDate.value_or(undatedDay),
                            isFirst ? centsOf(amountsOf(row)) : cents - before, cleared);
        output.rowDone();
    });
    output.finish();
}

} // namespace tallowick
