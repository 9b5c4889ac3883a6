// tallowick-ledger, run as users and scripts run it: CSV round trips, refused
// imports, QIF totals, the check and its repair, reports, and the command-line contract.
#include "PdfText.h"
#include "TestLedger.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <random>

using namespace tallowick;
using namespace tallowick::test;

namespace {

struct ToolRun {
    int status = -1;
    QByteArray out;
    QString err;
};

ToolRun runTool(const QStringList& arguments, const QString& program = QStringLiteral(LEDGER_TOOL_PATH),
                const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
}

QString qt(const std::string& text)
{
    return QString::fromStdString(text);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Descriptions that test the quoting: separators, quotes, every line break,
// characters of several UTF-8 lengths, blanks at either end, the longest.
std::string randomDescription(std::mt19937_64& random)
{
    static const std::vector<std::string> pieces{
        "Rent",         ",",          "\"",        "\"\"", "\r\n",     "\n",  "\r", " ", "Caf\u00e9 \u20ac5",
        "\u65e5\u672c", "\U0001F4B6", "a,b \"c\"", "\t",   "=SUM(A1)", "100%"};
    std::string text;
    const int count = int(random() % 6);
    for (int k = 0; k < count; ++k)
        text += pieces[random() % pieces.size()];
    if (random() % 8 == 0) { // the longest a ledger holds: 255 characters, some of them multi-byte
        text.clear();
        for (int k = 0; k < 255; ++k)
            text += k % 3 == 0 ? "\u00e9" : k % 5 == 0 ? "\"" : "x";
    }
    return text;
}

// A ledger whose balances follow the rule from a random anchor, as the
// program keeps them.
std::vector<LedgerRow> randomLedger(std::mt19937_64& random, int rowCount, bool wholeCents)
{
    const auto amount = [&](std::int64_t most) {
        const std::int64_t units = std::int64_t(random() % std::uint64_t(most));
        return Money::fromTenThousandths(wholeCents ? units / 100 * 100 : units);
    };
    std::vector<LedgerRow> rows;
    for (int k = 0; k < rowCount; ++k) {
        LedgerRow row;
        if (random() % 3)
            row.number = std::int64_t(random() % 200000) - 1000;
        if (k > 0 && random() % 4)
            row.date = LedgerDate{int(1990 + random() % 50), int(1 + random() % 12), int(1 + random() % 28)};
        const std::string description = randomDescription(random);
        if (!description.empty())
            row.description = description;
        row.payment = random() % 2 ? amount(50000000) : Money();
        row.fee = random() % 5 == 0 ? amount(300000) : Money();
        row.deposit = random() % 3 == 0 ? amount(90000000) : Money();
        row.taxDeductible = int(random() % 2);
        row.balance = k == 0 ? amount(100000000) - Money::fromWhole(2000)
                             : rows.back().balance - row.payment - row.fee + row.deposit;
        rows.push_back(row);
    }
    return rows;
}

} // namespace

class LedgerToolTest : public QObject {
    Q_OBJECT

private slots:
    // Export, import into a fresh ledger, and every column of every row is as it was.
    void csvRoundTripKeepsEveryField()
    {
        for (std::uint64_t seed = 1; seed <= 24; ++seed) {
            std::mt19937_64 random(seed);
            TestLedger original;
            // Up to 150 rows: imports store whole batches of 64 rows and a remainder one by one.
            const auto rows = randomLedger(random, int(random() % 150), false);
            original.append(rows);
            const ToolRun exported = runTool({"export", "--csv", qt(original.path())});
            QCOMPARE(exported.status, 0);
            QVERIFY(exported.out.startsWith("number,date,description of transaction,payment / debit,"
                                            "tax deductible,fee,deposit / credit,balance\r\n"));

            TestLedger copy;
            const QString csv = copy.folder() + "/ledger.csv";
            writeFile(csv, exported.out);
            const ToolRun imported = runTool({"import", csv, qt(copy.path())});
            QCOMPARE(imported.status, 0);
            QCOMPARE(imported.out, QByteArray("Imported " + QByteArray::number(qsizetype(rows.size()))
                                              + (rows.size() == 1 ? " row.\n" : " rows.\n")));
            QVERIFY2(copy.rows() == rows, qPrintable(QString("seed %1").arg(seed)));
            QCOMPARE(runTool({"export", "--csv", qt(copy.path())}).out, exported.out);
        }
    }

