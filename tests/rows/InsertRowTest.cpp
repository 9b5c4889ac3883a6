// Inserting a row from the ledger window: the placeholder lands directly
// after the chosen row, every later row moves down unchanged, and the editor
// opens on the placeholder. A failed insertion changes nothing.
#include "Form1.h"
#include "Form3.h"
#include "LedgerFile.h"
#include "Module1.h"
#include "RecordCursor.h"
#include "RowCodec.h"
#include "RowsDriver.h"
#include "TestLedger.h"
#include "WindowRegistry.h"
#include "WindowTestSupport.h"
#include "frmLedger.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace tallowick;
using namespace tallowick::test;

namespace {

LedgerRow placeholder()
{
    return makeRow("0", "0", "0", "0", "INSERTED ROW");
}

// Stores each row under the given rowid.
void storeAt(const TestLedger& ledger, const std::vector<std::pair<std::int64_t, LedgerRow>>& rows)
{
    auto connection = LedgerConnection::open(ledger.path());
    Transaction transaction(*connection);
    Statement insert(connection->db(), std::string("INSERT INTO Ledger (rowid, ") + kRowColumnsSql
                                           + ") VALUES (?9, ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    for (const auto& [rowid, row] : rows) {
        bindRow(insert, row, 1);
        insert.bind(9, rowid);
        insert.run();
    }
    transaction.commit();
}

// The initial balance, then two payments.
std::vector<LedgerRow> threeRows()
{
    LedgerRow first = makeRow("0", "0", "0", "1000", "Initial Balance");
    LedgerRow second = makeRow("100", "0", "0", "900", "Rent", 1001);
    second.date = LedgerDate::parse("3/7/2004");
    LedgerRow third = makeRow("50", "0", "0", "850", "Groceries", 1002, 1);
    third.date = LedgerDate::parse("3/9/2004");
    return {first, second, third};
}

// `rows` with the placeholder placed after the 1-based position.
std::vector<LedgerRow> withPlaceholderAfter(std::vector<LedgerRow> rows, int position)
{
    rows.insert(rows.begin() + position, placeholder());
    return rows;
}

// How the rows lie in the file: one after another (as a plain SQL insert
// stores them), or added through the store's own cursor, as the program does.
enum class Layout { Contiguous, AddedByProgram };

void fill(const TestLedger& ledger, const std::vector<LedgerRow>& rows, Layout layout)
{
    if (layout == Layout::Contiguous) {
        std::vector<std::pair<std::int64_t, LedgerRow>> placed;
        for (std::size_t k = 0; k < rows.size(); ++k)
            placed.emplace_back(std::int64_t(k + 1), rows[k]);
        storeAt(ledger, placed);
        return;
    }
    RecordCursor cursor(ledger.path());
    for (const LedgerRow& row : rows) {
        cursor.AddNew();
        for (LedgerColumn column : kAllColumns) {
            const std::string text = plainFieldText(row, column);
            if (text.empty())
                cursor.SetFieldEmpty(columnName(column));
            else
                cursor.SetField(columnName(column), text);
        }
        cursor.Update();
    }
}

Form3* editorWindow()
{
    return qobject_cast<Form3*>(WindowRegistry::instance().window(QStringLiteral("Form3")));
}

// Counts the rows whose column holds an empty text rather than no value.
std::int64_t emptyTexts(const TestLedger& ledger, const char* column)
{
    auto connection = LedgerConnection::open(ledger.path());
    Statement count(connection->db(),
                    std::string("SELECT count(*) FROM Ledger WHERE \"") + column + "\" = ''");
    count.step();
    const std::int64_t result = count.integer(0);
    count.reset();
    return result;
}

void replaceText(QLineEdit* box, const QString& text)
{
    QTest::mouseClick(box, Qt::LeftButton);
    box->selectAll();
    QTest::keyClicks(box, text);
}

} // namespace

