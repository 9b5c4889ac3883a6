// tallowick-ledger, run as users and scripts run it: CSV round trips, refused imports, QIF totals, the check
// and its repair, reports, and the command-line contract.
#include "OfxText.h"
#include "PdfText.h"
#include "Reconciliation.h"
#include "TestLedger.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <unistd.h>

#include <random>

using namespace tallowick;
using namespace tallowick::test;

namespace {

const QByteArray csvHeader = "number,date,description of transaction,payment / debit,tax deductible,fee,"
                             "deposit / credit,balance\r\n";

struct ToolRun {
    int status = -1;
    QByteArray out;
    QString err;
};

// Runs where no display is. `input` goes to the tool's standard input through a pipe; `outputFile`, when
// given, is its standard output.
ToolRun runTool(const QStringList& arguments, const QString& program = QStringLiteral(LEDGER_TOOL_PATH),
                const QByteArray& input = {}, const QString& outputFile = {})
{
    QProcessEnvironment headless = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        headless.remove(name);
    QProcess process;
    process.setProcessEnvironment(headless);
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(10000);
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

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A ledger whose balances follow the rule from a random anchor, as the program keeps them. Its descriptions
// test the quoting: separators, quotes, every line break, characters of several UTF-8 lengths, blanks at
// either end, the longest.
std::vector<LedgerRow> randomLedger(std::mt19937_64& random, int rowCount)
{
    static const std::vector<std::string> pieces{
        "Rent",         ",",          "\"",        "\"\"", "\r\n",     "\n",  "\r", " ", "Caf\u00e9 \u20ac5",
        "\u65e5\u672c", "\U0001F4B6", "a,b \"c\"", "\t",   "=SUM(A1)", "100%"};
    const auto amount = [&](std::int64_t most) {
        return Money::fromTenThousandths(std::int64_t(random() % std::uint64_t(most)));
    };
    std::vector<LedgerRow> rows;
    for (int k = 0; k < rowCount; ++k) {
        LedgerRow row;
        if (random() % 3)
            row.number = std::int64_t(random() % 200000) - 1000;
        if (k > 0 && random() % 4)
            row.date = LedgerDate{int(1990 + random() % 50), int(1 + random() % 12), int(1 + random() % 28)};
        std::string text;
        for (int count = int(random() % 6); count > 0; --count)
            text += pieces[random() % pieces.size()];
        if (random() % 8 == 0) { // the longest a ledger holds: 255 characters, some of them multi-byte
            text.clear();
            for (int j = 0; j < 255; ++j)
                text += j % 3 == 0 ? "\u00e9" : j % 5 == 0 ? "\"" : "x";
        }
        if (!text.empty())
            row.description = text;
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
            const auto rows = randomLedger(random, int(random() % 150));
            original.append(rows);
            const ToolRun exported = runTool({"export", "--csv", qt(original.path())});
            QCOMPARE(exported.status, 0);
            QVERIFY(exported.out.startsWith(csvHeader));

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

    // A refused import says why in one sentence on stderr, with status 1, and stores nothing.
    void importRefusesWritingNothing()
    {
        const QByteArray good = csvHeader + "1,1/2/2024,Opening,0,0,0,0,100\r\n";
        const QByteArray semicolons = QByteArray(csvHeader).replace(',', ';') + ";;Opening;0;0;0;0;100\r\n";
        std::vector<std::pair<QByteArray, QString>> cases{
            {good + "2,2/30/2024,Rent,5,0,0,0,95\r\n",
             "Line 3, column \"date\", value \"2/30/2024\": The date is not a valid"},
            {good + "2,,Rent,12.3.4,0,0,0,95\r\n",
             "Line 3, column \"payment / debit\", value \"12.3.4\": The amount"},
            {good + "2,,\"" + QByteArray(256, 'x') + "\",5,0,0,0,95\r\n",
             "Line 3, column \"description of transaction\", value \"xxx"},
            {"number,date,description of transaction,payment / debit,tax deductible,deposit / credit,"
             "balance\n1,,a,0,0,0,1\n",
             "The header has no column \"fee\"."},
            {good + "2,,\"Rent,5,0,0,0,95\r\n", "Line 3: a quoted field is never closed."},
            {good + "2,,\"" + QByteArray(70000, 'x') + "\r\n",
             "Line 3: the record is too long to be a ledger row."},
            {good + "2,,Rent,5,0,0,0\r\n", "Line 3 has 7 fields where the header has 8."},
            {good + "2,,Rent,5,0,0,0,95,x\r\n", "Line 3 has 9 fields where the header has 8."},
            {"Fee," + good, "The header names the column \"fee\" twice."},
            {good + "2,,\"Rent\"x,5,0,0,0,95\r\n", "Line 3: text follows a closing quote."},
            {good + "2,,Rent,5,2,0,0,95\r\n",
             "Line 3, column \"tax deductible\", value \"2\": Tax deductible must be 0 or 1"},
            {csvHeader + "1,1/2/2024,Opening,0,0,0,0,\r\n",
             "Line 2, column \"balance\": the first row needs a balance, since it is the ledger's opening "
             "balance.\n"},
            {semicolons + "2;;Rent;12.50;0;0;0;\r\n",
             "Line 3, column \"payment / debit\", value \"12.50\": A decimal comma is expected: in a file "
             "whose fields are split by semicolons, a dot or a space in an amount may only separate groups "
             "of three digits, as in 1.234,50.\n"},
            {semicolons + "2;7/3/2004;Rent;0;0;0;0;\r\n",
             "Line 3, column \"date\", value \"7/3/2004\": In a file whose fields are split by semicolons, "
             "a date with slashes or dashes may be day/month/year or month/day/year; write it as "
             "YYYY-MM-DD or D.M.YYYY.\n"},
            {good + "2,,Caf\xe9,0,0,0,0,\r\n",
             "Line 3, column \"description of transaction\": the text is not UTF-8 (the file may be saved as "
             "Windows-1252 or Latin-1); save it as UTF-8 and import it again.\n"},
            {QByteArray("\xff\xfen\0u\0", 6),
             "The file is UTF-16 text; save it as UTF-8 text and import it again.\n"}};
        for (const char* amount : {"12,50", "1,5", "1,2345.6", ",500"})
            cases.emplace_back(good + "2,,Rent,\"" + amount + "\",0,0,0,95\r\n",
                               QString("Line 3, column \"payment / debit\", value \"%1\": A decimal point is "
                                       "expected: a comma in an amount may only separate groups of three "
                                       "digits, as in 1,234.50 (a file with decimal commas has its fields "
                                       "split by semicolons).\n")
                                   .arg(amount));
        TestLedger ledger;
        const QString file = ledger.folder() + "/in.csv";
        for (const auto& [csv, message] : cases) {
            writeFile(file, csv);
            const ToolRun run = runTool({"import", file, qt(ledger.path())});
            QVERIFY2(run.status == 1 && run.err.startsWith(message) && run.err.count('\n') == 1,
                     qPrintable(QString::number(run.status) + ": " + run.err));
            QVERIFY(ledger.rows().empty());
        }
    }

    // What spreadsheets write: a byte-order mark, LF, columns in another case and order, an extra column,
    // "$" and grouping, dates with a time, every spelling of the flag; balances are recomputed and the
    // differences named. An import into a ledger that has rows, even one, is refused.
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
        ToolRun run = runTool({"import", file, qt(ledger.path())});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out,
                 QByteArray("Imported 5 rows.\nThe file's balance differed from the running balance on 3 "
                            "rows; the first is line 3 (row 2): the file says 1200, the ledger now holds "
                            "1245.\n"));
        std::vector<LedgerRow> rows{
            dated(makeRow("0", "0", "0", "1234.5", "Opening"), {2024, 3, 7}),
            dated(makeRow("-12.5", "2", "0", "1245", "Rent, March", -1, 1), {2024, 3, 8}),
            makeRow("0", "0", "1000", "2245", "Pay", 8, 1),
            makeRow("1", "0", "0", "2244", "Blank balance", 9, 1),
            dated(makeRow("0", "0", "0", "2244", "No", 10), {2024, 3, 9})};
        rows[1].number = -7;
        QVERIFY(ledger.rows() == rows);
        TestLedger opened; // only its opening row: refused like a ledger of many rows
        opened.append({makeRow("0", "0", "0", "5", "Opening")});
        for (TestLedger* into : {&ledger, &opened}) {
            const std::vector<LedgerRow> held = into->rows();
            run = runTool({"import", file, qt(into->path())});
            QCOMPARE(run.status, 1);
            QVERIFY2(run.err.startsWith("The ledger already has rows") && run.err.count('\n') == 1,
                     qPrintable(run.err));
            QVERIFY(into->rows() == held);
        }
    }

    // A spreadsheet's own dialects of one table (grouping, decimal commas with ";", dotted day.month.year
    // dates, tabs, trailing lines of empty fields), from a file or a pipe, import to the same table.
    void importReadsEveryDialectAlike()
    {
        const QByteArray imported = "Imported 2 rows.\n";
        const std::tuple<QString, QByteArray, QByteArray> cases[] = {
            {"file", csvHeader + ",,Opening,0,0,0,0,\"1,000.5\"\r\n7,3/7/2004,Rent,125.5,1,0,0,\r\n",
             imported},
            {"-",
             "number;date;description of transaction;payment / debit;tax deductible;fee;deposit / credit;"
             "balance\n;;Opening;0;0;0;0;1.000,5\n7;07.03.04;Rent;125,5;1;0;0;\n;;;;;;;\n;;;;;;;\n",
             imported + "Skipped 2 lines whose fields were all empty.\n"},
            {"/dev/stdin",
             "Balance\tNumber\tDate\tDescription of Transaction\tPayment / Debit\tTax Deductible\tFee\t"
             "Deposit / Credit\n1000.5\t\t\tOpening\t\t\t\t\n\t7\t7.3.2004\tRent\t$125.50\tyes\t\t\n"
             "\t\t \t\t\t\t\t\n",
             imported + "Skipped 1 line whose fields were all empty.\n"}};
        for (const auto& [source, csv, report] : cases) {
            TestLedger ledger;
            const QString file = ledger.folder() + "/in.csv";
            writeFile(file, csv);
            const bool piped = source != "file";
            const ToolRun run = runTool({"import", piped ? source : file, qt(ledger.path())},
                                        QStringLiteral(LEDGER_TOOL_PATH), piped ? csv : QByteArray());
            QVERIFY2(run.status == 0, qPrintable(run.err));
            QCOMPARE(run.out, report);
            QCOMPARE(runTool({"export", "--csv", qt(ledger.path())}).out,
                     csvHeader + ",,Opening,0,0,0,0,1000.5\r\n7,2004-03-07,Rent,125.5,1,0,0,875\r\n");
        }
    }

    // Every record has a date, the undated opening row the first date there is; each T is the difference of
    // two balances in cents, so that the T amounts add up to a balance the grid shows ($89.77, not 89.78)
    // even where amounts have sub-cent parts; --year opens with the balance before the year;
    // --tax-deductible has no opening record.
    void qifExportsAddUp()
    {
        TestLedger ledger;
        ledger.append({makeRow("0", "0", "0", "100.004", "Opening"),
                       dated(makeRow("0.005", "0", "0", "99.999", "A"), {2023, 12, 31}),
                       makeRow("10", "0", "0", "89.999", "B"),
                       dated(makeRow("0", "0", "0.006", "90.005", "C", -1, 1), {2024, 1, 2}),
                       makeRow("0.2", "0.04", "0", "89.765", "D", 12, 1)});
        const QByteArray year2023 =
            "D12/31/2023\r\nT0.00\r\nPA\r\n^\r\nD12/31/2023\r\nT-10.00\r\nPB\r\n^\r\n";
        const QByteArray deductible =
            "D01/02/2024\r\nT0.01\r\nPC\r\nMTax deductible\r\n^\r\n"
            "D01/02/2024\r\nT-0.24\r\nN12\r\nPD\r\nMFee 0.04; Tax deductible\r\n^\r\n";
        const std::pair<QStringList, QByteArray> cases[] = {
            {{},
             "!Type:Bank\r\nD12/31/2023\r\nT100.00\r\nCX\r\nPOpening Balance\r\nMOpening\r\n^\r\n" + year2023
                 + deductible},
            {{"--year", "2024"},
             "!Type:Bank\r\nD01/01/2024\r\nT90.00\r\nPOpening Balance\r\n^\r\n" + deductible},
            {{"--year=2023"}, "!Type:Bank\r\nD01/01/2023\r\nT100.00\r\nPOpening Balance\r\n^\r\n" + year2023},
            {{"--year", "2025"}, "!Type:Bank\r\nD01/01/2025\r\nT89.77\r\nPOpening Balance\r\n^\r\n"},
            {{"--tax-deductible"}, "!Type:Bank\r\n" + deductible}};
        for (const auto& [options, qif] : cases) {
            const ToolRun run =
                runTool(QStringList{"export", "--qif"} + options + QStringList{qt(ledger.path())});
            QCOMPARE(run.status, 0);
            QCOMPARE(run.out, qif);
        }
    }

    // One statement through the tool: a line for each transaction, the counts, the bank's ending balance
    // beside the ledger's cleared one; --dry-run and every refusal store nothing, "-" reads standard
    // input, --account chooses among accounts and a refusal names them; 0 imported, 1 refused, 2 misused.
    void importStatementReports()
    {
        TestLedger ledger;
        ledger.append({dated(makeRow("0", "0", "0", "1000", "Opening"), {2009, 3, 31}),
                       dated(makeRow("50", "0", "0", "950", "Plumber", 101), {2009, 4, 2}),
                       dated(makeRow("42.10", "0", "0", "907.90", "Grocer"), {2009, 4, 3}),
                       dated(makeRow("600", "0", "0", "307.90", "Rent", 102), {2009, 4, 6})});
        const QString path = qt(ledger.path()), ofx = ledger.folder() + "/april.ofx";
        const QByteArray april = QByteArray::fromStdString(
            ofxFile(false, stmt("555", "CHECKING",
                                trn("CHECK", "20090409", "-50.00", "A1", "Check 101", nullptr, "101")
                                    + trn("POS", "20090404", "-42.10", "A2", "Grocer", "Card 1234")
                                    + trn("CHECK", "20090410", "-660.00", "A3", "Check 102", nullptr, "102")
                                    + trn("SRVCHG", "20090430", "-2.50", "A4", "Service charge", "Monthly")
                                    + trn("DEP", "20090415", "1500", "A5", "Salary"),
                                "<BALAMT>1745.40<DTASOF>20090430")));
        writeFile(ofx, april);
        const QByteArray differs =
            "4/10/2009  -$660.00  Check 102  amount differs from row 4 (the ledger says "
            "-$600.00, the statement -$660.00); skipped\n";
        const QByteArray report =
            "4/9/2009  -$50.00  Check 101  matched row 2\n"
            "4/4/2009  -$42.10  Grocer Card 1234  matched row 3\n"
            + differs
            + "4/30/2009  -$2.50  Service charge Monthly  new row 5\n"
              "4/15/2009  $1,500.00  Salary  new row 6\n"
              "2 matched, 2 new, 0 already imported, 1 with another amount than their "
              "row.\nStatement ending balance on 4/30/2009: $1,745.40; cleared balance of "
              "the ledger: $2,405.40.\n";
        const QByteArray unchanged = readFile(path);
        ToolRun run = runTool({"import-statement", ofx, "--dry-run", path});
        QVERIFY2(run.status == 0 && run.err.isEmpty(), qPrintable(run.err));
        QCOMPARE(run.out, report + "Nothing was stored (--dry-run).\n");
        QVERIFY(readFile(path) == unchanged);

        // Refused: nothing stored, one sentence, status 1; misused: one line, status 2.
        const QString card = ledger.folder() + "/card.qfx", csv = ledger.folder() + "/in.csv";
        const QString three = ledger.folder() + "/three.ofx", missing = ledger.folder() + "/none.ofx";
        writeFile(card, QByteArray::fromStdString(ofxFile(true, stmt("4111", "CC", ""))));
        writeFile(csv, csvHeader);
        const auto account = [](const char* id, const char* type) {
            return stmt(id, type, trn("DEP", "20090401", "5", id, "Transfer"));
        };
        writeFile(three, QByteArray::fromStdString(ofxFile(true, account("777", "SAVINGS")
                                                                     + account("888", "MONEYMRKT")
                                                                     + stmt("4111", "CC", ""))));
        const std::pair<QStringList, QString> refusals[] = {
            {{card},
             "The file \"" + card + "\" is a credit-card statement; the ledger keeps one bank account."},
            {{csv}, "The file \"" + csv + "\" is not an OFX or QFX statement that can be read."},
            {{missing}, "The file \"" + missing + "\" could not be opened."},
            {{three},
             "The file \"" + three
                 + "\" holds several bank accounts; choose one: 777 (SAVINGS), 888 (MONEYMRKT)."},
            {{three, "--account", "999"},
             "The file \"" + three
                 + "\" holds no bank account 999; it holds 777 (SAVINGS), 888 (MONEYMRKT)."},
            {{three, "--account", "4111"},
             "The file \"" + three + "\" is a credit-card statement; the ledger keeps one bank account."},
            {{ofx, missing}, "The ledger file \"" + missing + "\" does not exist."}};
        for (const auto& [arguments, sentence] : refusals) {
            run = runTool(
                QStringList{"import-statement"} + arguments
                + (arguments.size() == 2 && arguments[1] == missing ? QStringList{} : QStringList{path}));
            QCOMPARE(run.status, 1);
            QCOMPARE(run.err, sentence + "\n");
            QVERIFY(run.out.isEmpty() && readFile(path) == unchanged);
        }
        for (const QStringList& wrong :
             {QStringList{}, QStringList{ofx, "--account"}, QStringList{ofx, "--account="},
              QStringList{ofx, "--force", path}, QStringList{ofx, path, "more"}}) {
            run = runTool(QStringList{"import-statement"} + wrong);
            QVERIFY2(run.status == 2 && run.err.count('\n') == 1 && run.out.isEmpty(), qPrintable(run.err));
        }
        QVERIFY(readFile(path) == unchanged);

        // From standard input; then the file again: nothing new, the row that differs named again.
        run = runTool({"import-statement", "-", path}, QStringLiteral(LEDGER_TOOL_PATH), april);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(run.out, report);
        run = runTool({"import-statement", ofx, path});
        QCOMPARE(run.out,
                 "4/9/2009  -$50.00  Check 101  already imported\n"
                 "4/4/2009  -$42.10  Grocer Card 1234  already imported\n"
                     + differs
                     + "4/30/2009  -$2.50  Service charge Monthly  already imported\n"
                       "4/15/2009  $1,500.00  Salary  already imported\n"
                       "0 matched, 0 new, 4 already imported, 1 with another amount than their row.\n"
                       "Statement ending balance on 4/30/2009: $1,745.40; cleared balance of the "
                       "ledger: $2,405.40.\n");
        QCOMPARE(qt(markLetters(ledger.path())), QString("yccncc"));

        // The only checking account of several is taken, and said; --account takes another.
        writeFile(three, QByteArray::fromStdString(ofxFile(true, account("777", "SAVINGS")
                                                                     + account("555", "CHECKING")
                                                                     + stmt("4111", "CC", ""))));
        run = runTool({"import-statement", three, "--dry-run", path});
        QVERIFY(run.out.startsWith("Read account 555 (CHECKING), the file's only checking account.\n"
                                   "4/1/2009  $5.00  Transfer  new row 7\n"));
        for (const char* choice : {"--account=777", "--account=777/SAVINGS"}) {
            run = runTool({"import-statement", choice, three, "--dry-run", path});
            QVERIFY(run.status == 0
                    && run.out.startsWith("4/1/2009  $5.00  Transfer  new row 7\n0 matched, 1 new"));
        }
    }

    // A month of checks the user typed, then the bank's statement of that month, which posts them days
    // later in its own order beside a card payment of a check's amount: every check matched, each fee and
    // deposit added once, the cleared balance the statement's. The same file again and the next month's,
    // which overlaps it, add nothing twice.
    void importStatementClearsTheMonth()
    {
        TestLedger ledger;
        std::vector<LedgerRow> typed{dated(makeRow("0", "0", "0", "2000", "Opening"), {2009, 3, 31})};
        std::string posted, overlap;
        Money april = Money::parse("2000");
        for (int k = 1; k <= 15; ++k) {
            const std::string amount = k <= 2 ? "50" : std::to_string(10 * k) + ".25";
            april = april - Money::parse(amount);
            typed.push_back(
                dated(makeRow(amount.c_str(), "0", "0", april.plainText().c_str(), "Check", 200 + k),
                      {2009, 4, k}));
            // Posted three days after it was written, the latest first.
            const std::string check =
                trn("CHECK", ("200904" + std::string(k < 7 ? "0" : "") + std::to_string(k + 3)).c_str(),
                    ("-" + amount).c_str(), ("C" + std::to_string(k)).c_str(), "Check", nullptr,
                    std::to_string(200 + k).c_str());
            posted = check + posted;
            if (k >= 14)
                overlap = check + overlap;
        }
        ledger.append(typed);
        const std::string fees = trn("SRVCHG", "20090430", "-4.95", "F4", "Service charge")
                                 + trn("DEP", "20090430", "1200", "D2", "Payroll");
        posted = trn("POS", "20090402", "-50", "P1", "Hardware")
                 + trn("DEP", "20090415", "1200", "D1", "Payroll") + posted + fees;
        april = april - Money::parse("54.95") + Money::parse("2400");
        const Money may = april + Money::parse("-4.95") + Money::parse("1200") + Money::parse("-17");
        const auto file = [&](const char* name, const std::string& transactions, Money ending,
                              const char* asOf) {
            const QString path = ledger.folder() + name;
            writeFile(path, QByteArray::fromStdString(ofxFile(
                                false, stmt("555", "CHECKING", transactions,
                                            ("<BALAMT>" + ending.plainText() + "<DTASOF>" + asOf).c_str()))));
            return path;
        };
        const QString aprilFile = file("/april.ofx", posted, april, "20090430");
        const QString mayFile =
            file("/may.ofx",
                 overlap + fees + trn("CHECK", "20090504", "-17", "C16", "Check", nullptr, "216")
                     + trn("SRVCHG", "20090531", "-4.95", "F5", "Service charge")
                     + trn("DEP", "20090515", "1200", "D3", "Payroll"),
                 may, "20090531");
        const auto lastLines = [](const QByteArray& out) {
            return out.split('\n').mid(out.count('\n') - 2).join('\n');
        };
        const auto balances = [](Money ending, const char* on) {
            return "Statement ending balance on " + QByteArray(on) + ": "
                   + QByteArray::fromStdString(ending.displayText()) + "; cleared balance of the ledger: "
                   + QByteArray::fromStdString(ending.displayText()) + ".\n";
        };
        ToolRun run = runTool({"import-statement", aprilFile, qt(ledger.path())});
        QCOMPARE(lastLines(run.out),
                 "15 matched, 4 new, 0 already imported, 0 with another amount than their row.\n"
                     + balances(april, "4/30/2009"));
        QVERIFY(run.out.startsWith("4/2/2009  -$50.00  Hardware  new row 17\n"));
        QCOMPARE(qt(markLetters(ledger.path())), "y" + QString(19, 'c'));
        run = runTool({"import-statement", aprilFile, qt(ledger.path())});
        QCOMPARE(lastLines(run.out),
                 "0 matched, 0 new, 19 already imported, 0 with another amount than their row.\n"
                     + balances(april, "4/30/2009"));
        run = runTool({"import-statement", mayFile, qt(ledger.path())});
        QCOMPARE(lastLines(run.out),
                 "0 matched, 3 new, 4 already imported, 0 with another amount than their row.\n"
                     + balances(may, "5/31/2009"));
        run = runTool({"import-statement", mayFile, qt(ledger.path())});
        QVERIFY(run.out.contains("0 matched, 0 new, 7 already imported"));
        const std::vector<LedgerRow> rows = ledger.rows();
        QVERIFY(rows.size() == 23 && balancesFollowRule(rows));
        QCOMPARE(rows.back().balance, may);
    }

    // A command whose standard output cannot be written fails with a sentence; an import (of a CSV file or
    // of a statement) whose report is lost stores nothing.
    void fullStandardOutputFails()
    {
        TestLedger ledger;
        const QString csv = ledger.folder() + "/in.csv";
        writeFile(csv, "number,date,description of transaction,payment / debit,tax deductible,fee,"
                       "deposit / credit,balance\n,,Opening,,,,,5\n");
        const QString path = qt(ledger.path());
        const QString ofx = ledger.folder() + "/in.ofx";
        writeFile(ofx, QByteArray::fromStdString(
                           ofxFile(false, stmt("1", "CHECKING", trn("DEP", "20090401", "5", "Z1", "Gift")))));
        for (const QStringList& arguments :
             {QStringList{"import", csv, path}, QStringList{"import-statement", ofx, path},
              QStringList{"--help"}, QStringList{"export", "--csv", path},
              QStringList{"export", "--qif", path}, QStringList{"check", path},
              QStringList{"check", "--repair", path},
              QStringList{"report", "--register", "--pdf", ledger.folder() + "/r.pdf", path}}) {
            const ToolRun run = runTool(arguments, QStringLiteral(LEDGER_TOOL_PATH), {}, "/dev/full");
            QCOMPARE(run.status, 1);
            QCOMPARE(run.err, QString("Standard output could not be written (No space left on device).\n"));
            if (arguments[0] == "import") // a row the import stored would make two below
                ledger.append({makeRow("0", "0", "0", "7", "Kept")});
        }
        QCOMPARE(ledger.rows().size(), std::size_t(1));
    }

    // Random ledgers with sub-cent amounts: the T amounts add up to the last balance as the grid shows it;
    // every record has one date and ends with "^".
    void qifAddsUpToLastBalance()
    {
        for (std::uint64_t seed = 1; seed <= 8; ++seed) {
            std::mt19937_64 random(seed);
            TestLedger ledger;
            auto rows = randomLedger(random, 1 + int(random() % 30));
            rows.back().date = LedgerDate{2030, 1, 1}; // some row has a date, so none takes today's
            ledger.append(rows);
            const ToolRun run = runTool({"export", "--qif", qt(ledger.path())});
            QCOMPARE(run.status, 0);
            QVERIFY(run.out.startsWith("!Type:Bank\r\n") && run.out.endsWith("^\r\n"));
            QCOMPARE(run.out.count('\r') + run.out.count('\n'), 2 * run.out.count("\r\n"));
            QCOMPARE(run.out.count("\nD"), qsizetype(rows.size()));
            QCOMPARE(run.out.count("^"), qsizetype(rows.size()));
            Money total;
            for (const QByteArray& line : run.out.split('\n'))
                if (line.startsWith('T'))
                    total += Money::parse(line.mid(1).trimmed().toStdString());
            QCOMPARE(total.displayText(), rows.back().balance.displayText());
        }
    }

    // --tax-deductible and --year keep only the rows they name; a field holding a comma, a quote or a
    // line break is quoted, its quotes doubled. An export or a report over the ledger file is refused.
    void exportChoosesRows()
    {
        TestLedger ledger;
        const std::vector<LedgerRow> rows{
            makeRow("0", "0", "0", "100", "Opening"),
            dated(makeRow("1", "0", "0", "99", "A"), {2023, 12, 31}),
            makeRow("1", "0", "0", "98", "B", -1, 1),
            dated(makeRow("1", "0", "0", "97", "C, \"1\"", -1, 1), {2024, 1, 2}),
            makeRow("1", "0", "0", "96", "D\rE", -1, 1)};
        ledger.append(rows);
        const QString path = qt(ledger.path());
        ToolRun run = runTool({"export", "--csv", "--tax-deductible", "--year", "2024", path});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, csvHeader
                              + ",2024-01-02,\"C, \"\"1\"\"\",1,1,0,0,97\r\n"
                                ",,\"D\rE\",1,1,0,0,96\r\n"); // D has C's date

        // Under its own name, a symbolic link's or a hard link's, the ledger is never an output file.
        const QByteArray before = readFile(path);
        const QString symbolic = ledger.folder() + "/symbolic.pdf", hard = ledger.folder() + "/hard.csv";
        QVERIFY(QFile::link(path, symbolic) && ::link(path.toUtf8(), hard.toUtf8()) == 0);
        for (const QString& output : {path, symbolic, hard})
            for (const QStringList& writing : {QStringList{"export", "--csv", "--output", output},
                                               {"report", "--register", "--pdf", output},
                                               {"report", "--reconciliation", "--pdf", output}}) {
                run = runTool(writing + QStringList{path});
                QCOMPARE(run.status, 1);
                QCOMPARE(run.err, "The file \"" + output + "\" is the ledger itself; choose another file.\n");
                QVERIFY(readFile(path) == before);
            }
        QVERIFY(ledger.rows() == rows);
    }

