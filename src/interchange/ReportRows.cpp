#include "ReportRows.h"

#include "RowCodec.h"

#include <climits>

namespace tallowick {

namespace {

// Rows read by one statement of the second walk.
constexpr int kRunRows = 256;

// A day as one comparable number; rows before the first dated row come before every day.
constexpr int kBeforeEveryDay = INT_MIN;
constexpr int kAfterEveryDay = INT_MAX;

int dayNumber(const LedgerDate& date)
{
    return date.year * 10000 + date.month * 100 + date.day;
}

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
    int day = kBeforeEveryDay;
    std::optional<Money> previousBalance;
    std::optional<Money> beforePeriod; // the balance after the last row that comes before the period
    try {
        while (all.step()) {
            const std::int64_t rowid = all.integer(0);
            const LedgerRow row = readRow(all, 1);
            if (row.date)
                day = dayNumber(*row.date);
            if (!previousBalance) // the first row: the balance before it, had it been reckoned
                previousBalance = row.balance + row.payment + row.fee - row.deposit;
            if (inPeriod(day)) {
                if (!firstRowid_) {
                    firstRowid_ = rowid;
                    firstRowDay_ = day;
                    summary_.broughtForward = *previousBalance;
                }
                lastRowid_ = rowid;
                summary_.closing = row.balance;
                if (lists(row)) {
                    ++summary_.rowCount;
                    if (row.number)
                        summary_.number.include(*row.number);
                    summary_.payment.include(row.payment);
                    summary_.fee.include(row.fee);
                    summary_.deposit.include(row.deposit);
                    summary_.balance.include(row.balance);
                    summary_.paymentTotal += row.payment;
                    summary_.feeTotal += row.fee;
                }
            } else if (day < fromDay_) {
                beforePeriod = row.balance;
            }
            previousBalance = row.balance;
        }
    } catch (...) {
        all.reset();
        throw;
    }
    all.reset();

    if (!firstRowid_) {
        // Nothing in the period: it opens and closes as the ledger stood before it.
        summary_.broughtForward = beforePeriod ? *beforePeriod : previousBalance.value_or(Money());
        summary_.closing = summary_.broughtForward;
    }
    if (content_ == ReportContent::Register) {
        summary_.balance.include(summary_.broughtForward);
        summary_.balance.include(summary_.closing);
    } else {
        summary_.payment.include(summary_.paymentTotal);
        summary_.fee.include(summary_.feeTotal);
    }
    rowsGiven_ = !firstRowid_;
    nextRowid_ = firstRowid_.value_or(0);
    day_ = firstRowDay_;
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
                if (inPeriod(day_) && lists(row))
                    lines.push_back({ReportLine::Kind::Row, std::move(row)});
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
