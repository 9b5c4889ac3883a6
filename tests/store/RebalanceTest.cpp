// The multi-row writers of the store: recomputing the running balances,
// inserting the placeholder row, and reading pages for the grid. Each is
// checked against the table read back from the file, failures included.
#include "InsertRow.h"
#include "LedgerFile.h"
#include "LedgerPageReader.h"
#include "RecomputeBalances.h"
#include "RecordCursor.h"
#include "RowCodec.h"
#include "StoreError.h"
#include "StoreTestSupport.h"
#include "TestLedger.h"

#include <QTest>

#include <limits>
#include <random>

using namespace tallowick;
using namespace tallowick::test;
using Kind = StoreError::Kind;

namespace {

// Refuses to update the row numbered n, the way a full disk would.
std::string failingUpdateOfNumber(std::int64_t n)
{
    return "CREATE TRIGGER fail BEFORE UPDATE ON Ledger WHEN old.number = " + std::to_string(n)
         + " BEGIN SELECT RAISE(ABORT, 'disk is full'); END";
}

// Rows stored under the rowids 1, 2, 3 ...: no room between neighbours, so
// an insertion has to move the later rows.
void appendPacked(TestLedger& ledger, const std::vector<LedgerRow>& rows)
{
    auto connection = LedgerConnection::open(ledger.path());
    Transaction transaction(*connection);
    Statement maxRowid(connection->db(), "SELECT coalesce(max(rowid), 0) FROM Ledger");
    maxRowid.step();
    std::int64_t rowid = maxRowid.integer(0);
    maxRowid.reset();
    Statement insert(connection->db(),
                     std::string("INSERT INTO Ledger (rowid, ") + kRowColumnsSql + ") VALUES (?9, ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    for (const LedgerRow& row : rows) {
        bindRow(insert, row, 1);
        insert.bind(9, ++rowid);
        insert.run();
    }
    transaction.commit();
}

// Adds a row the way the windows do, through the cursor's AddNew.
void addThroughCursor(RecordCursor& cursor, const LedgerRow& row)
{
    cursor.AddNew();
    for (LedgerColumn column : kAllColumns)
        cursor.SetField(columnName(column), plainFieldText(row, column));
    cursor.Update();
}

} // namespace

class RebalanceTest : public QObject {
    Q_OBJECT

private slots:
    void recomputeFollowsTheRunningBalanceRule()
    {
        TestLedger ledger;
        ledger.append(makeRow("0", "0", "0", "1000", "Initial Balance"));
        ledger.append(makeRow("100", "0", "0", "0", "Groceries", 1001));
        RecordCursor cursor(ledger.path());
        RecomputeBalances(cursor);
        QCOMPARE(ledger.rows()[1].balance, Money::parse("900"));

        // Editing the payment to 50 and recomputing.
        cursor.MoveFirst();
        cursor.Move(1);
        cursor.Edit();
        cursor.SetField("Payment / Debit", "50");
        cursor.Update();
        RecomputeBalances(cursor);
        std::vector<LedgerRow> rows = ledger.rows();
        QCOMPARE(rows[0].balance, Money::parse("1000"));
        QCOMPARE(rows[1].balance, Money::parse("950"));

        // Fees, deposits and four decimals, all exact.
        ledger.append(makeRow("0", "2.5", "10.0001", "0"));
        ledger.append(makeRow("0.3333", "0.0001", "0", "0"));
        ledger.append(makeRow("2000", "0", "0", "0"));
        RecomputeBalances(cursor);
        rows = ledger.rows();
        QCOMPARE(rows[2].balance, Money::parse("957.5001"));
        QCOMPARE(rows[3].balance, Money::parse("957.1667"));
        QCOMPARE(rows[4].balance, Money::parse("-1042.8333"));
        QVERIFY(balancesFollowRule(rows));
    }

