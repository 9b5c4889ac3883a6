// Undo and redo from the ledger window: the keys, the grid's context menu, the row selected afterwards,
// refusals.
#include "Form4.h"
#include "LedgerChanges.h"
#include "InsertRow.h"
#include "RecordCursor.h"
#include "TestLedger.h"
#include "WindowDriver.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>

using namespace tallowick;
using namespace tallowick::test;

namespace {

int currentPosition(const frmLedger* window)
{
    return window->grdDataGrid->currentIndex().row() + 1;
}

enum class Opening { ShiftF10, RightClick, MenuKey };

// Opens the grid's context menu the way a user does; a right-click reaches the grid as the window system
// delivers it, as a context-menu event.
QMenu* openMenu(frmLedger* window, Opening how)
{
    QTableView* grid = window->grdDataGrid;
    if (how == Opening::RightClick) {
        const QPoint place(20, 20);
        QContextMenuEvent click(QContextMenuEvent::Mouse, place, grid->viewport()->mapToGlobal(place));
        QApplication::sendEvent(grid->viewport(), &click);
    } else {
        QTest::keyClick(grid, how == Opening::MenuKey ? Qt::Key_Menu : Qt::Key_F10,
                        how == Opening::MenuKey ? Qt::NoModifier : Qt::ShiftModifier);
    }
    const auto popup = [] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); };
    return QTest::qWaitFor([&] { return popup() != nullptr; }, kWaitMs) ? popup() : nullptr;
}

// The menu's first two entries, each with "on" or "off", then the menu closed.
QString undoEntries(QMenu* menu)
{
    if (!menu || menu->actions().size() < 2)
        return QStringLiteral("no menu of two entries or more");
    QStringList entries;
    for (int k = 0; k < 2; ++k)
        entries << menu->actions().at(k)->text() + (menu->actions().at(k)->isEnabled() ? " on" : " off");
    menu->close();
    return entries.join(QLatin1String(" | "));
}

bool clickEntry(QMenu* menu, int entry)
{
    if (!menu || entry >= menu->actions().size())
        return false;
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions().at(entry)).center());
    return true;
}

} // namespace

class UndoWindowTest : public WindowTest {
    Q_OBJECT

private slots:
    // Row 2 of 3 deleted, Ctrl+Z before the window's opening tick: the row is back at position 2 and stays
    // selected, with its number and every balance; Ctrl+Y deletes it again, and Ctrl+Shift+Z does too, from a
    // button as well as from the grid. Once another program has written to the file, the undo says so in a
    // box and writes nothing.
    void deletedRowComesBack()
    {
        TestLedger ledger;
        ledger.append(threeRows());
        QVERIFY_THROWS_NO_EXCEPTION({
            RecordCursor cursor(ledger.path()); // the store call the delete confirmation makes
            DeleteAndRebalance(cursor, 2);
        });
        const QString deleted = tableText(ledger.rows());
        auto* window = registry().Show<frmLedger>(QStringLiteral("frmLedger"));
        QVERIFY(window && window->Timer1->isActive());
        QApplication::setActiveWindow(window);
        QCOMPARE(window->grdDataGrid->model()->rowCount(), 2);

        QTest::keyClick(window->grdDataGrid, Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE(window->grdDataGrid->model()->rowCount(), 3);
        QTRY_VERIFY(!window->Timer1->isActive());
        QCOMPARE(tableText(ledger.rows()), tableText(threeRows()));
        QCOMPARE(currentPosition(window), 2);
        QCOMPARE(gridCell(window, 1, LedgerTableModel::NumberColumn), QStringLiteral("1001"));
        QCOMPARE(gridCell(window, 1, LedgerTableModel::BalanceColumn), QStringLiteral("$900.00"));
        QCOMPARE(gridCell(window, 2, LedgerTableModel::BalanceColumn), QStringLiteral("$850.00"));

        QTest::keyClick(window->grdDataGrid, Qt::Key_Y, Qt::ControlModifier);
        QTRY_COMPARE(window->grdDataGrid->model()->rowCount(), 2);
        QCOMPARE(tableText(ledger.rows()), deleted);
        QCOMPARE(currentPosition(window), 2); // the row now standing where the deleted one stood

        QTest::keyClick(window->grdDataGrid, Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE(window->grdDataGrid->model()->rowCount(), 3);
        window->cmdRefresh->setFocus();
        QTest::keyClick(window->cmdRefresh, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_COMPARE(window->grdDataGrid->model()->rowCount(), 2);
        QCOMPARE(tableText(ledger.rows()), deleted);

        ledger.exec("UPDATE Ledger SET balance = 1 WHERE rowid = 3");
        const QString changed = tableText(ledger.rows());
        MessageAnswerer answerer;
        QTest::keyClick(window->grdDataGrid, Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE(answerer.texts.size(), 1);
        QCOMPARE(answerer.captions, QStringList{QStringLiteral("Tallowick")});
        QCOMPARE(answerer.texts.first(),
                 QStringLiteral("Another program has changed the ledger file since, so "
                                "the earlier changes can no longer be undone."));
        QCOMPARE(tableText(ledger.rows()), changed);
        QCOMPARE(window->grdDataGrid->model()->rowCount(), 2);
    }

    // The first two entries name the change to undo and to redo, greyed when there is none, however the menu
    // is opened; choosing one undoes or redoes that change.
    void menuNamesTheChanges()
    {
        TestLedger ledger;
        auto* opening = registry().Show<Form4>(QStringLiteral("Form4"));
        QVERIFY(opening);
        QTest::keyClicks(opening->Text1, QStringLiteral("1000"));
        QTest::mouseClick(opening->Command1, Qt::LeftButton);
        frmLedger* window = readyLedgerWindow();
        QVERIFY(window);
        QCOMPARE(undoEntries(openMenu(window, Opening::ShiftF10)),
                 QStringLiteral("Undo Initial Balance on | Redo off"));
        QVERIFY_THROWS_NO_EXCEPTION({
            RecordCursor cursor(ledger.path());
            cursor.AddNew();
            for (const char* amount : {"payment / debit", "tax deductible", "fee", "deposit / credit"})
                cursor.SetField(amount, "0");
            cursor.SetField("balance", "1000");
            cursor.Update();
            InsertPlaceholderAfter(cursor, 1);
            cursor.Move(2);
            cursor.Edit();
            cursor.SetField("fee", "2");
            UpdateAndRebalance(cursor);
        });
        const std::pair<Opening, QString> steps[] = {
            {Opening::RightClick, "Undo Update of row 3 on | Redo off"},
            {Opening::MenuKey, "Undo Insert after row 1 on | Redo Update of row 3 on"},
            {Opening::ShiftF10, "Undo Add on | Redo Insert after row 1 on"},
            {Opening::RightClick, "Undo Initial Balance on | Redo Add on"},
            {Opening::MenuKey, "Undo off | Redo Initial Balance on"},
        };
        for (const auto& [how, entries] : steps) {
            QCOMPARE(undoEntries(openMenu(window, how)), entries);
            QVERIFY(entries.startsWith(QLatin1String("Undo off")) || clickEntry(openMenu(window, how), 0));
        }
        QTRY_VERIFY(ledger.rows().empty());
        QCOMPARE(window->grdDataGrid->model()->rowCount(), 0);
        QVERIFY(clickEntry(openMenu(window, Opening::ShiftF10), 1)); // "Redo Initial Balance"
        QTRY_COMPARE(window->grdDataGrid->model()->rowCount(), 1);
        QCOMPARE(currentPosition(window), 1);
    }
};

QTEST_MAIN(UndoWindowTest)
#include "UndoWindowTest.moc"
