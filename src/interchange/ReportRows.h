#pragma once

#include "LedgerFile.h"
#include "LedgerRow.h"
#include "Sqlite.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tallowick {

enum class ReportContent {
    Register, // every row of the period, between its brought-forward and closing balances
    TaxDeductible, // the period's tax-deductible rows, then the totals of their payments and fees
};

// The days a report covers, both ends included; an end without a day is
// open. A row without a date belongs where the nearest earlier dated row
// does; rows before the first dated row come before every day, so only a
// period open at its start holds them.
struct ReportPeriod {
    std::optional<LedgerDate> from;
    std::optional<LedgerDate> to;

    static ReportPeriod year(int year);
    // "Whole ledger", "Year 2024", "3/1/2024 to 3/31/2024", "From 3/1/2024", "Through 3/31/2024".
    std::string text() const;
};

// Which report of which days.
struct ReportChoice {
    ReportContent content = ReportContent::Register;
    ReportPeriod period;
};

// One printed line of a report.
struct ReportLine {
    enum class Kind { BroughtForward, Row, Closing, Totals };
    Kind kind = Kind::Row;
    // Row: the ledger row. BroughtForward and Closing: the balance in
    // row.balance. Totals: the sums in row.payment and row.fee.
    LedgerRow row;
};

// The least and the greatest value a column prints: between them they are
// the widest text the column must hold.
template <class Value> struct ValueSpan {
    std::optional<Value> least;
    std::optional<Value> most;

    void include(Value value)
    {
        if (!least || value < *least)
            least = value;
        if (!most || *most < value)
            most = value;
    }
};

struct ReportSummary {
    long long rowCount = 0; // ledger rows the report lists
    long long lineCount = 0; // with the brought-forward and closing lines, or the totals line
    Money broughtForward;
    Money closing;
    Money paymentTotal; // of the listed rows
    Money feeTotal;
    ValueSpan<std::int64_t> number;
    ValueSpan<Money> payment;
    ValueSpan<Money> fee;
    ValueSpan<Money> deposit;
    ValueSpan<Money> balance;
    // Some printed balance is not the one stored in its row: the report's
    // own running balance adds up on the page where the stored one does not,
    // as when rows were typed out of date order (rowsOutOfDateOrder: some
    // dated row is stored after a row of a later day).
    bool balancesDiffer = false;
    bool rowsOutOfDateOrder = false;
};

// The lines of one report, read from the ledger in two walks over one
// snapshot of the file: the first counts the lines and finds the balances,
// totals and widest values (so that a page can say "Page 1 of 250" before
// it is printed); the second hands out the lines in runs, never holding
// more than one run. While it lives it keeps a read transaction open on the
// connection, so both walks see the same rows even if another program
// writes meanwhile (its commit waits).
//
// The balance brought forward is the opening balance (the first row's balance
// with its own amounts taken back out) plus the amounts of every row that
// belongs to a day before the period, wherever it is stored (see
// PeriodBalance.h). The period's rows keep their stored order, each printed
// with the balance brought forward plus the amounts of the period's rows up
// to it, so that every line adds up; the closing balance is the last of
// them. A period without rows closes with the balance it brought forward.
// Throws StoreError.
class ReportRows {
public:
    ReportRows(LedgerConnection& connection, const ReportChoice& choice);
    ~ReportRows();
    ReportRows(const ReportRows&) = delete;
    ReportRows& operator=(const ReportRows&) = delete;

    ReportContent content() const { return content_; }
    const ReportSummary& summary() const { return summary_; }

    // The next lines, at most `count` of them; none once every line was given.
    std::vector<ReportLine> next(std::size_t count);

private:
    class ReadSnapshot;
    void countLines();
    bool inPeriod(int day) const { return day >= fromDay_ && day <= toDay_; }
    bool lists(const LedgerRow& row) const
    {
        return content_ == ReportContent::Register || row.taxDeductible;
    }

    std::unique_ptr<ReadSnapshot> snapshot_;
    LedgerConnection& connection_;
    ReportContent content_;
    int fromDay_;
    int toDay_;
    ReportSummary summary_;

    // Where the second walk stands.
    std::optional<std::int64_t> firstRowid_; // the period's first and last rows
    std::int64_t lastRowid_ = 0;
    int firstRowDay_ = 0;
    std::int64_t nextRowid_ = 0;
    int day_ = 0; // the day the walk's rows belong to
    Money running_; // the balance after the last row walked
    bool openingGiven_ = false;
    bool rowsGiven_ = false;
    bool closingGiven_ = false;
    std::unique_ptr<Statement> run_;
};

} // namespace tallowick
