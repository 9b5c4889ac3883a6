// What the ledger hands other programs, read through the interchange's own calls on a real ledger file.
#include "FileOutput.h"
#include "LedgerExport.h"
#include "ReportRows.h"
#include "StoreTestSupport.h"
#include "TestLedger.h"
#include <QDir>
#include <QFile>
#include <cerrno>
#include <functional>
#include <sstream>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
using namespace tallowick::test;

// fsync as this program's code calls it: counted, and call number `failingFsync` fails as a bad disk's does.
static int fsyncCalls = 0, failingFsync = 0;
extern "C" int fsync(int fd)
{
    if (++fsyncCalls == failingFsync) {
        errno = EIO;
        return -1;
    }
    return int(syscall(SYS_fsync, fd));
}

// A report's lines in short: "bf 850", a row's description with its printed balance in a register ("A 900"),
// "end 1045", "total 95 5", after "(out of order) " or "(stored differ) " where the report says that its
// balances are not the stored ones; `meanwhile` runs after the first run of lines.
static std::string reportText(const std::string& path, const ReportChoice& choice, std::size_t runLines,
                              const std::function<void()>& meanwhile = {})
{
    auto connection = LedgerConnection::open(path);
    ReportRows report(*connection, choice);
    std::string text;
    long long lines = 0;
    auto run = report.next(runLines);
    if (meanwhile)
        meanwhile();
    for (; !run.empty(); run = report.next(runLines))
        for (const ReportLine& line : run) {
            ++lines;
            const LedgerRow& row = line.row;
            text += text.empty() ? "" : "|";
            switch (line.kind) {
            case ReportLine::Kind::BroughtForward: text += "bf " + row.balance.plainText(); break;
            case ReportLine::Kind::Row:
                text += row.description.value_or("-");
                if (choice.content == ReportContent::Register)
                    text += " " + row.balance.plainText();
                break;
            case ReportLine::Kind::Closing: text += "end " + row.balance.plainText(); break;
            case ReportLine::Kind::Totals:
                text += "total " + row.payment.plainText() + " " + row.fee.plainText();
            }
        }
    const ReportSummary& summary = report.summary();
    if (summary.balancesDiffer)
        text = (summary.rowsOutOfDateOrder ? "(out of order) " : "(stored differ) ") + text;
    return lines == summary.lineCount ? text : "line count " + std::to_string(lines);
}

class InterchangeTest : public QObject {
    Q_OBJECT
private slots:
    // A report's period: undated rows go with the dated row before them, undated first rows before every
    // day; the balance brought forward is the opening balance (the first row's, its own amounts taken back
    // out) with the amounts of every row before the period, and a period without rows closes with it.
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
        const auto Register = ReportContent::Register, Tax = ReportContent::TaxDeductible;
        const std::tuple<ReportContent, ReportPeriod, std::string> cases[] = {
            {Register, {}, "bf 0|Opening 1000|A 900|B 850|C 1050|D 1045|E 1000|end 1000"},
            {Register, ReportPeriod::year(2023), "bf 1000|A 900|B 850|end 850"},
            {Register, ReportPeriod::year(2024), "bf 850|C 1050|D 1045|end 1045"},
            {Register, ReportPeriod::year(2025), "bf 1045|end 1045"},
            {Register, ReportPeriod::year(2022), "bf 1000|end 1000"},
            {Register, ReportPeriod::year(2027), "bf 1000|end 1000"},
            {Register, {LedgerDate{2023, 12, 31}, LedgerDate{2024, 1, 5}}, "bf 850|C 1050|D 1045|end 1045"},
            {Register, {std::nullopt, LedgerDate{2023, 12, 31}}, "bf 0|Opening 1000|A 900|B 850|end 850"},
            {Tax, {}, "B|D|E|total 95 5"},
            {Tax, ReportPeriod::year(2024), "D|total 0 5"},
            {Tax, ReportPeriod::year(2025), "total 0 0"}};
        for (const auto& [content, period, expected] : cases)
            for (std::size_t runLines : {1, 2, 100})
                QCOMPARE(reportText(ledger.path(), {content, period}, runLines), expected);
        ledger.exec("UPDATE Ledger SET balance = 1 WHERE rowid = 3"); // B's, in a ledger in date order
        QCOMPARE(reportText(ledger.path(), {Register, ReportPeriod::year(2023)}, 9),
                 std::string("(stored differ) bf 1000|A 900|B 850|end 850"));
        QCOMPARE(ReportPeriod{}.text() + "; " + ReportPeriod::year(2024).text() + "; "
                     + (ReportPeriod{LedgerDate{2024, 3, 1}, LedgerDate{2024, 3, 31}}).text(),
                 std::string("Whole ledger; Year 2024; 3/1/2024 to 3/31/2024"));

