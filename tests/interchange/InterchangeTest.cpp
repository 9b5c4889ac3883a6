// What the ledger hands other programs, read through the interchange's own calls on a real ledger file.
#include "ReportRows.h"
#include "StoreTestSupport.h"
#include "TestLedger.h"
using namespace tallowick::test;

// A report's lines in short: "bf 850", a row's description, "end 1045", "total 95 5".
static std::string reportText(const std::string& path, const ReportChoice& choice, std::size_t runLines)
{
    auto connection = LedgerConnection::open(path);
    ReportRows report(*connection, choice);
    std::string text;
    long long lines = 0;
    for (auto run = report.next(runLines); !run.empty(); run = report.next(runLines))
        for (const ReportLine& line : run) {
            ++lines;
            const LedgerRow& row = line.row;
            text += text.empty() ? "" : "|";
            switch (line.kind) {
            case ReportLine::Kind::BroughtForward: text += "bf " + row.balance.plainText(); break;
            case ReportLine::Kind::Row: text += row.description.value_or("-"); break;
            case ReportLine::Kind::Closing: text += "end " + row.balance.plainText(); break;
            case ReportLine::Kind::Totals:
                text += "total " + row.payment.plainText() + " " + row.fee.plainText();
            }
        }
    return lines == report.summary().lineCount ? text : "line count " + std::to_string(lines);
}

class InterchangeTest : public QObject {
    Q_OBJECT
private slots:
    // A report's period: undated rows go with the dated row before them, undated first rows before every
    // day; the balance brought forward is the one before the period's first row (for the first row, its
    // own amounts taken back out), and a period without rows opens and closes with the balance before it.
    void reportPeriods()
    {
        TestLedger ledger;
        std::vector<LedgerRow> rows{
            makeRow("0", "0", "1000", "1000", "Opening"), makeRow("100", "0", "0", "900", "A"),
            makeRow("50", "0", "0", "850", "B", -1, 1),   makeRow("0", "0", "200", "1050", "C"),
            makeRow("0", "5", "0", "1045", "D", -1, 1),   makeRow("45", "0", "0", "1000", "E", -1, 1)};
        rows[1].date = LedgerDate{2023, 12, 30};
        rows[3].date = LedgerDate{2024, 1, 5};
        rows[5].date = LedgerDate{2026, 2, 1};
        ledger.append(rows);
        const auto days = [](LedgerDate from, LedgerDate to) { return ReportPeriod{from, to}; };
        const auto Register = ReportContent::Register, Tax = ReportContent::TaxDeductible;
        const std::tuple<ReportContent, ReportPeriod, std::string> cases[] = {
            {Register, {}, "bf 0|Opening|A|B|C|D|E|end 1000"},
            {Register, ReportPeriod::year(2023), "bf 1000|A|B|end 850"},
            {Register, ReportPeriod::year(2024), "bf 850|C|D|end 1045"},
            {Register, ReportPeriod::year(2025), "bf 1045|end 1045"},
            {Register, ReportPeriod::year(2022), "bf 1000|end 1000"},
            {Register, days({2023, 12, 31}, {2024, 1, 5}), "bf 850|C|D|end 1045"},
            {Register, {std::nullopt, LedgerDate{2023, 12, 31}}, "bf 0|Opening|A|B|end 850"},
            {Tax, {}, "B|D|E|total 95 5"},
            {Tax, ReportPeriod::year(2024), "D|total 0 5"},
            {Tax, ReportPeriod::year(2025), "total 0 0"}};
        for (const auto& [content, period, expected] : cases)
            for (std::size_t runLines : {1, 2, 100})
                QCOMPARE(reportText(ledger.path(), {content, period}, runLines), expected);
        QCOMPARE(ReportPeriod{}.text() + "; " + ReportPeriod::year(2024).text() + "; "
                     + days({2024, 3, 1}, {2024, 3, 31}).text(),
                 std::string("Whole ledger; Year 2024; 3/1/2024 to 3/31/2024"));

        // Rows are read in runs of 256: deductible rows far apart, and after the last, nothing.
        TestLedger longer;
        rows = paymentRows(700);
        rows[299].taxDeductible = rows[599].taxDeductible = 1;
        longer.append(rows);
        QCOMPARE(reportText(longer.path(), {Tax, {}}, 1), std::string("Payment 300|Payment 600|total 2 0"));
    }
};

QTEST_GUILESS_MAIN(InterchangeTest)
#include "InterchangeTest.moc"