    void recomputeOnShortTables()
    {
        TestLedger ledger;
        {
            RecordCursor cursor(ledger.path());
            RecomputeBalances(cursor);
            QCOMPARE(cursor.RecordCount(), 0LL);
        }

        // One row: nothing is written, even when its amounts do not add up;
        // a trigger that refuses every update proves it.
        const LedgerRow anchor = makeRow("5", "1", "2", "1000", "Initial Balance");
        ledger.append(anchor);
        ledger.exec("CREATE TRIGGER fail BEFORE UPDATE ON Ledger BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
        RecordCursor cursor(ledger.path());
        RecomputeBalances(cursor);
        QCOMPARE(ledger.rows(), std::vector<LedgerRow>{anchor});

        // Rows whose balances are already right are not written either.
        const std::vector<LedgerRow> right{anchor, makeRow("100", "0", "0", "900"), makeRow("0", "1", "51", "950")};
        ledger.append(right[1]);
        ledger.append(right[2]);
        RecomputeBalances(cursor);
        QCOMPARE(ledger.rows(), right);
    }

    void deletingTheFirstRowMakesANewAnchor()
    {
        TestLedger ledger;
        ledger.append({makeRow("0", "0", "0", "1000", "Initial Balance"), makeRow("100", "0", "0", "123"),
                       makeRow("0", "0", "50", "0"), makeRow("25", "0", "0", "0")});
        RecordCursor cursor(ledger.path());
        cursor.Delete();
        RecomputeBalances(cursor);
        std::vector<LedgerRow> rows = ledger.rows();
        QCOMPARE(rows.size(), std::size_t(3));
        QCOMPARE(rows[0].balance, Money::parse("123"));
        QCOMPARE(rows[1].balance, Money::parse("173"));
        QCOMPARE(rows[2].balance, Money::parse("148"));

        // Deleting every row after the first leaves the anchor as it was.
        cursor.MoveLast();
        cursor.Delete();
        cursor.MoveLast();
        cursor.Delete();
        RecomputeBalances(cursor);
        rows = ledger.rows();
        QCOMPARE(rows.size(), std::size_t(1));
        QCOMPARE(rows[0].balance, Money::parse("123"));
    }

    void failedRecomputeChangesNothing()
    {
        TestLedger ledger;
        // Every stored balance is wrong, so every row after the first is written.
        std::vector<LedgerRow> before = numberedRows(1, 8);
        ledger.append(before);
        ledger.exec(failingUpdateOfNumber(6));
        RecordCursor cursor(ledger.path());
        try {
            RecomputeBalances(cursor);
            QFAIL("the failing update went unnoticed");
        } catch (const StoreError& error) {
            QVERIFY2(QString::fromUtf8(error.what()).contains(QLatin1String("disk is full")), error.what());
        }
        QCOMPARE(ledger.rows(), before);
        QCOMPARE(cursor.connection().transactionDepth(), 0);

        // The cursor still works, and the table is rebuilt once the failure is gone.
        ledger.exec("DROP TRIGGER fail");
        RecomputeBalances(cursor);
        QVERIFY(balancesFollowRule(ledger.rows()));
        QCOMPARE(ledger.rows().front(), before.front());
    }

    void overflowMidwayChangesNothing()
    {
        TestLedger ledger;
        // More rows than one read chunk, so earlier balances have been written
        // by the time the running total leaves the range.
        std::vector<LedgerRow> before;
        before.push_back(makeRow("0", "0", "0", "0", "Initial Balance"));
        for (int k = 2; k <= 6'000; ++k)
            before.push_back(makeRow("0", "0", "1", "0"));
        before[5'000].deposit = Money::fromTenThousandths(std::numeric_limits<std::int64_t>::max() - 20'000'000);
        ledger.append(before);
        RecordCursor cursor(ledger.path());
        STORE_REFUSES(RecomputeBalances(cursor), Kind::Overflow);
        QCOMPARE(ledger.rows(), before);

        // The same below the range.
        TestLedger low;
        std::vector<LedgerRow> lowRows{makeRow("0", "0", "0", "-922337203685477", "Initial Balance"),
                                       makeRow("0", "0", "0", "5"), makeRow("0.5807", "0", "0", "5"),
                                       makeRow("0.0002", "0", "0", "5")};
        low.append(lowRows);
        RecordCursor lowCursor(low.path());
        STORE_REFUSES(RecomputeBalances(lowCursor), Kind::Overflow);
        QCOMPARE(low.rows(), lowRows);
    }

    void recomputeJoinsTheCallersTransaction()
    {
        TestLedger ledger;
        const std::vector<LedgerRow> before = numberedRows(1, 4);
        ledger.append(before);
        RecordCursor cursor(ledger.path());
        {
            Transaction outer(cursor.connection());
            cursor.Edit();
            cursor.SetField("fee", "9");
            cursor.Update();
            RecomputeBalances(cursor);
            // No commit: the edit and the recomputation go together.
        }
        QCOMPARE(ledger.rows(), before);
        {
            Transaction outer(cursor.connection());
            RecomputeBalances(cursor);
            outer.commit();
        }
        QVERIFY(balancesFollowRule(ledger.rows()));
    }

    // Both layouts of stored rows: packed rowids (every insertion moves the
    // later rows) and rowids with room between them (rows added through AddNew).
    void insertPlaceholderAtEachPlace_data()
    {
        QTest::addColumn<bool>("packed");
        QTest::newRow("packed rowids") << true;
        QTest::newRow("rows added through the cursor") << false;
    }
    void insertPlaceholderAtEachPlace()
    {
        QFETCH(bool, packed);
        const LedgerRow p = placeholderRow();
        QCOMPARE(qs(*p.description), QStringLiteral("INSERTED ROW"));
        QVERIFY(!p.number && !p.date && p.balance == Money() && p.payment == Money() && p.taxDeductible == 0);
        const auto r = numberedRow;
        auto threeRows = [packed](TestLedger& ledger, RecordCursor& cursor) {
            if (packed)
                appendPacked(ledger, numberedRows(1, 3));
            else
                for (const LedgerRow& row : numberedRows(1, 3))
                    addThroughCursor(cursor, row);
        };

        TestLedger ledger;
        RecordCursor cursor(ledger.path());
        threeRows(ledger, cursor);
        InsertPlaceholderAfter(cursor, 3);
        QCOMPARE(ledger.rows(), (std::vector<LedgerRow>{r(1), r(2), r(3), p}));

        TestLedger second;
        RecordCursor secondCursor(second.path());
        threeRows(second, secondCursor);
        InsertPlaceholderAfter(secondCursor, 1);
        QCOMPARE(second.rows(), (std::vector<LedgerRow>{r(1), p, r(2), r(3)}));
        QCOMPARE(secondCursor.AbsolutePosition(), 1LL);
        InsertPlaceholderAfter(secondCursor, 1);
        QCOMPARE(second.rows(), (std::vector<LedgerRow>{r(1), p, p, r(2), r(3)}));

        // A row added afterwards is still last.
        addThroughCursor(secondCursor, r(99));
        QCOMPARE(second.rows(), (std::vector<LedgerRow>{r(1), p, p, r(2), r(3), r(99)}));
    }

    // Many insertions at one place: each placeholder is given a number, as the
    // editor would, so that their order shows. The room between two rows
    // runs out on the way and rows start to move.
    void repeatedInsertionsAtOnePlace()
    {
        TestLedger ledger;
        RecordCursor cursor(ledger.path());
        std::vector<LedgerRow> model = numberedRows(1, 3);
        for (const LedgerRow& row : model)
            addThroughCursor(cursor, row);
        for (int k = 0; k < 40; ++k) {
            const std::int64_t position = k % 2 == 0 ? 1 : 2;
            InsertPlaceholderAfter(cursor, position);
            cursor.MoveFirst();
            cursor.Move(position);
            cursor.Edit();
            cursor.SetField("number", std::int64_t(100 + k));
            cursor.Update();
            LedgerRow given = placeholderRow();
            given.number = 100 + k;
            model.insert(model.begin() + position, given);
            QVERIFY2(ledger.rows() == model, qPrintable(QStringLiteral("after insertion %1").arg(k)));
        }
    }

    void insertPlaceholderRefusesAMissingPosition()
    {
        TestLedger ledger;
        RecordCursor cursor(ledger.path());
        STORE_REFUSES(InsertPlaceholderAfter(cursor, 1), Kind::NoCurrentRow);
        ledger.append(numberedRows(1, 3));
        for (std::int64_t position : {std::int64_t(0), std::int64_t(-1), std::int64_t(4),
                                      std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::min()})
            STORE_REFUSES(InsertPlaceholderAfter(cursor, position), Kind::NoCurrentRow);
        QCOMPARE(ledger.rows(), numberedRows(1, 3));
        QCOMPARE(cursor.connection().transactionDepth(), 0);
    }

    // Deleted rows leave holes in the stored rowids; positions must not care.
    void insertPlaceholderAcrossGaps()
    {
        const LedgerRow p = placeholderRow();
        const auto r = numberedRow;
        TestLedger ledger;
        appendPacked(ledger, numberedRows(1, 8));
        ledger.exec("DELETE FROM Ledger WHERE number IN (1, 4, 7)");
        RecordCursor cursor(ledger.path());
        InsertPlaceholderAfter(cursor, 1); // after row 2; the hole left by 4 is two rows on
        std::vector<LedgerRow> expected{r(2), p, r(3), r(5), r(6), r(8)};
        QCOMPARE(ledger.rows(), expected);
        InsertPlaceholderAfter(cursor, 5); // after row 6, right before the hole left by 7
        expected.insert(expected.begin() + 5, p);
        QCOMPARE(ledger.rows(), expected);
        InsertPlaceholderAfter(cursor, 7); // after the last row
        expected.push_back(p);
        QCOMPARE(ledger.rows(), expected);

        // A long run of random deletes, inserts and appends of both kinds against a model.
        TestLedger model;
        appendPacked(model, numberedRows(1, 40));
        std::vector<LedgerRow> rows = numberedRows(1, 40);
        std::mt19937 random(4242);
        RecordCursor modelCursor(model.path());
        for (int step = 0; step < 120 && !rows.empty(); ++step) {
            const auto position = std::int64_t(random() % rows.size()) + 1;
            switch (random() % 4) {
            case 0: // delete through SQL, by position
                model.exec("DELETE FROM Ledger WHERE rowid = (SELECT rowid FROM Ledger ORDER BY rowid LIMIT 1 OFFSET "
                           + std::to_string(position - 1) + ")");
                rows.erase(rows.begin() + (position - 1));
                break;
            case 1:
                InsertPlaceholderAfter(modelCursor, position);
                rows.insert(rows.begin() + position, p);
                break;
            case 2:
                rows.push_back(numberedRow(1000 + step));
                appendPacked(model, {rows.back()});
                break;
            default:
                rows.push_back(numberedRow(1000 + step));
                addThroughCursor(modelCursor, rows.back());
            }
            QVERIFY2(model.rows() == rows, qPrintable(QStringLiteral("after step %1").arg(step)));
        }
    }

    void failedInsertChangesNothing()
    {
        TestLedger ledger;
        appendPacked(ledger, numberedRows(1, 10));
        ledger.exec(failingUpdateOfNumber(7));
        RecordCursor cursor(ledger.path());
        STORE_REFUSES(InsertPlaceholderAfter(cursor, 2), Kind::Engine);
        QCOMPARE(ledger.rows(), numberedRows(1, 10));
        QCOMPARE(cursor.connection().transactionDepth(), 0);

        // The final append fails: every row moved before it goes back.
        ledger.exec("DROP TRIGGER fail");
        ledger.exec("CREATE TRIGGER fail BEFORE INSERT ON Ledger BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
        STORE_REFUSES(InsertPlaceholderAfter(cursor, 2), Kind::Engine);
        QCOMPARE(ledger.rows(), numberedRows(1, 10));

        // The same where the placeholder has room and nothing moves.
        TestLedger spaced;
        RecordCursor spacedCursor(spaced.path());
        for (const LedgerRow& row : numberedRows(1, 3))
            addThroughCursor(spacedCursor, row);
        spaced.exec("CREATE TRIGGER fail BEFORE INSERT ON Ledger BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
        STORE_REFUSES(InsertPlaceholderAfter(spacedCursor, 1), Kind::Engine);
        QCOMPARE(spaced.rows(), numberedRows(1, 3));
    }

    void pagesAreReadByPosition()
    {
        TestLedger ledger;
        ledger.append(numberedRows(1, 10'000));
        LedgerPageReader reader(ledger.path());
        QCOMPARE(reader.rowCount(), 10'000LL);

        auto numbersOf = [](const std::vector<LedgerRow>& rows) {
            std::vector<std::int64_t> numbers;
            for (const LedgerRow& row : rows)
                numbers.push_back(row.number.value_or(-1));
            return numbers;
        };
        auto expectedRun = [](const std::vector<std::int64_t>& table, long long position, int count) {
            std::vector<std::int64_t> run;
            for (long long k = position; k < position + count && k <= (long long)table.size(); ++k)
                run.push_back(table[std::size_t(k - 1)]);
            return run;
        };
        std::vector<std::int64_t> table;
        for (std::int64_t k = 1; k <= 10'000; ++k)
            table.push_back(k);

        // The end first, then the start, the middle, and neighbours of each.
        for (long long position : {9'990LL, 1LL, 5'000LL, 4'950LL, 5'050LL, 9'999LL, 2LL, 10'000LL, 7'777LL})
            QCOMPARE(numbersOf(reader.readRows(position, 50)), expectedRun(table, position, 50));
        QCOMPARE(reader.readRows(1, 1).front(), numberedRow(1));
        QVERIFY(reader.readRows(10'001, 5).empty());
        QVERIFY(reader.readRows(0, 5).empty());

        // Gaps, an insertion and an append; the reader is told the table changed.
        ledger.exec("DELETE FROM Ledger WHERE number IN (1, 5000, 5001, 7000, 10000)");
        for (std::int64_t gone : {10'000, 7'000, 5'001, 5'000, 1})
            table.erase(table.begin() + (gone - 1));
        RecordCursor cursor(ledger.path());
        InsertPlaceholderAfter(cursor, 6'000);
        table.insert(table.begin() + 6'000, -1);
        ledger.append(numberedRow(20'000));
        table.push_back(20'000);
        for (std::int64_t k = 20'001; k <= 20'050; ++k) {
            addThroughCursor(cursor, numberedRow(k));
            table.push_back(k);
        }
        reader.reread();
        QCOMPARE(reader.rowCount(), (long long)table.size());

        std::mt19937 random(777);
        for (int k = 0; k < 300; ++k) {
            const long long position = (long long)(random() % table.size()) + 1;
            const int count = int(random() % 60) + 1;
            QVERIFY2(numbersOf(reader.readRows(position, count)) == expectedRun(table, position, count),
                     qPrintable(QStringLiteral("rows %1 + %2").arg(position).arg(count)));
        }
        for (long long position : {1LL, 4'998LL, 4'999LL, 6'000LL, 6'001LL, (long long)table.size()})
            QCOMPARE(numbersOf(reader.readRows(position, 3)), expectedRun(table, position, 3));
    }
};

QTEST_GUILESS_MAIN(RebalanceTest)
#include "RebalanceTest.moc"
