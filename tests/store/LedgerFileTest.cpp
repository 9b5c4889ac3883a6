// The store over a real ledger file: cursor, opening and creating files, multi-row writers, page reader.
#include "InsertRow.h"
#include "LedgerPageReader.h"
#include "LedgerChanges.h"
#include "Reconciliation.h"
#include "RecomputeBalances.h"
#include "StoreTestSupport.h"
#include "TestLedger.h"
#include <QFile>
#include <functional>
#include <sys/stat.h>
using namespace tallowick::test;

static std::vector<LedgerRow> numberedRows(std::int64_t first, std::int64_t last)
{
    std::vector<LedgerRow> rows;
    for (std::int64_t k = first; k <= last; ++k)
        rows.push_back({k, std::nullopt, "row " + std::to_string(k), units(k * 100), int(k % 2), units(k % 7),
                        units((k % 3) * 5000), units(1'000'000 - k)});
    return rows;
}
// As the windows add a row: plain texts, capital names.
static void addRow(RecordCursor& cursor, const LedgerRow& row)
{
    cursor.AddNew();
    for (LedgerColumn column : kAllColumns)
        cursor.SetField(QString::fromUtf8(columnName(column)).toUpper().toStdString(),
                        plainFieldText(row, column));
    cursor.Update();
}