    void importRefusesWritingNothing_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<bool>("ledgerHasRows");
        QTest::addColumn<QString>("message");
        const QByteArray header = "number,date,description of transaction,payment / debit,tax deductible,fee,"
                                  "deposit / credit,balance\r\n";
        const QByteArray good = "1,1/2/2024,Opening,0,0,0,0,100\r\n";
        QTest::newRow("bad date") << header + good + "2,2/30/2024,Rent,5,0,0,0,95\r\n"
                                  << false
                                  << "Line 3, column \"date\", value \"2/30/2024\": The date is not a valid";
        QTest::newRow("bad amount") << header + good + "2,,Rent,12.3.4,0,0,0,95\r\n"
                                    << false
                                    << "Line 3, column \"payment / debit\", value \"12.3.4\": The amount";
        QTest::newRow("256 characters")
            << header + good + "2,,\"" + QByteArray(256, 'x') + "\",5,0,0,0,95\r\n"
            << false << "Line 3, column \"description of transaction\", value \"xxx";
        QTest::newRow("missing column")
            << QByteArray("number,date,description of transaction,payment / debit,"
                          "tax deductible,deposit / credit,balance\n1,,a,0,0,0,1\n")
            << false << "The header has no column \"fee\".";
        QTest::newRow("quote left open") << header + good + "2,,\"Rent,5,0,0,0,95\r\n"
                                         << false << "Line 3: a quoted field is never closed.";
        QTest::newRow("runaway quote") << header + good + "2,,\"" + QByteArray(70000, 'x') + "\r\n"
                                       << false << "Line 3: the record is too long to be a ledger row.";
        QTest::newRow("short line") << header + good + "2,,Rent,5,0,0,0\r\n"
                                    << false << "Line 3 has 7 fields where the header has 8.";
        QTest::newRow("ledger has rows") << header + good << true << "The ledger already has rows";
    }