    // A finished statement and a postponed tick: status says where the reconciliation stands, QIF marks
    // the rows C* and CX, CSV keeps eight columns, and check names a statement another program unbalanced.
    // None of them writes to the file.
    void reconciliationStatusQifAndCheck()
    {
        TestLedger ledger;
        ledger.append({dated(makeRow("0", "0", "0", "1000", "Opening"), {2026, 1, 1}),
                       dated(makeRow("100", "0", "0", "900", "Check", 101), {2026, 1, 5}),
                       dated(makeRow("0", "0", "500", "1400", "Deposit"), {2026, 1, 10}),
                       dated(makeRow("0", "2.5", "0", "1397.5", "Fee"), {2026, 1, 20}),
                       dated(makeRow("50", "0", "0", "1347.5", "Later"), {2026, 2, 3})});
        {
            const auto connection = LedgerConnection::open(ledger.path());
            postponeReconciliation(*connection, {4, 5}, {}, {}); // Finish drops what it does not tick
            finishReconciliation(*connection, {2, 3}, {2026, 1, 31}, Money::parse("1400"), {2026, 2, 2}, {});
            appendBalanceAdjustment(*connection, {2026, 1, 31}, Money::parse("-1.25"), {});
            postponeReconciliation(*connection, {4, 1029}, {}, {});
            const ReconciliationView view = readReconciliation(*connection);
            QCOMPARE(view.listed(LedgerDate{2026, 1, 25}, false).size(), std::size_t(1));
            QCOMPARE(view.listed(LedgerDate{2026, 1, 25}, true).size(), std::size_t(3));
        }
        const QByteArray file = readFile(qt(ledger.path()));
        ToolRun run = runTool({"status", qt(ledger.path())});
        QCOMPARE(run.out, QByteArray("Last statement: 1/31/2026\nLast statement ending balance: $1,400.00\n"
                                     "Starting balance: $1,400.00\nCleared rows: 2\nCleared amount: -$3.75\n"
                                     "Cleared balance: $1,396.25\nRows not cleared: 1\n"
                                     "Register balance: $1,346.25\n"));
        run = runTool({"export", "--qif", qt(ledger.path())});
        QCOMPARE(run.out.count("\r\nCX\r\n"), 3);
        QVERIFY(run.out.contains("D01/20/2026\r\nT-2.50\r\nC*\r\nPFee\r\n") && run.out.count("\r\nC") == 5);
        run = runTool({"export", "--csv", qt(ledger.path())});
        QVERIFY(run.out.startsWith(csvHeader)
                && run.out.endsWith(",2026-01-31,Balance adjustment,1.25,0,0,0,1346.25\r\n"));
        QCOMPARE(runTool({"check", qt(ledger.path())}).out, QByteArray("The ledger is sound.\n"));
        const QString pdf = ledger.folder() + "/reconciliation.pdf";
        QCOMPARE(runTool({"report", "--reconciliation", "--pdf", pdf, qt(ledger.path())}).status, 0);
        const QString text = pdfText(pdf); // the fee and the adjustment are outstanding at 1/31
        QVERIFY2(text.contains("Statement of 1/31/2026") && text.contains("Register balance at 1/31/2026"),
                 qPrintable(text));
        QCOMPARE(amountsIn(text),
                 (QStringList{"$1,400.00", "$0.00", "$2.50", "$1.25", "$3.75", "$1,396.25", "$1,396.25"}));
        run = runTool(
            {"report", "--reconciliation", "--statement", "1/30/2026", "--pdf", pdf, qt(ledger.path())});
        QVERIFY(run.status == 1 && run.err == "No statement of 1/30/2026 was finished.\n");
        QCOMPARE(readFile(qt(ledger.path())), file);
        // A later statement takes the rest: at 1/31 they were still outstanding, at 2/28 nothing is.
        finishReconciliation(*LedgerConnection::open(ledger.path()), {4, 5, 1029}, {2026, 2, 28},
                             Money::parse("1346.25"), {2026, 3, 2}, {});
        for (const char* date : {"2026-01-31", ""}) {
            runTool(QStringList{"report", "--reconciliation", "--pdf", pdf, qt(ledger.path())}
                    + (*date ? QStringList{"--statement", date} : QStringList{}));
            QCOMPARE(amountsIn(pdfText(pdf)),
                     *date ? (QStringList{"$1,400.00", "$0.00", "$2.50", "$1.25", "$3.75", "$1,396.25",
                                          "$1,396.25"})
                           : (QStringList{"$1,346.25", "$0.00", "$0.00", "$1,346.25", "$1,346.25"}));
        }

        ledger.exec("UPDATE Ledger SET \"payment / debit\" = 900000 WHERE rowid = 2");
        run = runTool({"check", qt(ledger.path())});
        QCOMPARE(run.status, 1);
        QVERIFY2(
            run.out.endsWith("Reconciliation: 1 mark is tied to no row: the row is gone or was changed by "
                             "another program.\nReconciliation: the statement of 1/31/2026 no longer "
                             "balances: its starting balance $1,000.00 and its rows $500.00 make "
                             "$1,500.00, not its ending balance $1,400.00.\n"),
            run.out.constData());
        QVERIFY(runTool({"status", qt(ledger.path())})
                    .out.endsWith("Marks dropped: 1\nStatement no longer balancing: 1/31/2026\n"));
    }
    // A balance planted wrong is found (it and the next row break the rule), --repair mends it and says
    // what it rewrote. Values written past the table's constraints are named by row, and stop an export
    // at their row, leaving the file it would have replaced as it was.
    void checkFindsAndRepairsBalances()
    {
        TestLedger ledger;
        ledger.append({makeRow("0", "0", "0", "100", "Opening"), makeRow("10", "0", "0", "90"),
                       makeRow("0", "1", "0", "89"), makeRow("0", "0", "11", "100")});
        QCOMPARE(runTool({"check", qt(ledger.path())}).out, QByteArray("The ledger is sound.\n"));
        ledger.exec("UPDATE Ledger SET balance = 0 WHERE rowid = 2");
        ToolRun run = runTool({"check", qt(ledger.path())});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out, QByteArray("Row 2: balance 0 where the rule gives 90.\n"
                                     "Row 3: balance 89 where the rule gives -1.\n"
                                     "2 rows break the running-balance rule.\n"));
        run = runTool({"check", "--repair", qt(ledger.path())});
        QCOMPARE(run.status, 0);
        QVERIFY(
            run.out.endsWith("Repaired: 1 balance was recomputed from the first row's balance and rewritten; "
                             "the first is row 2, 0 before and 90 now.\nThe ledger is sound.\n"));
        QCOMPARE(ledger.rows()[1].balance, Money::parse("90"));
        QCOMPARE(runTool({"check", qt(ledger.path())}).status, 0);

