// What the ledger hands other programs, read through the interchange's own calls on a real ledger file.
#include "FileOutput.h"
#include "LedgerExport.h"
#include "OfxText.h"
#include "OfxStatement.h"
#include "Reconciliation.h"
#include "ReportRows.h"
#include "StoreTestSupport.h"
#include "TestLedger.h"
#include <QDir>
#include <QFile>
#include <cerrno>
#include <functional>
#include <sstream>
#include <sqlite3.h>
#include <stdlib.h>
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

// What one import made of each transaction (m3: matched row 3, n7: new row 7, k: known, imported before;
// d5: its amount differs from row 5's), the statement's ending balance and day, and the cleared balance
// after it; or the sentence it was refused with.
static std::string importText(const std::string& path, const std::string& bytes, const char* account)
try {
    const OfxFile file = readOfxFile(bytes, "s.ofx");
    const OfxAccountStatement& chosen = chooseAccount(file, account, "s.ofx");
    auto connection = LedgerConnection::open(path);
    const StatementProposal proposal = proposeStatement(*connection, chosen.transactions);
    const StatementResult result =
        importStatement(*connection, chosen.transactions, proposal.decisions, proposal.counter);
    std::string text;
    for (const StatementDecision& decision : result.decisions)
        text +=
            std::string(1, "kmdnsm"[int(decision.outcome)])
            + (decision.outcome == StatementOutcome::AlreadyImported ? "" : std::to_string(decision.position))
            + " ";
    return text + "| " + (chosen.endingBalance ? chosen.endingBalance->plainText() : "-") + " "
           + (chosen.balanceDate ? chosen.balanceDate->shortText() : "-") + " cleared "
           + result.clearedBalance.plainText();
} catch (const StoreError& error) {
    return std::string("refused: ") + error.what();
}

