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

// The three rows stored packed, or through the store's cursor as the program does (spaced rowids);
// every message is answered and recorded.
struct Scene {
    explicit Scene(bool byProgram = false)
    {
        if (!byProgram) {
            ledger.append(rows);
            return;
        }
        QVERIFY_THROWS_NO_EXCEPTION({
            RecordCursor cursor(ledger.path());
            for (const LedgerRow& row : rows) {
                cursor.AddNew();
                for (LedgerColumn column : kAllColumns) {
                    const std::string text = plainFieldText(row, column);
                    text.empty() ? cursor.SetFieldEmpty(columnName(column))
                                 : cursor.SetField(columnName(column), text);
                }
                cursor.Update();
            }
        });
    }
    QString table() const { return tableText(ledger.rows()); }
    std::vector<LedgerRow> rows = threeRows();
    TestLedger ledger;
    MessageAnswerer answerer;
};

bool backWith(int rows)
{
    const frmLedger* window = backAtLedgerWindow();
    return window && window->grdDataGrid->model()->rowCount() == rows;
}
Form5* confirmation()
{
    return qobject_cast<Form5*>(registry().window(QStringLiteral("Form5")));
}

// Clicks the row at `position` in a fresh ledger window and presses a command; "&Delete" must ask,
// and `confirm` presses its "Delete".
bool press(int position, QPushButton* frmLedger::*command, bool confirm = false)
{
    frmLedger* window = openLedgerWindow();
    if (!window)
        return false;
    clickGridRow(window, position);
    QTest::mouseClick(window->*command, Qt::LeftButton);
    if (command == &frmLedger::cmdDelete && !confirmation())
        return false;
    if (confirm)
        QTest::mouseClick(confirmation()->Command1, Qt::LeftButton);
    return true;
}

} // namespace

