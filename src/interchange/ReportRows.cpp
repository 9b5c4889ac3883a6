#include "ReportRows.h"

#include "PeriodBalance.h"
#include "RowCodec.h"

#include <algorithm>

namespace tallowick {

namespace {

// Rows read by one statement of the second walk.
constexpr int kRunRows = 256;

const std::string kSelectRows = std::string("SELECT rowid, ") + kRowColumnsSql + " FROM Ledger";

} // namespace

ReportPeriod ReportPeriod::year(int year)
{
    return {LedgerDate{year, 1, 1}, LedgerDate{year, 12, 31}};
}

std::string ReportPeriod::text() const
{
    if (!from && !to)
        return "Whole ledger";
    if (from && to && from->year == to->year && from->month == 1 && from->day == 1 && to->month == 12
        && to->day == 31)
        return "Year " + std::to_string(from->year);
    if (!to)
        return "From " + from->shortText();
    if (!from)
        return "Through " + to->shortText();
    return from->shortText() + " to " + to->shortText();
}

// A read transaction for the report's life, unless the caller holds one:
// the first read takes the snapshot that every later read sees.
class ReportRows::ReadSnapshot {
public:
    explicit ReadSnapshot(sqlite3* db) : db_(db), owned_(sqlite3_get_autocommit(db) != 0)
    {
        if (owned_)
            execute(db_, "BEGIN");
    }
    ~ReadSnapshot()
    {
        if (owned_)
            sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr); // nothing written: it only lets go
    }

private:
    sqlite3* db_;
    bool owned_;
};

ReportRows::ReportRows(LedgerConnection& connection, const ReportChoice& choice)
    : snapshot_(std::make_unique<ReadSnapshot>(connection.db()))
    , connection_(connection)
    , content_(choice.content)
    , fromDay_(choice.period.from ? dayNumber(*choice.period.from) : kBeforeEveryDay)
    , toDay_(choice.period.to ? dayNumber(*choice.period.to) : kAfterEveryDay)
{
    countLines();
    summary_.lineCount = summary_.rowCount + (content_ == ReportContent::Register ? 2 : 1);
}

ReportRows::~ReportRows() = default;

void ReportRows::countLines()
{
    Statement all(connection_.db(), kSelectRows + " ORDER BY rowid");
    RowDays days;
    int latestDay = kBeforeEveryDay;
    std::optional<Money> broughtForward;
    // The period's amounts up to each row. A printed balance is the balance
    // brought forward plus that sum, which is not known before the last row
    // was read; so the spans keep the sums, and the stored balance less the
    // sum, which equals the balance brought forward on every row whose
    // stored balance is printed as it is.
    Money periodSum;
    ValueSpan<Money> sums;
    ValueSpan<Money> storedLessSum;
    try {
        while (all.step()) {
            const std::int64_t rowid = all.integer(0);
            const LedgerRow row = readRow(all, 1);
            const int day = days.take(row);
            if (row.date) {
                summary_.rowsOutOfDateOrder = summary_.rowsOutOfDateOrder || day < latestDay;
                latestDay = std::max(latestDay, day);
            }
            if (!broughtForward)
                broughtForward = openingBalanceOf(row);
            if (day < fromDay_) {
                *broughtForward += amountsOf(row);
            } else if (inPeriod(day)) {
                if (!firstRowid_) {
                    firstRowid_ = rowid;
                    firstRowDay_ = day;
                }
                lastRowid_ = rowid;
                periodSum += amountsOf(row);
                if (lists(row)) {
                    ++summary_.rowCount;
                    if (row.number)
                        summary_.number.include(*row.number);
                    summary_.payment.include(row.payment);
                    summary_.fee.include(row.fee);
                    summary_.deposit.include(row.deposit);
                    sums.include(periodSum);
                    storedLessSum.include(row.balance - periodSum);
                    summary_.paymentTotal += row.payment;
                    summary_.feeTotal += row.fee;
                }
            }
        }
    } catch (...) {
        all.reset();
        throw;
    }
    all.reset();

    summary_.broughtForward = broughtForward.value_or(Money());
    summary_.closing = summary_.broughtForward + periodSum;
    if (content_ == ReportContent::Register) {
        for (const auto& sum : {sums.least, sums.most})
            if (sum)
                summary_.balance.include(summary_.broughtForward + *sum);
        summary_.balance.include(summary_.broughtForward);
        summary_.balance.include(summary_.closing);
        summary_.balancesDiffer = storedLessSum.least
                                  && (*storedLessSum.least != summary_.broughtForward
                                      || *storedLessSum.most != summary_.broughtForward);
    } else {
        summary_.payment.include(summary_.paymentTotal);
        summary_.fee.include(summary_.feeTotal);
    }
    rowsGiven_ = !firstRowid_;
    nextRowid_ = firstRowid_.value_or(0);
    day_ = firstRowDay_;
    running_ = summary_.broughtForward;
}

std::vector<ReportLine> ReportRows::next(std::size_t count)
{
    std::vector<ReportLine> lines;
    lines.reserve(count);
    if (!openingGiven_ && count > 0) {
        openingGiven_ = true;
        if (content_ == ReportContent::Register) {
            lines.push_back({ReportLine::Kind::BroughtForward, {}});
            lines.back().row.balance = summary_.broughtForward;
        }
    }
    if (!run_ && !rowsGiven_)
        run_ = std::make_unique<Statement>(
            connection_.db(), kSelectRows + " WHERE rowid >= ?1 AND rowid <= ?2 ORDER BY rowid LIMIT ?3");
    while (!rowsGiven_ && lines.size() < count) {
        run_->bind(1, nextRowid_).bind(2, lastRowid_).bind(3, std::int64_t(kRunRows));
        int read = 0;
        try {
            while (!rowsGiven_ && lines.size() < count && run_->step()) {
                ++read;
                const std::int64_t rowid = run_->integer(0);
                LedgerRow row = readRow(*run_, 1);
                if (row.date)
                    day_ = dayNumber(*row.date);
                if (inPeriod(day_)) {
                    running_ += amountsOf(row);
                    row.balance = running_;
                    if (lists(row))
                        lines.push_back({ReportLine::Kind::Row, std::move(row)});
                }
                rowsGiven_ = rowid >= lastRowid_;
                nextRowid_ = rowid + 1;
            }
        } catch (...) {
            run_->reset();
            throw;
        }
        run_->reset();
        // A run that ended short of both a full page and its limit found no more rows.
        if (lines.size() < count && read < kRunRows)
            rowsGiven_ = true;
    }
    if (rowsGiven_ && !closingGiven_ && lines.size() < count) {
        closingGiven_ = true;
        ReportLine last;
        if (content_ == ReportContent::Register) {
            last.kind = ReportLine::Kind::Closing;
            last.row.balance = summary_.closing;
        } else {
            last.kind = ReportLine::Kind::Totals;
            last.row.payment = summary_.paymentTotal;
            last.row.fee = summary_.feeTotal;
        }
        lines.push_back(last);
    }
    return lines;
}

} // namespace tallowick