class InsertRowTest : public QObject {
    Q_OBJECT

private:
    // Opens the ledger, makes `position` current, presses "&Insert" and
    // waits until the editor has opened on the placeholder.
    Form3* insertAfter(int rows, int position)
    {
        frmLedger* ledgerWindow = openLedger(rows);
        if (!ledgerWindow)
            return nullptr;
        selectRow(ledgerWindow, position);
        QTest::mouseClick(ledgerWindow->Command3, Qt::LeftButton);
        return editorOnPlaceholder();
    }

    Form3* editorOnPlaceholder()
    {
        auto& registry = WindowRegistry::instance();
        if (!QTest::qWaitFor([&] { return registry.isLoaded(QStringLiteral("Form3")); }, 5000))
            return nullptr;
        Form3* editor = editorWindow();
        if (!editor || !QTest::qWaitFor([&] { return !editor->Timer1->isActive() && !editor->Timer2->isActive(); }))
            return nullptr;
        return editor;
    }

    // Inserts after `position` through the windows, checks the table by
    // position, gives the new row a description of its own so that any later
    // mix-up shows, and goes back to the ledger window.
    void insertAndMark(TestLedger& ledger, std::vector<LedgerRow>& rows, int position, int round)
    {
        Form3* editor = insertAfter(int(rows.size()), position);
        QVERIFY(editor);
        QCOMPARE(Module1::SelectedRowPosition, position + 1);
        rows = withPlaceholderAfter(rows, position);
        QCOMPARE(tableText(ledger.rows()), tableText(rows));

        const std::string mark = "Inserted " + std::to_string(round);
        ledger.exec("UPDATE Ledger SET \"description of transaction\" = '" + mark
                    + "' WHERE rowid = (SELECT rowid FROM Ledger ORDER BY rowid LIMIT 1 OFFSET "
                    + std::to_string(position) + ")");
        rows[std::size_t(position)].description = mark;
        QTest::mouseClick(editor->Command2, Qt::LeftButton);
        QVERIFY(ledgerBack(int(rows.size())));
    }

    static void layouts()
    {
        QTest::addColumn<bool>("addedByProgram");
        QTest::newRow("rows one after another") << false;
        QTest::newRow("rows added by the program") << true;
    }

private slots:
    void initTestCase() { registerWindowsOnce(); }
    void cleanup()
    {
        closeAllWindows();
        QTRY_VERIFY(noWindowsLeft());
    }