class RowsTest : public WindowTest {
    Q_OBJECT

private slots:
    // Enter cancels, or deletes after Tab; a delete recomputes later balances; the only row goes quietly;
    // then "&Insert" and "&Edit" do nothing.
    void deleteAsksThenRecomputes()
    {
        Scene s;
        QVERIFY(press(2, &frmLedger::cmdDelete));
        QCOMPARE(
            confirmation()->Label1->text(),
            QStringLiteral("You are about to delet the selected record.  Are you sure you want to do this?"));
        QVERIFY(confirmation()->Command2->isDefault() && !confirmation()->Command1->isDefault());
        QVERIFY(QTest::qWaitForWindowActive(confirmation()));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(confirmation()->Command2));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(backWith(3));
        QCOMPARE(s.table(), tableText(s.rows));
        QVERIFY(press(2, &frmLedger::cmdDelete) && QTest::qWaitForWindowActive(confirmation()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(backWith(2));
        LedgerRow movedUp = s.rows[2];
        movedUp.balance = money("950");
        QCOMPARE(s.table(), tableText({s.rows[0], movedUp}));
        QVERIFY(press(1, &frmLedger::cmdDelete, true) && backWith(1));
        QCOMPARE(s.table(), tableText({movedUp}));
        QVERIFY(press(1, &frmLedger::cmdDelete, true) && backWith(0));
        // "&Insert" and "&Edit" on an empty ledger load no window, so nothing can come later.
        frmLedger* window = readyLedgerWindow();
        QVERIFY(window);
        QTest::mouseClick(window->Command3, Qt::LeftButton);
        QTest::mouseClick(window->Command1, Qt::LeftButton);
        QCoreApplication::sendPostedEvents();
        QVERIFY(registry().loadedCount() == 1 && registry().isLoaded(QStringLiteral("frmLedger")));
        QVERIFY(s.ledger.rows().empty() && s.answerer.texts.isEmpty());
    }

    void insertOpensEditorOnPlaceholder_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("byProgram");
        for (int position : {3, 1})
            for (bool byProgram : {false, true})
                QTest::addRow("row %d, %s", position, byProgram ? "added by program" : "packed")
                    << position << byProgram;
    }
    // The placeholder opens in the editor on the clicked row's balance; "Update" stores it and moves
    // later balances.
    void insertOpensEditorOnPlaceholder()
    {
        QFETCH(int, position);
        QFETCH(bool, byProgram);
        Scene s(byProgram);
        frmLedger* window = openLedgerWindow();
        QVERIFY(window);
        clickGridRow(window, position);
        commandPressed.start();
        QTest::mouseClick(window->Command3, Qt::LeftButton);
        QTRY_VERIFY(registry().isLoaded(QStringLiteral("Form3")));
        // The worker's tick comes no sooner than its interval, and the worker is gone.
        QVERIFY(commandPressed.elapsed() >= 90 && !registry().isLoaded(QStringLiteral("Form1")));
        Form3* editor = editorAfterOpeningTicks();
        QVERIFY(editor);
        const Money prior = s.rows[position - 1].balance;
        s.rows.insert(s.rows.begin() + position, makeRow("0", "0", "0", "0", "INSERTED ROW"));
        QCOMPARE(s.table(), tableText(s.rows));
        QCOMPARE(editor->Text5->text(), QStringLiteral("INSERTED ROW"));
        for (QLineEdit* amount : {editor->Text6, editor->Text7, editor->Text8, editor->Text9})
            QCOMPARE(amount->text(), QStringLiteral("0"));
        QCOMPARE(editor->PriorBalance, prior);
        typeOver(editor->Text6, QStringLiteral("10"));
        QTest::mouseClick(editor->Command3, Qt::LeftButton);
        QVERIFY(backWith(4) && s.answerer.texts.isEmpty());
        s.rows[position].payment = money("10");
        s.rows[position].balance = prior;
        for (std::size_t k = position; k < s.rows.size(); ++k)
            s.rows[k].balance -= money("10");
        QCOMPARE(s.table(), tableText(s.rows));
        // The insertion and the filling in are one change: one undo, one redo.
        window = readyLedgerWindow();
        QVERIFY(window && QTest::qWaitForWindowActive(window));
        QTest::keyClick(window->grdDataGrid, Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE(s.table(), tableText(threeRows()));
        QTest::keyClick(window->grdDataGrid, Qt::Key_Y, Qt::ControlModifier);
        QTRY_COMPARE(s.table(), tableText(s.rows));
        QVERIFY(s.answerer.texts.isEmpty());
    }

    // A refused command: one "Tallowick" message, the table exactly as before, the ledger window back.
    void failedCommandChangesNothing_data()
    {
        QTest::addColumn<bool>("insert");
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("byProgram");
        QTest::addColumn<QString>("trigger"); // none: the store refuses the position
        QTest::newRow("delete at 0") << false << 0 << false << QString();
        QTest::newRow("delete at 4") << false << 4 << false << QString();
        QTest::newRow("delete, recomputing")
            << false << 2 << false << QStringLiteral("BEFORE UPDATE OF balance ON Ledger");
        // Packed rows move down: the second rewrite fails after the first went through.
        QTest::newRow("insert, moving a row")
            << true << 1 << false << QStringLiteral("BEFORE UPDATE ON Ledger WHEN OLD.rowid = 3");
        QTest::newRow("insert, appending the former last row")
            << true << 1 << false << QStringLiteral("BEFORE INSERT ON Ledger");
        QTest::newRow("insert, placeholder at the end")
            << true << 3 << false << QStringLiteral("BEFORE INSERT ON Ledger");
        QTest::newRow("insert, placeholder between spaced rows")
            << true << 1 << true << QStringLiteral("BEFORE INSERT ON Ledger");
    }
    void failedCommandChangesNothing()
    {
        QFETCH(bool, insert);
        QFETCH(int, position);
        QFETCH(bool, byProgram);
        QFETCH(QString, trigger);
        Scene s(byProgram);
        if (!trigger.isEmpty())
            s.ledger.exec("CREATE TRIGGER refuse " + trigger.toStdString()
                          + " BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
        QVERIFY(press(insert ? position : 2, insert ? &frmLedger::Command3 : &frmLedger::cmdDelete));
        if (!insert) {
            Module1::SelectedRowPosition = position;
            QTest::mouseClick(confirmation()->Command1, Qt::LeftButton);
        }
        QVERIFY(backWith(3));
        QCOMPARE(s.answerer.captions, QStringList{QStringLiteral("Tallowick")});
        QVERIFY(s.answerer.texts[0].contains(trigger.isEmpty() ? "There is no current row in the ledger."
                                                               : "disk is full"));
        QVERIFY(!registry().isLoaded(QStringLiteral("Form3")));
        QCOMPARE(s.table(), tableText(s.rows));
    }
};

QTEST_MAIN(RowsTest)
#include "RowsTest.moc"