        // Rows are read in runs of 256: deductible rows far apart, and after the last, nothing.
        TestLedger longer;
        rows = paymentRows(700);
        rows[299].taxDeductible = rows[599].taxDeductible = 1;
        longer.append(rows);
        QCOMPARE(reportText(longer.path(), {Tax, {}}, 1), std::string("Payment 300|Payment 600|total 2 0"));
        const auto theirs = [&] { // another program deletes rows, without waiting for a lock
            sqlite3* db = nullptr;
            sqlite3_open(longer.path().c_str(), &db);
            sqlite3_exec(db, "DELETE FROM Ledger WHERE rowid > 1", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        };
        QCOMPARE(reportText(longer.path(), {Tax, {}}, 1, theirs),
                 std::string("Payment 300|Payment 600|total 2 0"));
    }

    // A row typed late, out of date order: each period brings forward the rows of the days before it,
    // wherever they are stored, and every printed line adds up. The report says so where that differs
    // from the stored balances, and a year's QIF opens with the same balance and closes where it does.
    void reportsAddUpOutOfDateOrder()
    {
        TestLedger ledger;
        ledger.append({dated(makeRow("0", "0", "1000", "1000", "Opening"), {2024, 1, 2}),
                       dated(makeRow("500.005", "0", "0", "499.995", "Rent"), {2024, 1, 5}),
                       dated(makeRow("50", "0", "0", "449.995", "Fee"), {2024, 2, 1}),
                       dated(makeRow("100", "0", "0", "349.995", "Late"), {2023, 12, 31}),
                       dated(makeRow("0", "0", "200", "549.995", "Pay"), {2024, 3, 1})});
        const std::pair<int, std::string> years[] = {
            {2019, "bf 0|end 0"},
            {2023, "(out of order) bf 0|Late -100|end -100"},
            {2024, "(out of order) bf -100|Opening 900|Rent 399.995|Fee 349.995|Pay 549.995|end 549.995"},
            {2025, "bf 549.995|end 549.995"}};
        for (const auto& [year, expected] : years)
            QCOMPARE(reportText(ledger.path(), {ReportContent::Register, ReportPeriod::year(year)}, 2),
                     expected);
        const std::string whole =
            "bf 0|Opening 1000|Rent 499.995|Fee 449.995|Late 349.995|Pay 549.995|end 549.995";
        QCOMPARE(reportText(ledger.path(), {ReportContent::Register, {}}, 9), whole);
        ledger.exec("UPDATE Ledger SET balance = 1 WHERE rowid = (SELECT max(rowid) FROM Ledger)");
        QCOMPARE(reportText(ledger.path(), {ReportContent::Register, ReportPeriod::year(2025)}, 9),
                 std::string("bf 549.995|end 549.995"));
        QCOMPARE(reportText(ledger.path(), {ReportContent::Register, {}}, 9), "(out of order) " + whole);

        std::ostringstream qif;
        exportQif(*LedgerConnection::open(ledger.path()), ExportChoice{false, 2024}, qif);
        QCOMPARE(qif.str(), std::string("!Type:Bank\r\nD01/01/2024\r\nT-100.00\r\nPOpening Balance\r\n^\r\n"
                                        "D01/02/2024\r\nT1000.00\r\nCX\r\nPOpening\r\n^\r\n"
                                        "D01/05/2024\r\nT-500.00\r\nPRent\r\n^\r\n"
                                        "D02/01/2024\r\nT-50.00\r\nPFee\r\n^\r\n"
                                        "D03/01/2024\r\nT200.00\r\nPPay\r\n^\r\n"));
        qif.str("");
        exportQif(*LedgerConnection::open(ledger.path()), ExportChoice{false, 2019}, qif);
        QCOMPARE(qif.str(), std::string("!Type:Bank\r\nD01/01/2019\r\nT0.00\r\nPOpening Balance\r\n^\r\n"));
        // A deductible first row counts with its own amounts, whatever balance it opens with.
        ledger.exec("UPDATE Ledger SET \"tax deductible\" = 1, balance = 1100 WHERE rowid = 1");
        qif.str("");
        exportQif(*LedgerConnection::open(ledger.path()), ExportChoice{true, std::nullopt}, qif);
        QCOMPARE(qif.str(), std::string("!Type:Bank\r\nD01/02/2024\r\nT1000.00\r\nCX\r\nPOpening\r\n"
                                        "MTax deductible\r\n^\r\n"));
    }

    // A file is written whole: synced, renamed over the old one with its mode, then its folder synced. A sync
    // that fails leaves the old file and nothing beside it.
    void filesAreWrittenWhole()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("out.csv").toStdString();
        const auto write = [&](const char* text) {
            writeFileReplacing(path, [&](std::ostream& out) { out << text; });
        };
        const auto contents = [&] {
            QFile file(QString::fromStdString(path));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        write("old");
        QVERIFY(::chmod(path.c_str(), 0640) == 0);
        fsyncCalls = 0;
        failingFsync = 1;
        REFUSES(write("new"), Kind::FileAccess);
        QVERIFY(contents() == "old" && QDir(dir.path()).entryList(QDir::Files) == QStringList{"out.csv"});
        fsyncCalls = failingFsync = 0;
        write("new");
        struct stat info {};
        QVERIFY(::stat(path.c_str(), &info) == 0 && (info.st_mode & 07777) == 0640);
        QVERIFY(fsyncCalls == 2 && contents() == "new");
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.csv"});
    }
};

QTEST_GUILESS_MAIN(InterchangeTest)
#include "InterchangeTest.moc"