class LedgerFileTest : public QObject {
    Q_OBJECT
private slots:
    void cursorReadsAndWrites()
    {
        TestLedger ledger;
        RecordCursor cursor(ledger.path());
        cursor.MoveLast();
        QVERIFY(cursor.IsBOF() && cursor.IsEOF() && cursor.RecordCount() == 0);
        REFUSES(cursor.Edit(), Kind::NoCurrentRow);
        std::vector<LedgerRow> rows = numberedRows(1, 5); // appended in order; empty text holds no value
        rows[1].date = LedgerDate{2004, 2, 29};
        rows[3].description.reset();
        for (const LedgerRow& row : rows)
            addRow(cursor, row);
        QCOMPARE(ledger.rows(), rows);
        // {First/Last/Next/Previous/Move n/Rowid n, row at}: 0 is BOF, 6 is EOF, -1 a refused move.
        const std::tuple<char, std::int64_t, std::int64_t> moves[] = {
            {'F', 0, 1},         {'M', 4, 5},    {'N', 0, 6},    {'N', 0, -1}, {'P', 0, 5},
            {'M', -4, 1},        {'P', 0, 0},    {'P', 0, -1},   {'N', 0, 1},  {'M', 2, 3},
            {'M', -1, 2},        {'M', 0, 2},    {'M', 3, 5},    {'M', 1, 6},  {'L', 0, 5},
            {'M', -5, 0},        {'M', 1000, 6}, {'R', 3072, 3}, {'F', 0, 1},  {'M', INT64_MIN, 0},
            {'M', INT64_MAX, 6}, {'L', 0, 5},    {'P', 0, 4}};
        for (const auto& [move, n, at] : moves) {
            try {
                move == 'F'   ? cursor.MoveFirst()
                : move == 'L' ? cursor.MoveLast()
                : move == 'N' ? cursor.MoveNext()
                : move == 'P' ? cursor.MovePrevious()
                : move == 'R' ? cursor.MoveToRowid(n)
                              : cursor.Move(n);
                QVERIFY(at >= 0 && cursor.IsBOF() == (at == 0) && cursor.IsEOF() == (at == 6));
                QVERIFY(at % 6 == 0 || (cursor.AbsolutePosition() == at && cursor.CurrentRow().number == at));
            } catch (const StoreError& error) {
                QVERIFY(at < 0 && error.kind() == Kind::NoCurrentRow);
            }
        }
        cursor.AddNew(); // refused values throw at once and store nothing
        REFUSES(cursor.SetField("date", "2/30/2004"), Kind::BadDate);
        REFUSES(cursor.SetField("tax deductible", "2"), Kind::BadNumber);
        REFUSES(cursor.SetField("payment", "1"), Kind::UnknownColumn);
        REFUSES(cursor.Update(), Kind::BadAmount);
        cursor.CancelUpdate();
        QCOMPARE(ledger.rows(), rows);
        cursor.Move(-1); // Edit changes row 3 in place; column names ignore letter case
        cursor.Edit();
        cursor.SetField("Payment / Debit", "50");
        cursor.SetFieldEmpty("NUMBER");
        cursor.Update();
        rows[2].payment = units(500000);
        rows[2].number.reset();
        QVERIFY(cursor.AbsolutePosition() == 3 && cursor.FieldText("PAYMENT / debit") == "50");
        QCOMPARE(ledger.rows(), rows);
        cursor.Delete(); // the later rows move up one position
        REFUSES(cursor.CurrentRow(), Kind::NoCurrentRow);
        cursor.MoveNext();
        QVERIFY(cursor.CurrentRow().number == 4 && cursor.AbsolutePosition() == 3);
        rows.erase(rows.begin() + 2);
        QCOMPARE(ledger.rows(), rows);
        // A file that cannot grow any more is a full disk to the store.
        execute(cursor.connection().db(), "PRAGMA max_page_count = 1");
        try {
            for (int k = 0; k < 200; ++k)
                addRow(cursor, rows[0]);
            QFAIL("the file grew");
        } catch (const StoreError& error) {
            QCOMPARE(std::string(error.what()), "The disk is full, so the change cannot be saved.");
        }
    }
    // What is not a ledger is refused with a sentence naming the problem; nothing is created or changed.
    void openingAndCreatingFiles()
    {
        TestLedger noTable, noFee;
        noTable.exec("DROP TABLE Ledger");
        noFee.exec("ALTER TABLE Ledger DROP COLUMN fee");
        const QByteArray notes = QByteArray("Rent 900\n").repeated(500);
        QFile text(noTable.folder() + "/notes.mdb");
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write(notes) && text.flush());
        const std::string missing = noTable.folder().toStdString() + "/missing.mdb";
        const std::tuple<std::string, Kind, const char*> cases[] = {
            {missing, Kind::MissingFile, "does not exist"},
            {text.fileName().toStdString(), Kind::NotALedger, "not a ledger"},
            {noTable.path(), Kind::NotALedger, "no Ledger table"},
            {noFee.path(), Kind::NotALedger, "no column \"fee\""}};
        for (const auto& [path, kind, wording] : cases) {
            try {
                RecordCursor cursor(path);
                QFAIL(path.c_str());
            } catch (const StoreError& error) {
                QVERIFY(error.kind() == kind && std::string(error.what()).find(wording) != std::string::npos);
            }
        }
        QVERIFY(!QFile::exists(QString::fromStdString(missing)));
        const mode_t previous = ::umask(0); // a new ledger is for its owner only and never replaces a file
        createLedgerFile(missing);
        ::umask(previous);
        struct stat info {};
        QVERIFY(::stat(missing.c_str(), &info) == 0 && (info.st_mode & 07777) == 0600);
        QCOMPARE(RecordCursor(missing).RecordCount(), 0LL);
        REFUSES(createLedgerFile(text.fileName().toStdString()), Kind::Engine);
        text.close();
        QVERIFY(text.open(QIODevice::ReadOnly) && text.readAll() == notes);
    }
    // The table itself refuses what the program never writes, whoever writes it: {values, accepted}.
    void tableRefusesBadRows()
    {
        TestLedger ledger;
        auto connection = LedgerConnection::open(ledger.path());
        const std::pair<const char*, bool> rows[] = {
            {"NULL, NULL, NULL, 0, 0, 0, 0, 0", true},
            {"1, '2004-02-29', substr(hex(zeroblob(255)), 1, 255), 0, 1, 0, 0, 0", true},
            {"1, '0001-01-01', 'x', 0, 0, 0, 0, 0", true},
            {"1, '0000-01-01', 'x', 0, 0, 0, 0, 0", false},
            {"1, '2004-02-30', 'x', 0, 0, 0, 0, 0", false},
            {"1, '2004-3-7', 'x', 0, 0, 0, 0, 0", false},
            {"1, NULL, substr(hex(zeroblob(256)), 1, 256), 0, 0, 0, 0, 0", false},
            {"1, NULL, 'x', 0, 2, 0, 0, 0", false},
            {"1, NULL, 'x', NULL, 0, 0, 0, 0", false},
            {"1, NULL, 'x', 0, NULL, 0, 0, 0", false},
            {"1, NULL, 'x', 0, 0, NULL, 0, 0", false},
            {"1, NULL, 'x', 0, 0, 0, NULL, 0", false},
            {"1, NULL, 'x', 0, 0, 0, 0, NULL", false}};
        for (const auto& [values, accepted] : rows) {
            const std::string sql = std::string("INSERT INTO Ledger VALUES (") + values + ")";
            const int rc = sqlite3_exec(connection->db(), sql.c_str(), nullptr, nullptr, nullptr);
            QVERIFY2((rc & 0xFF) == (accepted ? SQLITE_OK : SQLITE_CONSTRAINT), values);
        }
    }
    void recomputeBalances()
    {
        TestLedger ledger;
        RecordCursor cursor(ledger.path());
        RecomputeBalances(cursor);
        // The first row keeps its balance even where its amounts do not add up.
        ledger.append({makeRow("5", "1", "2", "1000"), makeRow("100", "0", "0", "0"),
                       makeRow("0", "2.5", "10.0001", "0"), makeRow("2000.3333", "0.0001", "0", "0")});
        RecomputeBalances(cursor);
        std::vector<LedgerRow> before = ledger.rows();
        QVERIFY(balancesFollowRule(before) && before[0].balance == units(10'000'000));
        QCOMPARE(before[3].balance, Money::parse("-1092.8333"));
        ledger.exec(
            "CREATE TRIGGER fail BEFORE UPDATE ON Ledger BEGIN SELECT RAISE(ABORT, 'disk full'); END");
        RecomputeBalances(cursor); // right balances are not written; a failing write changes nothing
        ledger.append(numberedRows(1, 3));
        before = ledger.rows();
        REFUSES(RecomputeBalances(cursor), Kind::Engine);
        QVERIFY(ledger.rows() == before && cursor.connection().transactionDepth() == 0);
        ledger.exec("DROP TRIGGER fail");
        RecomputeBalances(cursor);
        QVERIFY(balancesFollowRule(ledger.rows()));
        // An overflow after the first chunk is written.
        std::vector<LedgerRow> more(6'000, makeRow("0", "0", "1", "0"));
        more[5'000].deposit = units(INT64_MAX - 20'000'000);
        ledger.append(more);
        before = ledger.rows();
        REFUSES(RecomputeBalances(cursor), Kind::Overflow);
        QVERIFY(ledger.rows() == before);
    }
    // Random deletes, insertions and appends against a model, on packed rowids and on rows AddNew
    // spaced apart.
    void insertPlaceholder()
    {
        for (bool packed : {true, false}) {
            TestLedger ledger;
            RecordCursor cursor(ledger.path());
            std::vector<LedgerRow> rows = numberedRows(1, 20);
            for (const LedgerRow& row : rows)
                packed ? ledger.append({row}) : addRow(cursor, row);
            std::mt19937 random(4242);
            for (int step = 0; step < 200 && !QTest::currentTestFailed(); ++step) {
                // Half of the insertions go after the first row, until the room there runs out.
                const std::int64_t position = random() % 2 ? 1 : 1 + std::int64_t(random() % rows.size());
                switch (rows.size() < 2 ? 3 : random() % 4) {
                case 0:
                    ledger.exec("DELETE FROM Ledger WHERE rowid = (SELECT rowid FROM Ledger ORDER BY rowid "
                                "LIMIT 1 OFFSET "
                                + std::to_string(position - 1) + ")");
                    rows.erase(rows.begin() + (position - 1));
                    break;
                case 1:
                case 2:
                    InsertPlaceholderAfter(cursor, position);
                    rows.insert(rows.begin() + position, placeholderRow());
                    break;
                default:
                    rows.push_back(numberedRows(1000 + step, 1000 + step)[0]);
                    packed ? ledger.append({rows.back()}) : addRow(cursor, rows.back());
                }
                QVERIFY2(ledger.rows() == rows, packed ? "packed" : "spaced");
            }
            for (std::int64_t position :
                 {std::int64_t(0), std::int64_t(rows.size() + 1), INT64_MIN, INT64_MAX})
                REFUSES(InsertPlaceholderAfter(cursor, position), Kind::NoCurrentRow);
            // A failing write, after rows have moved or not, changes nothing.
            ledger.exec(
                "CREATE TRIGGER fail BEFORE INSERT ON Ledger BEGIN SELECT RAISE(ABORT, 'disk full'); END");
            REFUSES(InsertPlaceholderAfter(cursor, 1), Kind::Engine);
            QVERIFY(ledger.rows() == rows);
        }
        QCOMPARE(*placeholderRow().description, std::string("INSERTED ROW"));
    }
    // Marks follow their rows through our own moves and another program's VACUUM, and never land on
    // another transaction: a mark whose row another program changed or deleted is dropped and reported.
    void marksFollowTheirRows()
    {
        TestLedger ledger;
        ledger.append(paymentRows(10)); // packed rowids 1 .. 10: an insertion walks
        RecordCursor cursor(ledger.path());
        LedgerConnection& connection = cursor.connection();
        const auto tables = [&] { return storedMarks(ledger.path()).join(';'); };
        QCOMPARE(markLetters(ledger.path()), "ynnnnnnnnn");
        QVERIFY(tables().startsWith("error: no such table")); // nothing added until a change needs it
        REFUSES(
            finishReconciliation(connection, {2, 3}, {2026, 1, 31}, Money::parse("997"), {2026, 2, 3}, {}),
            Kind::BadAmount);
        QVERIFY(tables().startsWith("error: no such table"));
        finishReconciliation(connection, {2, 3}, {2026, 1, 31}, Money::parse("998"), {2026, 2, 3}, {});
        REFUSES(finishReconciliation(connection, {1}, {2026, 2, 1}, Money::parse("998"), {2026, 2, 3}, {}),
                Kind::Engine); // the anchor counts as reconciled
        const std::uint32_t seen = *readReconciliation(connection).counter;
        postponeReconciliation(connection, {5, 7, 8}, {LedgerDate{2026, 2, 28}, Money::parse("990")}, seen);
        REFUSES(postponeReconciliation(connection, {5}, {}, seen), Kind::Engine); // an older view
        QCOMPARE(markLetters(ledger.path()), "yyyncnccnn");
        InsertPlaceholderAfter(cursor, 4);
        QCOMPARE(markLetters(ledger.path()), "yyynncnccnn");
        // The editor's Update keeps a mark while the date and amounts stay, Delete takes it along.
        for (const char* column : {"Description of Transaction", "Fee"}) {
            cursor.MoveFirst();
            cursor.Move(column[0] == 'D' ? 5 : 8);
            cursor.Edit();
            cursor.SetField(column, "5");
            UpdateAndRebalance(cursor);
        }
        QCOMPARE(markLetters(ledger.path()), "yyynncncnnn");
        DeleteAndRebalance(cursor, 8);
        QCOMPARE(markLetters(ledger.path()), "yyynncnnnn");
        QCOMPARE(auditReconciliation(connection).untiedMarks, 0); // no mark left without its row, or stale
        postponeReconciliation(connection, {4, 6, 1034}, {}, {});
        const ReconciliationView clean = readReconciliation(connection);
        QVERIFY(!clean.check.checked && clean.check.unbalanced.empty() && clean.unreconciled.size() == 7);
        QCOMPARE(clean.startingBalance(), Money::parse("998"));
        QCOMPARE(markLetters(ledger.path()), "yyycncnnnc");

        // Another program rewrites a reconciled row's amount, deletes a cleared row, and vacuums.
        ledger.exec("UPDATE Ledger SET \"payment / debit\" = 20000 WHERE rowid = 2");
        ledger.exec("DELETE FROM Ledger WHERE rowid = 4; VACUUM");
        const QStringList before = storedMarks(ledger.path());
        QCOMPARE(markLetters(ledger.path()), "ynyncnnnc"); // checked in memory only
        const ReconciliationView view = readReconciliation(connection);
        QVERIFY(view.check.checked && view.check.dropped == 2
                && view.check.unbalanced == std::vector<std::int64_t>{1});
        QCOMPARE(storedMarks(ledger.path()), before);
        addRow(cursor, paymentRows(2)[1]); // a change stores what the check found
        QCOMPARE(markLetters(ledger.path()), "ynyncnnncn");
        const ReconcileAudit audit = auditReconciliation(connection);
        QVERIFY(!readReconciliation(connection).check.checked && audit.untiedMarks == 0);
        QCOMPARE(readReconciliation(connection).check.dropped, 2);
        QVERIFY(audit.firstUnbalanced && audit.firstUnbalanced->id == 1);
        QCOMPARE(audit.unbalancedSum, Money::parse("-1"));
        // Their VACUUM alone moves every mark after a deleted row, and drops none.
        ledger.exec("DELETE FROM Ledger WHERE rowid = 4; VACUUM");
        addRow(cursor, paymentRows(2)[1]);
        QCOMPARE(markLetters(ledger.path()), "ynycnnncnn");
        QCOMPARE(readReconciliation(connection).check.dropped, 2);
    }
    void pagesAreReadByPosition() // after holes, an insertion and an append, once told the table changed
    {
        TestLedger ledger;
        ledger.append(numberedRows(1, 3'000));
        LedgerPageReader reader(ledger.path());
        QCOMPARE(reader.readRows(2'990, 50), numberedRows(2'990, 3'000));
        ledger.exec("DELETE FROM Ledger WHERE number IN (1, 1500, 1501, 2000, 3000)");
        RecordCursor cursor(ledger.path());
        InsertPlaceholderAfter(cursor, 1'000);
        addRow(cursor, numberedRows(5'000, 5'000)[0]);
        reader.reread();
        const std::vector<LedgerRow> table = ledger.rows();
        QCOMPARE(reader.rowCount(), (long long)table.size());
        std::mt19937 random(777);
        for (int k = 0; k < 300; ++k) {
            const auto position =
                std::size_t(k < 3 ? std::array{1, 1'498, 2'996}[k] : 1 + random() % table.size());
            const std::size_t count = 1 + random() % 60, end = std::min(table.size(), position - 1 + count);
            QVERIFY(reader.readRows(position, int(count))
                    == std::vector(&table[position - 1], table.data() + end));
        }
        QVERIFY(reader.readRows(0, 5).empty() && reader.readRows(2'998, 5).empty());
    }
    // What another program wrote is refused, as a table when the ledger opens or as a bad row when it is
    // read, in a sentence that names the fault; the file keeps every byte. The rowids are packed, so an
    // insertion after row 1 would rewrite every later row.
    void foreignTablesAndRowsAreRefusedUntouched()
    {
        const auto table = [](const char* feeType, const char* strict, const std::string& laterRows) {
            const std::string columns =
                "\"number\" INTEGER, \"date\" TEXT, \"description of transaction\" TEXT, "
                "\"payment / debit\" INTEGER, \"tax deductible\" INTEGER, fee ";
            return "DROP TABLE Ledger; CREATE TABLE Ledger (" + columns + feeType
                   + ", \"deposit / credit\" INTEGER, balance INTEGER)" + strict
                   + "; INSERT INTO Ledger VALUES (NULL, NULL, 'Initial Balance', 0, 0, 0, 0, 10000000), "
                   + laterRows;
        };
        const auto rent = [](const char* date, const char* flag, const char* fee) {
            return std::string("(101, ") + date + ", 'Rent', 1000000, " + flag + ", " + fee + ", 0, 9000000)";
        };
        // Reading the second row, a page, inserting after row 1, recomputing (it reads only amounts).
        const std::function<void(const std::string&)> readings[] = {
            [](const std::string& path) {
                RecordCursor cursor(path);
                cursor.MoveNext();
                cursor.CurrentRow();
            },
            [](const std::string& path) { LedgerPageReader(path).readRows(1, 3); },
            [](const std::string& path) {
                RecordCursor cursor(path);
                InsertPlaceholderAfter(cursor, 1);
            },
            [](const std::string& path) {
                RecordCursor cursor(path);
                RecomputeBalances(cursor);
            }};
        // {table, wording, whether the recomputation meets the fault}
        const std::tuple<std::string, const char*, bool> cases[] = {
            {table("INTEGER", "", rent("'2024-01-05'", "0", "12.5") + ",('', NULL, 'Fee', 0, 0, '$1', 0, 9)"),
             "it is not a STRICT table", true},
            {table("REAL", " STRICT", rent("'2024-01-05'", "0", "0")),
             "its column \"fee\" is declared REAL instead of INTEGER", true},
            {table("INTEGER", " STRICT", rent("'2024-01-05'", "0", "NULL")),
             "its \"fee\" is NULL instead of INTEGER", true},
            {table("INTEGER", " STRICT", rent("'2024-01-05'", "2", "0")),
             "its \"tax deductible\" is 2 instead of 0 or 1", false},
            {table("INTEGER", " STRICT", rent("'1/5/2024'", "0", "0")),
             "its \"date\" is not a calendar day written yyyy-mm-dd", false}};
        for (const auto& [sql, wording, amounts] : cases) {
            TestLedger ledger;
            ledger.exec(sql);
            QFile file(QString::fromStdString(ledger.path()));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray before = file.readAll();
            for (std::size_t reading = 0; reading < (amounts ? 4 : 3); ++reading) {
                try {
                    readings[reading](ledger.path());
                    QFAIL(wording);
                } catch (const StoreError& error) {
                    const std::string sentence = error.what();
                    QVERIFY2(error.kind() == Kind::NotALedger && sentence.find(wording) != std::string::npos
                                 && sentence.find("\"tallowick-ledger import\"") != std::string::npos,
                             error.what());
                }
            }
            QVERIFY(file.seek(0));
            QVERIFY2(file.readAll() == before, wording);
        }
    }
};

QTEST_GUILESS_MAIN(LedgerFileTest)
#include "LedgerFileTest.moc"