        // One value the table cannot hold is not repaired, as several are not, and nothing is written.
        ledger.exec(
            "PRAGMA ignore_check_constraints = 1; UPDATE Ledger SET \"tax deductible\" = 2 WHERE rowid = 2");
        const QByteArray oneBad = readFile(qt(ledger.path()));
        run = runTool({"check", "--repair", qt(ledger.path())});
        QVERIFY(run.status == 1 && run.out.contains("Not repaired: only the balances of a sound file"));
        QVERIFY(readFile(qt(ledger.path())) == oneBad);
        ledger.exec(
            "PRAGMA ignore_check_constraints = 1;"
            "UPDATE Ledger SET \"date\" = '2024-02-30', \"description of transaction\" = printf('%256s', '') "
            "WHERE rowid = 4");
        run = runTool({"check", qt(ledger.path())});
        QCOMPARE(run.status, 1);
        QCOMPARE(
            run.out,
            QByteArray("Integrity check: CHECK constraint failed in Ledger\n"
                       "Integrity check: CHECK constraint failed in Ledger\n"
                       "Row 2: its \"tax deductible\" is 2 instead of 0 or 1.\n"
                       "Row 4: its \"date\" is not a calendar day written yyyy-mm-dd, its \"description of "
                       "transaction\" is longer than 255 characters.\n"
                       "2 rows hold values the ledger cannot hold.\n"));
        const QByteArray twoBad = readFile(qt(ledger.path()));
        QCOMPARE(runTool({"check", "--repair", qt(ledger.path())}).status, 1);
        QVERIFY(readFile(qt(ledger.path())) == twoBad);
        const QString csv = ledger.folder() + "/out.csv";
        writeFile(csv, "earlier export");
        run = runTool({"export", "--csv", "--output", csv, qt(ledger.path())});
        QCOMPARE(run.status, 1);
        QVERIFY2(
            run.err.startsWith("Row 2 of the ledger is not in the form Tallowick Balance writes: its \"tax "
                               "deductible\" is 2 instead of 0 or 1."),
            qPrintable(run.err));
        QCOMPARE(QDir(ledger.folder()).entryList({"out.csv*"}, QDir::Files), QStringList{"out.csv"});
        QCOMPARE(readFile(csv), QByteArray("earlier export"));
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
    // to its closing balance. A folder that is missing writes nothing.
    void reportWritesPdf()
    {
        TestLedger ledger;
        ledger.append({makeRow("0", "0", "0", "1000", "Opening"),
                       dated(makeRow("12.5", "0.25", "0", "987.25", "Doctor", 7, 1), {2024, 3, 1}),
                       dated(makeRow("1000", "0", "0", "-12.75", "Rent"), {2024, 4, 2}),
                       makeRow("3", "0", "0", "-15.75", "Gift", -1, 1),
                       dated(makeRow("7", "0", "0", "-22.75", "Next year", -1, 1), {2025, 1, 10})});
        const QString pdf = ledger.folder() + "/tax.pdf";
        ToolRun run =
            runTool({"report", "--tax-deductible", "--year", "2024", "--pdf", pdf, qt(ledger.path())});
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

        run =
            runTool({"report", "--register", "--pdf", ledger.folder() + "/missing/r.pdf", qt(ledger.path())});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err, "The file \"" + ledger.folder()
                              + "/missing/r.pdf\" could not be written (No such file or directory).\n");
        QCOMPARE(QDir(ledger.folder()).entryList({"*.pdf"}, QDir::Files | QDir::Hidden),
                 QStringList{"tax.pdf"});

