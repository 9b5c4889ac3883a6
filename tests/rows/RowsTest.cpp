// Deleting and inserting rows through the real windows and a real ledger file.
#include "Form5.h"
#include "Module1.h"
#include "RecordCursor.h"
#include "TestLedger.h"
#include "WindowDriver.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QLabel>

using namespace tallowick;
using namespace tallowick::test;

namespace {

// The initial balance, then two payments.
std::vector<LedgerRow> threeRows()
{
    LedgerRow rent = makeRow("100", "0", "0", "900", "Rent", 1001);
    rent.date = LedgerDate::parse("3/7/2004");
    LedgerRow groceries = makeRow("50", "0", "0", "850", "Groceries", 1002, 1);
    groceries.date = LedgerDate::parse("3/9/2004");
    return {makeRow("0", "0", "0", "1000", "Initial Balance"), rent, groceries};
}

// Stores the rows through the store's cursor, as the program does (spaced rowids);
// TestLedger::append stores them one after another.
void fill(TestLedger& ledger, const std::vector<LedgerRow>& rows, bool byProgram)
{
    if (!byProgram)
        return ledger.append(rows);
    RecordCursor cursor(ledger.path());
    for (const LedgerRow& row : rows) {
        cursor.AddNew();
        for (LedgerColumn column : kAllColumns) {
            const std::string text = plainFieldText(row, column);
            text.empty() ? cursor.SetFieldEmpty(columnName(column)) : cursor.SetField(columnName(column), text);
        }
        cursor.Update();
    }
}

// The store's own sentence for deleting at a position where there is no row.
QString storeSentenceForDeleting(const TestLedger& ledger, int position)
{
    RecordCursor cursor(ledger.path());
    Transaction discarded(cursor.connection());
    try { // the cursor starts on the first row
        cursor.Move(std::int64_t(position) - 1);
        cursor.Delete();
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

bool backWith(int rows)
{
    return ledgerWindowBack() && readyLedgerWindow()->grdDataGrid->model()->rowCount() == rows;
}

// Opens the ledger window, clicks the row at `position` and presses a command.
bool press(int position, QPushButton* frmLedger::*command)
{
    frmLedger* window = openLedgerWindow();
    if (!window)
        return false;
    clickGridRow(window, position);
    QTest::mouseClick(window->*command, Qt::LeftButton);
    return true;
}

Form5* confirmation() { return qobject_cast<Form5*>(registry().window(QStringLiteral("Form5"))); }

// "&Delete" on the row at `position`, confirmed with "Delete".
bool deleteAt(int position)
{
    if (!press(position, &frmLedger::cmdDelete) || !confirmation())
        return false;
    QTest::mouseClick(confirmation()->Command1, Qt::LeftButton);
    return true;
}

} // namespace

class RowsTest : public WindowTest {
    Q_OBJECT

private slots:
    void deleteAsksThenRecomputes()
    {
        TestLedger ledger;
        const auto before = threeRows();
        ledger.append(before);
        MessageAnswerer answerer;
        // Enter right after the confirmation opens cancels.
        QVERIFY(press(2, &frmLedger::cmdDelete) && confirmation());
        QCOMPARE(confirmation()->Label1->text(),
                 QStringLiteral("You are about to delet the selected record.  Are you sure you want to do this?"));
        QVERIFY(QTest::qWaitForWindowActive(confirmation()));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(confirmation()->Command2));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(backWith(3));
        QCOMPARE(tableText(ledger.rows()), tableText(before));

        // The later balance is recomputed, its number is kept.
        QVERIFY(deleteAt(2) && backWith(2));
        LedgerRow movedUp = before[2];
        movedUp.balance = money("950");
        QCOMPARE(tableText(ledger.rows()), tableText({before[0], movedUp}));
        // The first row, then the only one: an empty table and no message.
        QVERIFY(deleteAt(1) && backWith(1));
        QCOMPARE(tableText(ledger.rows()), tableText({movedUp}));
        QVERIFY(deleteAt(1) && backWith(0));
        QVERIFY(ledger.rows().empty());
        QTest::qWait(100); // a late message would be recorded here
        QVERIFY(answerer.texts.isEmpty());
    }

    void insertOpensEditorOnPlaceholder_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("byProgram");
        QTest::newRow("last row, packed") << 3 << false;
        QTest::newRow("last row, added by program") << 3 << true;
        QTest::newRow("first row, packed") << 1 << false;
        QTest::newRow("first row, added by program") << 1 << true;
    }
    void insertOpensEditorOnPlaceholder()
    {
        QFETCH(int, position);
        QFETCH(bool, byProgram);
        TestLedger ledger;
        auto rows = threeRows();
        fill(ledger, rows, byProgram);
        MessageAnswerer answerer;
        QVERIFY(press(position, &frmLedger::Command3));
        QTRY_VERIFY(registry().isLoaded(QStringLiteral("Form3")));
        Form3* editor = editorAfterOpeningTicks();
        QVERIFY(editor);
        const Money prior = rows[position - 1].balance;
        rows.insert(rows.begin() + position, makeRow("0", "0", "0", "0", "INSERTED ROW"));
        QCOMPARE(tableText(ledger.rows()), tableText(rows));
        QCOMPARE(editor->Text5->text(), QStringLiteral("INSERTED ROW"));
        for (QLineEdit* amount : {editor->Text6, editor->Text7, editor->Text8, editor->Text9})
            QCOMPARE(amount->text(), QStringLiteral("0"));
        QCOMPARE(editor->PriorBalance, prior);
        typeOver(editor->Text6, QStringLiteral("10"));
        QCOMPARE(editor->Text9->text(), shown(prior - money("10")));

        // "Update" stores the placeholder and recomputes the later balances.
        QTest::mouseClick(editor->Command3, Qt::LeftButton);
        QVERIFY(backWith(4));
        rows[position].payment = money("10");
        rows[position].balance = prior;
        for (std::size_t k = position; k < rows.size(); ++k)
            rows[k].balance -= money("10");
        QCOMPARE(tableText(ledger.rows()), tableText(rows));
        QVERIFY(answerer.texts.isEmpty());
    }