    void importRefusesWritingNothing()
    {
        QFETCH(QByteArray, csv);
        QFETCH(bool, ledgerHasRows);
        QFETCH(QString, message);
        TestLedger ledger;
        if (ledgerHasRows)
            ledger.append({makeRow("0", "0", "0", "7", "Kept")});
        const auto before = ledger.rows();
        const QString file = ledger.folder() + "/in.csv";
        writeFile(file, csv);
        const ToolRun run = runTool({"import", file, qt(ledger.path())});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.startsWith(message), qPrintable(run.err));
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY(ledger.rows() == before);
    }

    // What spreadsheets write: a byte-order mark, LF, columns in another
    // case and order, an extra column, "$" and grouping, dates with a time,
    // every spelling of the flag; balances are recomputed and the
    // differences named.
    void importReadsSpreadsheetCsv()
    {
        TestLedger ledger;
        const QString file = ledger.folder() + "/sheet.csv";
        writeFile(file, "\xEF\xBB\xBF"
                        "Balance,FEE,Memo,Date,Description Of Transaction,Number,"
                        "Payment / Debit,Deposit / Credit,Tax Deductible\n"
                        "\"$1,234.50\",,x,2024-03-07 00:00:00,Opening,,,,\n"
                        "\"1,200\",$2,x,3/8/2024,\"Rent, March\",-7,-$12.50,,True\n"
                        "999,,x,,Pay,8,,\"$1,000\",yes\n"
                        ",,x,,Blank balance,9,1,,T\n"
                        "0,,x,3/9/24,No,10,0,0,No\n");
        const ToolRun run = runTool({"import", file, qt(ledger.path())});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out,
                 QByteArray("Imported 5 rows.\nThe file's balance differed from the running balance on 3 "
                            "rows; the first is line 3 (row 2): the file says 1200, the ledger now holds "
                            "1245.\n"));
        std::vector<LedgerRow> rows{makeRow("0", "0", "0", "1234.5", "Opening"),
                                    makeRow("-12.5", "2", "0", "1245", "Rent, March", -1, 1),
                                    makeRow("0", "0", "1000", "2245", "Pay", 8, 1),
                                    makeRow("1", "0", "0", "2244", "Blank balance", 9, 1),
                                    makeRow("0", "0", "0", "2244", "No", 10)};
        rows[0].date = LedgerDate{2024, 3, 7};
        rows[1].date = LedgerDate{2024, 3, 8};
        rows[1].number = -7;
        rows[4].date = LedgerDate{2024, 3, 9};
        QVERIFY(ledger.rows() == rows);
    }

    // The T amounts add up to the last balance; every record ends with "^";
    // a row without a date takes the nearest earlier one.
    void qifAddsUpToLastBalance()
    {
        for (std::uint64_t seed = 1; seed <= 8; ++seed) {
            std::mt19937_64 random(seed);
            TestLedger ledger;
            const auto rows = randomLedger(random, 1 + int(random() % 30), true);
            ledger.append(rows);
            const ToolRun run = runTool({"export", "--qif", qt(ledger.path())});
            QCOMPARE(run.status, 0);
            QVERIFY(run.out.startsWith("!Type:Bank\r\n"));
            QVERIFY(run.out.endsWith("^\r\n"));
            const QList<QByteArray> records = run.out.mid(12).split('^');
            QCOMPARE(records.size(), qsizetype(rows.size() + 1)); // the last piece follows the last "^"
            Money total;
            std::optional<LedgerDate> lastDate;
            for (std::size_t k = 0; k < rows.size(); ++k) {
                QByteArray dateLine;
                for (const QByteArray& line : records[qsizetype(k)].split('\n')) {
                    if (line.startsWith('T'))
                        total += Money::parse(line.mid(1).trimmed().toStdString());
                    if (line.startsWith('D'))
                        dateLine = line.trimmed();
                }
                if (rows[k].date)
                    lastDate = rows[k].date;
                QCOMPARE(dateLine, lastDate ? QString::asprintf("D%02d/%02d/%04d", lastDate->month,
                                                                lastDate->day, lastDate->year)
                                                  .toLatin1()
                                            : QByteArray());
            }
            QCOMPARE(total, rows.back().balance);
        }
    }

    // --tax-deductible and --year keep only the rows they name; a QIF record in full.
    void exportChoosesRows()
    {
        TestLedger ledger;
        auto rows = std::vector<LedgerRow>{
            makeRow("0", "0", "0", "100", "Opening"), makeRow("1", "0", "0", "99", "A"),
            makeRow("1", "0", "0", "98", "B", -1, 1), makeRow("1", "0", "0", "97", "C", -1, 1),
            makeRow("1", "0", "0", "96", "D", -1, 1)};
        rows[1].date = LedgerDate{2023, 12, 31};
        rows[3].date = LedgerDate{2024, 1, 2};
        ledger.append(rows);
        const ToolRun run =
            runTool({"export", "--csv", "--tax-deductible", "--year", "2024", qt(ledger.path())});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out.count("\r\n"), 3); // header, C, and D which has C's date
        QVERIFY(run.out.contains(",C,") && run.out.contains(",D,") && !run.out.contains(",B,"));

        TestLedger qif;
        rows = {makeRow("0", "0", "0", "100", "Opening"),
                makeRow("12.5", "2.5", "0", "85", "Rent,\r\nMay", 7, 1)};
        rows[1].date = LedgerDate{2024, 5, 1};
        qif.append(rows);
        QCOMPARE(runTool({"export", "--qif", qt(qif.path())}).out,
                 QByteArray("!Type:Bank\r\nT100.00\r\nPOpening\r\n^\r\n"
                            "D05/01/2024\r\nT-15.00\r\nN7\r\nPRent,  May\r\n"
                            "MFee 2.50; Tax deductible\r\n^\r\n"));
    }

    // A balance planted wrong is found (it and the next row break the rule), --repair mends it.
    void checkFindsAndRepairsBalances()
    {
        TestLedger ledger;
        ledger.append({makeRow("0", "0", "0", "100", "Opening"), makeRow("10", "0", "0", "90"),
                       makeRow("0", "1", "0", "89"), makeRow("0", "0", "11", "100")});
        QCOMPARE(runTool({"check", qt(ledger.path())}).out, QByteArray("The ledger is sound.\n"));
        ledger.exec("UPDATE Ledger SET balance = 0 WHERE rowid = 3");
        ToolRun run = runTool({"check", qt(ledger.path())});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out, QByteArray("Row 3: balance 0 where the rule gives 89.\n"
                                     "Row 4: balance 100 where the rule gives 11.\n"
                                     "2 rows break the running-balance rule.\n"));
        run = runTool({"check", "--repair", qt(ledger.path())});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.endsWith("Repaired: the balances were recomputed from the first row's balance.\n"
                                 "The ledger is sound.\n"));
        QCOMPARE(ledger.rows()[2].balance, Money::parse("89"));
        QCOMPARE(runTool({"check", qt(ledger.path())}).status, 0);
    }

    // A table another tool converted is refused with the store's sentence, and is not repaired.
    void checkRefusesConvertedTable()
    {
        TestLedger ledger;
        ledger.exec(
            "DROP TABLE Ledger; CREATE TABLE Ledger (\"number\" INTEGER, \"date\" TEXT, "
            "\"description of transaction\" TEXT, \"payment / debit\" REAL, \"tax deductible\" INTEGER, "
            "fee REAL, \"deposit / credit\" REAL, balance REAL);"
            "INSERT INTO Ledger VALUES (NULL, '', 'x', 0, 0, 0, 0, 12.5);");
        const QStringList before = storedRows(ledger.path());
        const ToolRun run = runTool({"check", "--repair", qt(ledger.path())});
        QCOMPARE(run.status, 1);
        QVERIFY(run.out.isEmpty());
        QVERIFY(run.err.contains("\"payment / debit\" is declared REAL instead of INTEGER"));
        QVERIFY(run.err.endsWith("bring them in with \"tallowick-ledger import\".\n"));
        QCOMPARE(storedRows(ledger.path()), before);
    }

    // A report as a PDF, written where no display is: the tax-deductible rows of a year (an undated row
    // goes with the row before it) with their totals, and a register of dates from its brought-forward
    // to its closing balance. Usage errors and refusals write nothing.
    void reportWritesPdf()
    {
        TestLedger ledger;
        auto rows = std::vector<LedgerRow>{
            makeRow("0", "0", "0", "1000", "Opening"), makeRow("12.5", "0.25", "0", "987.25", "Doctor", 7, 1),
            makeRow("1000", "0", "0", "-12.75", "Rent"), makeRow("3", "0", "0", "-15.75", "Gift", -1, 1),
            makeRow("7", "0", "0", "-22.75", "Next year", -1, 1)};
        rows[1].date = LedgerDate{2024, 3, 1};
        rows[2].date = LedgerDate{2024, 4, 2};
        rows[4].date = LedgerDate{2025, 1, 10};
        ledger.append(rows);
        QProcessEnvironment headless = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            headless.remove(name);
        const QString pdf = ledger.folder() + "/tax.pdf";
        ToolRun run =
            runTool({"report", "--tax-deductible", "--year", "2024", "--pdf", pdf, qt(ledger.path())},
                    LEDGER_TOOL_PATH, headless);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, "Wrote 1 page to " + pdf.toUtf8() + ".\n");
        QVERIFY(run.err.isEmpty());
        QCOMPARE(pdfPageCount(pdf), 1);
        QString text = pdfText(pdf);
        QVERIFY2(text.contains("Tax deductible payments") && text.contains("Year 2024")
                     && text.contains("Gift") && !text.contains("Rent") && !text.contains("Next year")
                     && text.contains("Page 1 of 1"),
                 qPrintable(text));
        QCOMPARE(amountsIn(text), (QStringList{"$12.50", "$0.25", "$3.00", "$0.00", "$15.50", "$0.25"}));

        run = runTool({"report", "--register", "--from=3/2/2024", "--to", "2024-12-31", "--pdf", pdf,
                       qt(ledger.path())});
        QCOMPARE(run.status, 0);
        text = pdfText(pdf);
        QVERIFY2(text.contains("3/2/2024 to 12/31/2024") && text.contains("Balance at the end of the period"),
                 qPrintable(text));
        QCOMPARE(amountsIn(text).constFirst(), "$987.25");
        QCOMPARE(amountsIn(text).constLast(), "-$15.75");

        const QString other = ledger.folder() + "/other.pdf";
        for (const QStringList& wrong :
             {QStringList{"report", "--pdf", other}, QStringList{"report", "--register"},
              QStringList{"report", "--register", "--tax-deductible", "--pdf", other},
              QStringList{"report", "--register", "--year", "2024", "--from", "1/1/2024", "--pdf", other},
              QStringList{"report", "--register", "--from", "2/30/2024", "--pdf", other},
              QStringList{"report", "--register", "--from", "5/1/2024", "--to", "4/1/2024", "--pdf", other},
              QStringList{"report", "--register", "--pdf", other, "a", "b"}}) {
            run = runTool(wrong);
            QCOMPARE(run.status, 2);
            QCOMPARE(run.err.count('\n'), 1);
        }
        run = runTool({"report", "--register", "--pdf", other, ledger.folder() + "/none.mdb"});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err, "The ledger file \"" + ledger.folder() + "/none.mdb\" does not exist.\n");
        run =
            runTool({"report", "--register", "--pdf", ledger.folder() + "/missing/r.pdf", qt(ledger.path())});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err, "The file \"" + ledger.folder()
                              + "/missing/r.pdf\" could not be written "
                                "(No such file or directory).\n");
        QCOMPARE(QDir(ledger.folder()).entryList({"*.pdf"}, QDir::Files | QDir::Hidden),
                 QStringList{"tax.pdf"});
    }

    // --help, usage errors (one line, status 2), refused files (the store's
    // sentence, status 1), the ledger beside the program, and no ledger created.
    void commandLineContract()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath("none.mdb");
        ToolRun run = runTool({"--help"});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.startsWith("usage: tallowick-ledger COMMAND"));
        for (const QStringList& wrong :
             {QStringList{}, QStringList{"export"}, QStringList{"export", "--csv", "--qif"},
              QStringList{"export", "--csv", "--year", "24"}, QStringList{"import"},
              QStringList{"check", "--force"}, QStringList{"check", "a", "b"}, QStringList{"merge"}}) {
            run = runTool(wrong);
            QCOMPARE(run.status, 2);
            QCOMPARE(run.err.count('\n'), 1);
            QVERIFY(run.out.isEmpty());
        }
        for (const QStringList& refused :
             {QStringList{"export", "--qif", missing}, QStringList{"check", missing},
              QStringList{"import", dir.filePath("in.csv"), missing}}) {
            run = runTool(refused);
            QCOMPARE(run.status, 1);
            QCOMPARE(run.err, "The ledger file \"" + missing + "\" does not exist.\n");
        }
        writeFile(dir.filePath("junk.mdb"), "not a database at all, not even close to one.");
        QCOMPARE(runTool({"check", dir.filePath("junk.mdb")}).err,
                 QString("The ledger file is not a ledger database.\n"));
        QVERIFY(!QFile::exists(missing));

        TestLedger ledger;
        const QString besideLedger = ledger.folder() + "/tallowick-ledger";
        QVERIFY(QFile::copy(QStringLiteral(LEDGER_TOOL_PATH), besideLedger));
        ledger.append({makeRow("0", "0", "0", "5", "Opening")});
        run = runTool({"export", "--csv"}, besideLedger);
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.endsWith(",,Opening,0,0,0,0,5\r\n"));
    }
};

QTEST_GUILESS_MAIN(LedgerToolTest)
#include "LedgerToolTest.moc"