        TestLedger late; // a row typed out of date order: the page says once why balances are its own
        late.append({dated(makeRow("0", "0", "1000", "1000", "Opening"), {2024, 1, 2}),
                     dated(makeRow("100", "0", "0", "900", "Late"), {2023, 12, 31})});
        QCOMPARE(runTool({"report", "--register", "--year", "2024", "--pdf", pdf, qt(late.path())}).status,
                 0);
        text = pdfText(pdf);
        QCOMPARE(text.count("Balances are computed for this period because rows are out of date order."), 1);
        QVERIFY2(text.contains("-$100.00") && text.contains("$900.00"), qPrintable(text));
    }

    // --help, usage errors (one line, status 2), refused files (the store's sentence, status 1), the ledger
    // beside the program, and nothing created: no ledger, no report.
    void commandLineContract()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath("none.mdb"), pdf = dir.filePath("r.pdf");
        ToolRun run = runTool({"--help"});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.startsWith("usage: tallowick-ledger COMMAND"));
        for (const QStringList& wrong :
             {QStringList{}, QStringList{"export"}, QStringList{"export", "--csv", "--qif"},
              QStringList{"export", "--csv", "--year", "24"}, QStringList{"import"},
              QStringList{"export", "--qif", "--output"}, QStringList{"check", "--force"},
              QStringList{"check", "a", "b"}, QStringList{"merge"}, QStringList{"report", "--pdf", pdf},
              QStringList{"report", "--register"},
              QStringList{"report", "--register", "--tax-deductible", "--pdf", pdf},
              QStringList{"report", "--register", "--year", "2024", "--from", "1/1/2024", "--pdf", pdf},
              QStringList{"report", "--register", "--from", "2/30/2024", "--pdf", pdf},
              QStringList{"report", "--register", "--from", "5/1/2024", "--to", "4/1/2024", "--pdf", pdf},
              QStringList{"report", "--register", "--pdf", pdf, "a", "b"}}) {
            run = runTool(wrong);
            QVERIFY2(run.status == 2 && run.err.count('\n') == 1 && run.out.isEmpty(),
                     qPrintable(wrong.join(' ')));
        }
        for (const QStringList& refused :
             {QStringList{"export", "--qif", missing}, QStringList{"check", missing},
              QStringList{"import", dir.filePath("in.csv"), missing},
              QStringList{"report", "--register", "--pdf", pdf, missing}}) {
            run = runTool(refused);
            QCOMPARE(run.status, 1);
            QCOMPARE(run.err, "The ledger file \"" + missing + "\" does not exist.\n");
        }
        writeFile(dir.filePath("junk.mdb"), "not a database at all, not even close to one.");
        QCOMPARE(runTool({"check", dir.filePath("junk.mdb")}).err,
                 QString("The ledger file is not a ledger database.\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"junk.mdb"});
        QCOMPARE(runTool({"--help"}, QStringLiteral(CREATE_LEDGER_PATH)).status, 2);
        QVERIFY(!QFile::exists("--help"));

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