    // A refused command: a "Tallowick" message, the table exactly as before, the ledger window back.
    void failedCommandChangesNothing_data()
    {
        QTest::addColumn<bool>("insert");
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("byProgram");
        QTest::addColumn<QString>("trigger"); // none: the store refuses the position
        const QString insertFails = QStringLiteral("BEFORE INSERT ON Ledger");
        QTest::newRow("delete at 0") << false << 0 << false << QString();
        QTest::newRow("delete at 4") << false << 4 << false << QString();
        QTest::newRow("delete, recomputing") << false << 2 << false << QStringLiteral("BEFORE UPDATE OF balance ON Ledger");
        // Packed rows move down: the second rewrite fails after the first went through.
        QTest::newRow("insert, moving a row") << true << 1 << false << QStringLiteral("BEFORE UPDATE ON Ledger WHEN OLD.rowid = 3");
        QTest::newRow("insert, appending the former last row") << true << 1 << false << insertFails;
        QTest::newRow("insert, placeholder at the end") << true << 3 << false << insertFails;
        QTest::newRow("insert, placeholder between spaced rows") << true << 1 << true << insertFails;
    }
    void failedCommandChangesNothing()
    {
        QFETCH(bool, insert);
        QFETCH(int, position);
        QFETCH(bool, byProgram);
        QFETCH(QString, trigger);
        TestLedger ledger;
        const auto before = threeRows();
        fill(ledger, before, byProgram);
        const QString sentence = trigger.isEmpty() ? storeSentenceForDeleting(ledger, position) : QString();
        if (!trigger.isEmpty())
            ledger.exec("CREATE TRIGGER refuse " + trigger.toStdString() + " BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
        MessageAnswerer answerer;
        if (insert) {
            QVERIFY(press(position, &frmLedger::Command3));
        } else {
            QVERIFY(press(2, &frmLedger::cmdDelete) && confirmation());
            Module1::SelectedRowPosition = position;
            QTest::mouseClick(confirmation()->Command1, Qt::LeftButton);
        }
        QVERIFY(backWith(3));
        QCOMPARE(answerer.captions, QStringList{QStringLiteral("Tallowick")});
        const QString text = answerer.texts[0];
        QVERIFY2(trigger.isEmpty() ? text == sentence : text.contains(QStringLiteral("disk is full")), qPrintable(text));
        QVERIFY(!registry().isLoaded(QStringLiteral("Form3")));
        QCOMPARE(tableText(ledger.rows()), tableText(before));
    }

    void insertOnEmptyLedgerDoesNothing()
    {
        TestLedger ledger;
        frmLedger* window = openLedgerWindow();
        QVERIFY(window);
        QTest::mouseClick(window->Command3, Qt::LeftButton);
        QTest::qWait(200); // no worker tick follows
        QVERIFY(registry().isLoaded(QStringLiteral("frmLedger")) && window->isVisible());
        QVERIFY(!registry().isLoaded(QStringLiteral("Form1")) && !registry().isLoaded(QStringLiteral("Form3")));
        QVERIFY(ledger.rows().empty());
    }
};

QTEST_MAIN(RowsTest)
#include "RowsTest.moc"