    void insertingAfterLastRowAppendsPlaceholder_data() { layouts(); }
    void insertingAfterLastRowAppendsPlaceholder()
    {
        QFETCH(bool, addedByProgram);
        const Layout layout = addedByProgram ? Layout::AddedByProgram : Layout::Contiguous;
        TestLedger ledger;
        const auto before = threeRows();
        fill(ledger, before, layout);
        auto& registry = WindowRegistry::instance();

        frmLedger* ledgerWindow = openLedger(3);
        QVERIFY(ledgerWindow);
        MessageAnswerer answerer;
        QTest::mouseClick(ledgerWindow->Command3, Qt::LeftButton); // the last row is current on opening

        // The worker is loaded, never shown; the ledger window is gone.
        auto* worker = qobject_cast<Form1*>(registry.window(QStringLiteral("Form1")));
        QVERIFY(worker);
        QVERIFY(!worker->isVisible());
        QCOMPARE(worker->windowTitle(), QStringLiteral("Insert"));
        QVERIFY(!registry.isLoaded(QStringLiteral("frmLedger")));
        QCOMPARE(Module1::SelectedRowPosition, 3);

        Form3* editor = editorOnPlaceholder();
        QVERIFY(editor);
        QVERIFY(!registry.isLoaded(QStringLiteral("Form1")));
        QVERIFY(!registry.isLoaded(QStringLiteral("frmLedger")));
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(Module1::SelectedRowPosition, 4);
        QCOMPARE(tableText(ledger.rows()), tableText(withPlaceholderAfter(before, 3)));

        QVERIFY(editor->isVisible());
        QVERIFY(!editor->Command1->isVisible());
        QVERIFY(editor->Command3->isVisible());
        QVERIFY(editor->Command3->isDefault());
        QCOMPARE(editor->Text1->text(), QString());
        QCOMPARE(editor->Text2->text(), QString());
        QCOMPARE(editor->Text5->text(), QStringLiteral("INSERTED ROW"));
        QCOMPARE(editor->Text6->text(), QStringLiteral("0"));
        QCOMPARE(editor->Text7->text(), QStringLiteral("0"));
        QCOMPARE(editor->Text8->text(), QStringLiteral("0"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("0"));
        QVERIFY(!editor->Check1->isChecked());
        QCOMPARE(editor->PriorBalance, Money::parse("850"));

        replaceText(editor->Text6, QStringLiteral("10"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("840"));
        QVERIFY(answerer.texts.isEmpty());
    }

    void insertingAfterFirstRowMovesLaterRowsUnchanged_data() { layouts(); }
    void insertingAfterFirstRowMovesLaterRowsUnchanged()
    {
        QFETCH(bool, addedByProgram);
        const Layout layout = addedByProgram ? Layout::AddedByProgram : Layout::Contiguous;
        TestLedger ledger;
        // Stored balances off the rule, a flag, rows without number, date or
        // description, and one whose description is an empty text.
        LedgerRow bare = makeRow("7.25", "0.5", "0", "-3.3333");
        LedgerRow flagged = makeRow("12.5", "1", "0", "77", "Doctor", 1005, 1);
        flagged.date = LedgerDate::parse("12/31/2029");
        LedgerRow deposit = makeRow("0", "0", "250", "1234567.8912", "Salary", 1006);
        const std::vector<LedgerRow> before{makeRow("0", "0", "0", "1000", "Initial Balance"), bare, flagged, deposit};
        fill(ledger, before, layout);
        ledger.exec("INSERT INTO Ledger VALUES (NULL, NULL, '', 0, 0, 0, 0, 10000000)");
        auto expected = before;
        expected.push_back(makeRow("0", "0", "0", "1000"));
        QCOMPARE(emptyTexts(ledger, "description of transaction"), std::int64_t(1));

        Form3* editor = insertAfter(5, 1);
        QVERIFY(editor);
        QCOMPARE(Module1::SelectedRowPosition, 2);
        QCOMPARE(tableText(ledger.rows()), tableText(withPlaceholderAfter(expected, 1)));
        // A row that moved was rewritten with no value where it held an empty
        // text; where the placeholder found room, no row moved at all.
        if (layout == Layout::Contiguous)
            QCOMPARE(emptyTexts(ledger, "description of transaction"), std::int64_t(0));
        QCOMPARE(editor->Text5->text(), QStringLiteral("INSERTED ROW"));
        QCOMPARE(editor->PriorBalance, Money::parse("1000"));

        // The placeholder shows in the grid with no number and no date.
        QTest::mouseClick(editor->Command2, Qt::LeftButton);
        frmLedger* back = ledgerBack(6);
        QVERIFY(back);
        const QAbstractItemModel* model = back->grdDataGrid->model();
        auto cell = [&](int column) { return model->index(1, column).data().toString(); };
        QCOMPARE(cell(LedgerTableModel::NumberColumn), QString());
        QCOMPARE(cell(LedgerTableModel::DateColumn), QString());
        QCOMPARE(cell(LedgerTableModel::DescriptionColumn), QStringLiteral("INSERTED ROW"));
        for (int column : {LedgerTableModel::PaymentColumn, LedgerTableModel::FeeColumn,
                           LedgerTableModel::DepositColumn, LedgerTableModel::BalanceColumn})
            QCOMPARE(cell(column), QStringLiteral("$0.00"));
    }

    void twoInsertionsAtTheSamePosition_data() { layouts(); }
    void twoInsertionsAtTheSamePosition()
    {
        QFETCH(bool, addedByProgram);
        const Layout layout = addedByProgram ? Layout::AddedByProgram : Layout::Contiguous;
        TestLedger ledger;
        const auto before = threeRows();
        fill(ledger, before, layout);

        // The first placeholder is stored with a description of its own.
        Form3* editor = insertAfter(3, 1);
        QVERIFY(editor);
        replaceText(editor->Text5, QStringLiteral("First"));
        QTest::mouseClick(editor->Command3, Qt::LeftButton);
        QVERIFY(ledgerBack(4));

        editor = insertAfter(4, 1);
        QVERIFY(editor);
        QCOMPARE(Module1::SelectedRowPosition, 2);
        const auto after = ledger.rows();
        QCOMPARE(after.size(), std::size_t(5));
        QCOMPARE(tableText({after[0]}), tableText({before[0]}));
        QCOMPARE(tableText({after[1]}), tableText({placeholder()}));
        QCOMPARE(after[2].description, std::optional<std::string>("First"));
        QCOMPARE(tableText({after[3], after[4]}), tableText({before[1], before[2]}));
    }

    void storingPlaceholderRecomputesLaterBalances()
    {
        TestLedger ledger;
        const auto before = threeRows();
        ledger.append(before);

        Form3* editor = insertAfter(3, 1);
        QVERIFY(editor);
        QCOMPARE(editor->PriorBalance, Money::parse("1000"));
        replaceText(editor->Text6, QStringLiteral("25"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("975"));
        QTest::mouseClick(editor->Command3, Qt::LeftButton);
        QVERIFY(ledgerBack(4));
        QVERIFY(!WindowRegistry::instance().isLoaded(QStringLiteral("Form3")));

        LedgerRow stored = makeRow("25", "0", "0", "975", "INSERTED ROW");
        auto rent = before[1];
        rent.balance = Money::parse("875");
        auto groceries = before[2];
        groceries.balance = Money::parse("825");
        QCOMPARE(tableText(ledger.rows()), tableText({before[0], stored, rent, groceries}));
    }

    void cancelledPlaceholderKeepsZeroUntilNextRecomputation()
    {
        TestLedger ledger;
        const auto before = threeRows();
        ledger.append(before);

        Form3* editor = insertAfter(3, 1);
        QVERIFY(editor);
        QTest::mouseClick(editor->Command2, Qt::LeftButton);
        frmLedger* back = ledgerBack(4);
        QVERIFY(back);
        QCOMPARE(tableText(ledger.rows()), tableText(withPlaceholderAfter(before, 1)));

        // Deleting the last row recomputes: the placeholder takes the balance before it.
        QTest::mouseClick(back->cmdDelete, Qt::LeftButton);
        auto* confirmation = WindowRegistry::instance().window(QStringLiteral("Form5"));
        QVERIFY(confirmation);
        auto* deleteButton = confirmation->findChild<QPushButton*>(QStringLiteral("Command1"));
        QVERIFY(deleteButton);
        QTest::mouseClick(deleteButton, Qt::LeftButton);
        QVERIFY(ledgerBack(3));
        LedgerRow settled = placeholder();
        settled.balance = Money::parse("1000");
        QCOMPARE(tableText(ledger.rows()), tableText({before[0], settled, before[1]}));
    }

    void storeFailureLeavesTableAsItWas_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("addedByProgram");
        // Rows one after another: the later rows move. The second rewrite
        // fails after the first one went through.
        QTest::newRow("mid-walk update") << QStringLiteral("BEFORE UPDATE ON Ledger WHEN OLD.rowid = 3") << 1 << false;
        // Every rewrite goes through; appending the former last row fails.
        QTest::newRow("final append") << QStringLiteral("BEFORE INSERT ON Ledger") << 1 << false;
        // Nothing to rewrite: appending the placeholder fails.
        QTest::newRow("append after last row") << QStringLiteral("BEFORE INSERT ON Ledger") << 3 << false;
        // Rows added by the program: storing the placeholder between them fails.
        QTest::newRow("placeholder between rows") << QStringLiteral("BEFORE INSERT ON Ledger") << 1 << true;
        QTest::newRow("placeholder at the end") << QStringLiteral("BEFORE INSERT ON Ledger") << 3 << true;
    }

    void storeFailureLeavesTableAsItWas()
    {
        QFETCH(QString, trigger);
        QFETCH(int, position);
        QFETCH(bool, addedByProgram);
        TestLedger ledger;
        const auto before = threeRows();
        fill(ledger, before, addedByProgram ? Layout::AddedByProgram : Layout::Contiguous);
        ledger.exec("CREATE TRIGGER refuse " + trigger.toStdString()
                    + " BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
        auto& registry = WindowRegistry::instance();

        frmLedger* ledgerWindow = openLedger(3);
        QVERIFY(ledgerWindow);
        selectRow(ledgerWindow, position);
        MessageAnswerer answerer;
        QTest::mouseClick(ledgerWindow->Command3, Qt::LeftButton);

        frmLedger* back = ledgerBack(3);
        QVERIFY(back);
        QCOMPARE(answerer.captions, QStringList{QStringLiteral("Tallowick")});
        QCOMPARE(answerer.texts.size(), 1);
        QVERIFY2(answerer.texts[0].contains(QStringLiteral("disk is full")), qPrintable(answerer.texts[0]));
        QVERIFY(!registry.isLoaded(QStringLiteral("Form1")));
        QVERIFY(!registry.isLoaded(QStringLiteral("Form3")));
        QCOMPARE(Module1::SelectedRowPosition, position);
        QCOMPARE(tableText(ledger.rows()), tableText(before));
        QVERIFY(!QApplication::overrideCursor());
    }

    void insertWithoutCurrentRowDoesNothing()
    {
        auto& registry = WindowRegistry::instance();
        {
            TestLedger ledger;
            Module1::SelectedRowPosition = 7;
            frmLedger* ledgerWindow = openLedger(0);
            QVERIFY(ledgerWindow);
            QTest::mouseClick(ledgerWindow->Command3, Qt::LeftButton);
            QVERIFY(registry.isLoaded(QStringLiteral("frmLedger")));
            QVERIFY(ledgerWindow->isVisible());
            QVERIFY(!registry.isLoaded(QStringLiteral("Form1")));
            QCOMPARE(Module1::SelectedRowPosition, 7);
            QTest::qWait(200); // no worker tick follows
            QVERIFY(!registry.isLoaded(QStringLiteral("Form3")));
            QVERIFY(ledger.rows().empty());
        }
        closeAllWindows();
        QTRY_VERIFY(noWindowsLeft());
        {
            // Rows, but the grid's current row cleared.
            TestLedger ledger;
            const auto before = threeRows();
            ledger.append(before);
            frmLedger* ledgerWindow = openLedger(3);
            QVERIFY(ledgerWindow);
            ledgerWindow->grdDataGrid->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
            QTest::mouseClick(ledgerWindow->Command3, Qt::LeftButton);
            QVERIFY(registry.isLoaded(QStringLiteral("frmLedger")));
            QVERIFY(!registry.isLoaded(QStringLiteral("Form1")));
            QCOMPARE(tableText(ledger.rows()), tableText(before));
        }
    }

    void insertingAfterADeletedRowKeepsTheOrder()
    {
        // A deleted row leaves a gap in the stored order; the rows after the
        // insertion point must still come out one position further down.
        TestLedger ledger;
        std::vector<LedgerRow> rows{makeRow("0", "0", "0", "1000", "Initial Balance")};
        for (int k = 1; k <= 5; ++k)
            rows.push_back(makeRow("10", "0", "0", std::to_string(1000 - 10 * k).c_str(), "Payment", 1000 + k));
        fill(ledger, rows, Layout::Contiguous);
        ledger.exec("DELETE FROM Ledger WHERE rowid = 4");
        rows.erase(rows.begin() + 3);

        for (int position : {1, 2, 3, 5}) {
            Form3* editor = insertAfter(int(rows.size()), position);
            QVERIFY2(editor, qPrintable(QString::number(position)));
            QCOMPARE(Module1::SelectedRowPosition, position + 1);
            rows = withPlaceholderAfter(rows, position);
            QCOMPARE(tableText(ledger.rows()), tableText(rows));
            QCOMPARE(editor->Text5->text(), QStringLiteral("INSERTED ROW"));
            QTest::mouseClick(editor->Command2, Qt::LeftButton);
            QVERIFY(ledgerBack(int(rows.size())));
        }

        // A row the program adds afterwards is still the last one.
        fill(ledger, {makeRow("1", "0", "0", "1", "Added", 2000)}, Layout::AddedByProgram);
        QCOMPARE(ledger.rows().back().number, std::optional<std::int64_t>(2000));
    }

    void repeatedInsertionsAtOnePlaceKeepOrder()
    {
        // Rows added by the program leave room between neighbours; inserting
        // again and again at the same place uses it up, and then rows move.
        TestLedger ledger;
        auto rows = threeRows();
        fill(ledger, rows, Layout::AddedByProgram);
        for (int round = 1; round <= 13; ++round) {
            insertAndMark(ledger, rows, 1, round);
            if (QTest::currentTestFailed()) {
                qInfo("in round %d", round);
                return;
            }
        }
        QCOMPARE(ledger.rows().size(), std::size_t(16));
    }

    void insertionsBetweenUnevenlySpacedRows()
    {
        // Room after some rows and none after others, and a hole further on.
        TestLedger ledger;
        std::vector<LedgerRow> rows;
        for (int k = 0; k < 6; ++k)
            rows.push_back(makeRow("1", "0", "0", std::to_string(100 - k).c_str(), ("Row " + std::to_string(k)).c_str(), 500 + k));
        const std::int64_t rowids[] = {1, 3, 4, 5, 9, 10};
        std::vector<std::pair<std::int64_t, LedgerRow>> placed;
        for (std::size_t k = 0; k < rows.size(); ++k)
            placed.emplace_back(rowids[k], rows[k]);
        storeAt(ledger, placed);

        int round = 0;
        for (int position : {1, 2, 3, 4, 1, 9, 6, 11, 5, 15}) {
            insertAndMark(ledger, rows, position, ++round);
            if (QTest::currentTestFailed()) {
                qInfo("inserting after position %d", position);
                return;
            }
        }

        // A row the program adds afterwards is still the last one.
        fill(ledger, {makeRow("1", "0", "0", "1", "Added", 2000)}, Layout::AddedByProgram);
        QCOMPARE(ledger.rows().back().number, std::optional<std::int64_t>(2000));
    }

    void insertingIntoLongLedgerWithGapFarDown()
    {
        // Thousands of rows move, with the hole only after the first 4096.
        constexpr int kRows = 4200;
        TestLedger ledger;
        std::vector<LedgerRow> rows;
        rows.reserve(kRows + 1);
        rows.push_back(makeRow("0", "0", "0", "100000", "Initial Balance"));
        for (int k = 1; k < kRows; ++k)
            rows.push_back(makeRow("1", "0", "0", std::to_string(100000 - k).c_str(), nullptr, k));
        fill(ledger, rows, Layout::Contiguous);
        ledger.exec("DELETE FROM Ledger WHERE rowid = 4099");
        rows.erase(rows.begin() + 4098);

        Form3* editor = insertAfter(int(rows.size()), 2);
        QVERIFY(editor);
        QCOMPARE(editor->PriorBalance, rows[1].balance);
        rows = withPlaceholderAfter(rows, 2);
        QCOMPARE(tableText(ledger.rows()), tableText(rows));
    }
};

QTEST_MAIN(InsertRowTest)
#include "InsertRowTest.moc"