// The rows that have a mark, and every row after the `typed` ones: the position, the mark (n, c or y) and
// the bank's id ("*" for a key made without one); for the rows after also the number, the day, the amount
// (f: a fee) and the description.
static std::string markedRows(const std::string& path, int typed)
{
    // A file from before the bank's ids has no column for them.
    const std::string id =
        firstColumn(path, "SELECT count(*) FROM pragma_table_info('ReconcileMark') WHERE name = 'fitid'")
                    .value(0)
                == "1"
            ? "fitid"
            : "NULL";
    const QStringList rows = firstColumn(
        path, ("SELECT ifnull((SELECT substr('ncy', status + 1, 1) || CASE WHEN hex(" + id
               + ") LIKE '00%' THEN '*' "
                 "ELSE ifnull("
               + id
               + ", '') END FROM ReconcileMark WHERE \"ledger rowid\" = Ledger.rowid), '') || '|' "
                 "|| ifnull(' #' || \"number\", '') || ' ' || ifnull(substr(\"date\", 6), '-') || ' ' || "
                 "iif(fee > 0, 'f', '') || printf('%g', (\"deposit / credit\" - \"payment / debit\" - fee) / "
                 "10000.0) || ' ' || ifnull(\"description of transaction\", '') FROM Ledger ORDER BY rowid")
                  .c_str());
    std::string text;
    for (int k = 0; k < rows.size(); ++k) {
        const QStringList parts = rows[k].split('|');
        if (k >= typed || !parts[0].isEmpty())
            text += (text.empty() ? "" : ", ") + std::to_string(k + 1) + parts[0].toStdString()
                    + (k >= typed ? parts.value(1).toStdString() : "");
    }
    return text;
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

    // Statements we wrote, imported into a ledger the user typed, in two time zones, into a file of today
    // and one whose marks are kept as before the bank's ids: each transaction is matched to its row once
    // (a check by number first, a card payment by amount and nearest day, then the first stored; a
    // reconciled row never) or added cleared, and nothing is added twice, with or without the bank's ids.
    // Days are the ones written, whatever their offset and the machine's zone. A refused file leaves the
    // ledger byte for byte.
    void statementsImport()
    {
        const std::string april =
            ofxFile(false, stmt("555", "CHECKING",
                                trn("POS", "20090403", "-50.00", "A0", "Caf\xe9")
                                    + trn("CHECK", "20090409", "-50.00", "A1", "Check 101", nullptr, "101")
                                    + trn("POS", "20090404235959[-12]", "-42.10", "A2", "Grocer", "Card 1234")
                                    + trn("CHECK", "20090410", "-660.00", "A3", "Check 102", nullptr, "0102")
                                    + trn("SRVCHG", "20090430", "-2.50", "A4", "Service charge", "Monthly")
                                    + trn("POS", "20090401", "-25.00", "A5", "Cinema")
                                    + trn("DEP", "20090415", "1500", "A6", "Salary", "Salary"),
                                "<BALAMT>1645.40<DTASOF>20090430235959[-12]"));
        const std::string may =
            ofxFile(true, stmt("555", "CHECKING",
                               trn("CHECK", "20090410", "-660.00", "A3", "Check 102", nullptr, "102")
                                   + trn("SRVCHG", "20090430", "-2.50", "A4", "Service charge", "Monthly")
                                   + trn("DEP", "20090415", "1500", "A6", "Salary")
                                   + trn("POS", "20090409", "-42.10", "B1", "Grocer")
                                   + trn("FEE", "20090505", "-1.00", "B2", "ATM fee", "ATM fee")
                                   + trn("POS", "20090403", "-50.00", "B3", "Kiosk"),
                               "<BALAMT>1602.30<DTASOF>20090510"));
        const std::string twoAccounts = ofxFile(
            true, stmt("555", "CHECKING", trn("POS", "20090406000001[+13:NZDT]", "-42.10", "X1", "Grocer"))
                      + stmt("555", "SAVINGS", trn("INT", "20090430", "0.12", "X2", "Int\u00e9r\u00eat")));
        const std::string withoutIds =
            ofxFile(false,
                    stmt("555", "CHECKING",
                         trn("DEP", "20090420", "10.00", nullptr, "Refund \xe9")
                             + trn("DEP", "20090420", "10.00", nullptr, "Refund \xe9")
                             + trn("CHECK", "20090421", "-600.00", nullptr, "Check 102", nullptr, "102")
                             + trn("CHECK", "20090421", "-600.00", nullptr, "Check 102", nullptr, "102")),
                    "ISO-8859-1");
        const std::string longMemo(300, 'x'); // the description keeps 255 characters
        const std::string empties =
            ofxFile(false, stmt("555", "CHECKING",
                                trn("POS", "", "-7.00", "", "Kiosk", "", "")
                                    + trn("POS", "20090402", "-1.00", "E2", "Kiosk", longMemo.c_str()),
                                "<BALAMT><DTASOF>"));
        const std::string card =
            ofxFile(false, stmt("4111", "CC", trn("POS", "20090403", "-9.99", "K1", "Book")));
        const std::string refusedCard =
            "refused: The file \"s.ofx\" is a credit-card statement; the ledger keeps one bank account.";
        struct Import {
            std::string file;
            const char* account;
            std::string outcome;
        };
        const auto typeMarch = [](TestLedger& ledger) { // and April's first days, March reconciled
            ledger.append({dated(makeRow("0", "0", "0", "1000", "Opening"), {2009, 3, 20}),
                           dated(makeRow("25", "0", "0", "975", "Old check", 100), {2009, 3, 25}),
                           dated(makeRow("50", "0", "0", "925", "Plumber", 101), {2009, 4, 2}),
                           dated(makeRow("42.10", "0", "0", "882.90", "Grocer"), {2009, 4, 3}),
                           dated(makeRow("600", "0", "0", "282.90", "Rent", 102), {2009, 4, 6}),
                           dated(makeRow("42.10", "0", "0", "240.80", "Grocer"), {2009, 4, 5})});
            finishReconciliation(*LedgerConnection::open(ledger.path()), {2}, {2009, 3, 31},
                                 Money::parse("975"), {2009, 4, 1}, {});
        };
        const std::pair<std::vector<Import>, std::string> cases[] = {
            {{{april, "", "n7 m3 m4 d5 n8 n9 n10 | 1645.4 4/30/2009 cleared 2305.4"},
              {april, "", "k k k d5 k k k | 1645.4 4/30/2009 cleared 2305.4"},
              {may, "555/CHECKING", "d5 k k m6 n11 n12 | 1602.3 5/10/2009 cleared 2212.3"}},
             "2y, 3cA1, 4cA2, 6cB1, 7cA0 04-03 -50 Caf\u00e9, 8cA4 04-30 f-2.5 Service charge Monthly, "
             "9cA5 04-01 -25 Cinema, 10cA6 04-15 1500 Salary, 11cB2 05-05 f-1 ATM fee, "
             "12cB3 04-03 -50 Kiosk"},
            {{{twoAccounts, "", "m6 | 1000 4/30/2009 cleared 932.9"},
              {twoAccounts, "555/SAVINGS", "n7 | 1000 4/30/2009 cleared 933.02"},
              {twoAccounts, "555",
               "refused: The file \"s.ofx\" holds several accounts 555; choose one by its "
               "type: 555 (CHECKING), 555 (SAVINGS)."},
              {twoAccounts, "999",
               "refused: The file \"s.ofx\" holds no bank account 999; it holds 555 "
               "(CHECKING), 555 (SAVINGS)."}},
             "2y, 6cX1, 7cX2 04-30 0.12 Int\u00e9r\u00eat"},
            {{{withoutIds, "", "n7 n8 m5 n9 | 1000 4/30/2009 cleared -205"},
              {withoutIds, "", "k k k k | 1000 4/30/2009 cleared -205"}},
             "2y, 5c*, 7c* 04-20 10 Refund \u00e9, 8c* 04-20 10 Refund \u00e9, "
             "9c* #102 04-21 -600 Check 102"},
            {{{empties, "", "n7 n8 | - 4/30/2009 cleared 967"},
              {empties, "", "k k | - 4/30/2009 cleared 967"}},
             "2y, 7c* - -7 Kiosk, 8cE2 04-02 -1 Kiosk " + longMemo.substr(0, 249)},
            {{{card, "", refusedCard},
              {card, "4111", refusedCard},
              {"number,date\n1,2009-04-01\n", "",
               "refused: The file \"s.ofx\" is not an OFX or QFX statement that can be read."}},
             "2y"}};
        const QByteArray zone = qgetenv("TZ");
        for (const char* timeZone : {"Pacific/Auckland", "America/New_York"}) {
            qputenv("TZ", timeZone);
            tzset();
            for (const auto& [imports, rows] : cases)
                for (const bool older : {false, true}) {
                    TestLedger ledger;
                    typeMarch(ledger);
                    // The marks as files kept them before the bank's ids: the first import adds them.
                    if (older)
                        ledger.exec(
                            "ALTER TABLE ReconcileMark RENAME TO Marks; CREATE TABLE ReconcileMark (\"ledger "
                            "rowid\" INTEGER PRIMARY KEY, status INTEGER NOT NULL, statement INTEGER, "
                            "fingerprint INTEGER NOT NULL) STRICT; INSERT INTO ReconcileMark SELECT \"ledger "
                            "rowid\", status, statement, fingerprint FROM Marks; DROP TABLE Marks");
                    for (const Import& import : imports) {
                        QFile file(QString::fromStdString(ledger.path()));
                        const QByteArray before =
                            file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
                        file.close();
                        QCOMPARE(
                            QString::fromStdString(importText(ledger.path(), import.file, import.account)),
                            QString::fromStdString(import.outcome));
                        if (import.outcome.rfind("refused", 0) == 0)
                            QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == before);
                    }
                    QCOMPARE(QString::fromStdString(markedRows(ledger.path(), 6)),
                             QString::fromStdString(rows));
                    QVERIFY(balancesFollowRule(ledger.rows()));
                }
        }
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
        tzset();

        // Two transactions the user gave one row are refused with nothing stored. A row unticked in
        // Reconcile still remembers the bank's id: the statement again brings nothing.
        TestLedger ledger;
        typeMarch(ledger);
        const OfxFile file = readOfxFile(april, "s.ofx");
        const std::vector<StatementTransaction>& transactions = chooseAccount(file, "", "s.ofx").transactions;
        auto connection = LedgerConnection::open(ledger.path());
        const StatementProposal proposal = proposeStatement(*connection, transactions);
        std::vector<StatementDecision> oneRowTwice = proposal.decisions;
        oneRowTwice[0] = oneRowTwice[1]; // the cafe's payment given check 101's row
        try {
            importStatement(*connection, transactions, oneRowTwice, proposal.counter);
            QFAIL("one row matched twice");
        } catch (const StoreError& error) { // the sentence the Statement window shows
            QCOMPARE(std::string(error.what()), "Two transactions of the statement were matched to one row.");
        }
        QCOMPARE(ledger.rows().size(), std::size_t(6));
        importStatement(*connection, transactions, proposal.decisions, proposal.counter);
        postponeReconciliation(*connection, {}, {}, std::nullopt);
        QCOMPARE(importText(ledger.path(), april, ""),
                 std::string("k k k d5 k k k | 1645.4 4/30/2009 cleared 975"));
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
