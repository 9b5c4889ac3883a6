// Deleting a row from the ledger window: the confirmation window, the delete
// with its recomputation of the balances as one change, and every way back
// to the ledger window.
#include "Form5.h"
#include "LedgerFile.h"
#include "Module1.h"
#include "RecordCursor.h"
#include "RowsDriver.h"
#include "TestLedger.h"
#include "WindowRegistry.h"
#include "WindowTestSupport.h"
#include "frmLedger.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace tallowick;
using namespace tallowick::test;

namespace {

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

Form5* confirmationWindow()
{
    return qobject_cast<Form5*>(WindowRegistry::instance().window(QStringLiteral("Form5")));
}

// The sentence the store gives when the row at `position` is to be deleted
// and there is none; found on a change that is rolled back.
QString storeSentenceForDeleting(const TestLedger& ledger, int position)
{
    RecordCursor cursor(ledger.path());
    Transaction discarded(cursor.connection());
    try {
        cursor.MoveFirst();
        cursor.Move(std::int64_t(position) - 1);
        cursor.Delete();
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

} // namespace

class DeleteRowTest : public QObject {
    Q_OBJECT

private:
    // Opens the ledger, makes `position` current and presses "&Delete".
    Form5* pressDelete(int rows, int position)
    {
        frmLedger* ledgerWindow = openLedger(rows);
        if (!ledgerWindow)
            return nullptr;
        selectRow(ledgerWindow, position);
        QTest::mouseClick(ledgerWindow->cmdDelete, Qt::LeftButton);
        return confirmationWindow();
    }

private slots:
    void initTestCase() { registerWindowsOnce(); }
    void cleanup()
    {
        closeAllWindows();
        QTRY_VERIFY(noWindowsLeft());
    }

    void deletingMiddleRowRecomputesLaterBalances()
    {
        TestLedger ledger;
        const auto before = threeRows();
        ledger.append(before);
        auto& registry = WindowRegistry::instance();

        frmLedger* ledgerWindow = openLedger(3);
        QVERIFY(ledgerWindow);
        clickRow(ledgerWindow, 2);
        QCOMPARE(ledgerWindow->grdDataGrid->currentIndex().row(), 1);
        MessageAnswerer answerer;
        QTest::mouseClick(ledgerWindow->cmdDelete, Qt::LeftButton);

        Form5* confirmation = confirmationWindow();
        QVERIFY(confirmation);
        QVERIFY(confirmation->isVisible());
        QCOMPARE(Module1::SelectedRowPosition, 2);
        QVERIFY(!registry.isLoaded(QStringLiteral("frmLedger")));
        QCOMPARE(ledger.rows().size(), std::size_t(3)); // nothing happens before the click

        QTest::mouseClick(confirmation->Command1, Qt::LeftButton);
        QVERIFY(!registry.isLoaded(QStringLiteral("Form5")));
        QVERIFY(ledgerBack(2));
        QVERIFY(answerer.texts.isEmpty());

        LedgerRow movedUp = before[2];
        movedUp.balance = Money::parse("950");
        QCOMPARE(tableText(ledger.rows()), tableText({before[0], movedUp}));
    }

    void deletingLastRowLeavesEarlierRowsAsTheyWere()
    {
        TestLedger ledger;
        auto rows = threeRows();
        rows.push_back(makeRow("0", "0", "200", "1050", "Pay cheque", 1003));
        ledger.append(rows);

        Form5* confirmation = pressDelete(4, 4); // the last row
        QVERIFY(confirmation);
        QCOMPARE(Module1::SelectedRowPosition, 4);
        QTest::mouseClick(confirmation->Command1, Qt::LeftButton);
        QVERIFY(ledgerBack(3));
        rows.pop_back();
        QCOMPARE(tableText(ledger.rows()), tableText(rows));

        // The first row: the next one becomes the anchor with its stored balance.
        confirmation = pressDelete(3, 1);
        QVERIFY(confirmation);
        QTest::mouseClick(confirmation->Command1, Qt::LeftButton);
        QVERIFY(ledgerBack(2));
        QCOMPARE(tableText(ledger.rows()), tableText({rows[1], rows[2]}));
        QVERIFY(!QApplication::overrideCursor());
    }

    void deletingOnlyRowLeavesEmptyTableWithoutMessage()
    {
        TestLedger ledger;
        ledger.append(makeRow("0", "0", "0", "1000", "Initial Balance"));
        MessageAnswerer answerer;

        Form5* confirmation = pressDelete(1, 1);
        QVERIFY(confirmation);
        QTest::mouseClick(confirmation->Command1, Qt::LeftButton);
        frmLedger* back = ledgerBack(0);
        QVERIFY(back);
        QVERIFY(ledger.rows().empty());
        QTest::qWait(100); // a late message would be answered and recorded here
        QVERIFY2(answerer.texts.isEmpty(), qPrintable(answerer.texts.join(QLatin1Char('\n'))));
    }

    void confirmationAsksAndEnterCancels()
    {
        TestLedger ledger;
        const auto before = threeRows();
        ledger.append(before);
        auto& registry = WindowRegistry::instance();

        Form5* confirmation = pressDelete(3, 1);
        QVERIFY(confirmation);
        QCOMPARE(confirmation->windowTitle(), QStringLiteral("Confirm Delete"));
        QCOMPARE(confirmation->size(), QSize(4470 / 15, 1380 / 15));
        QCOMPARE(confirmation->Label1->text(),
                 QStringLiteral("You are about to delet the selected record.  Are you sure you want to do this?"));
        QCOMPARE(confirmation->Command1->text(), QStringLiteral("Delete"));
        QCOMPARE(confirmation->Command2->text(), QStringLiteral("Cancel"));
        QVERIFY(confirmation->Command1->geometry().right() < confirmation->Command2->geometry().left());
        QCOMPARE(confirmation->Command1->y(), confirmation->Command2->y());
        QVERIFY(confirmation->Command1->y() > confirmation->Label1->y());
        QVERIFY(confirmation->Command2->isDefault());
        QVERIFY(!confirmation->Command1->isDefault());
        QCOMPARE(Module1::SelectedRowPosition, 1);

        // Enter at once: the focus starts on "Cancel".
        QVERIFY(QTest::qWaitForWindowActive(confirmation));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(confirmation->Command2));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

        QVERIFY(!registry.isLoaded(QStringLiteral("Form5")));
        QVERIFY(ledgerBack(3));
        QCOMPARE(tableText(ledger.rows()), tableText(before));
    }

    void enterOnFocusedDeleteDeletes()
    {
        TestLedger ledger;
        ledger.append(threeRows());

        Form5* confirmation = pressDelete(3, 3);
        QVERIFY(confirmation);
        QVERIFY(QTest::qWaitForWindowActive(confirmation));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(confirmation->Command2));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(confirmation->Command1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(ledgerBack(2));
        QCOMPARE(ledger.rows().size(), std::size_t(2));
    }

    void cancelChangesNothing()
    {
        TestLedger ledger;
        auto before = threeRows();
        before[1].balance = Money::parse("123.45"); // off the rule: a recomputation would show
        ledger.append(before);
        MessageAnswerer answerer;

        Form5* confirmation = pressDelete(3, 2);
        QVERIFY(confirmation);
        QTest::mouseClick(confirmation->Command2, Qt::LeftButton);
        QVERIFY(!WindowRegistry::instance().isLoaded(QStringLiteral("Form5")));
        frmLedger* back = ledgerBack(3);
        QVERIFY(back);
        QCOMPARE(back->grdDataGrid->currentIndex().row(), 2);
        QCOMPARE(tableText(ledger.rows()), tableText(before));
        QVERIFY(answerer.texts.isEmpty());
    }

    void closeBoxRunsNeitherCommand()
    {
        TestLedger ledger;
        const auto before = threeRows();
        ledger.append(before);
        auto& registry = WindowRegistry::instance();

        // Alone: closing the confirmation ends the program.
        {
            QSignalSpy ended(&registry, &WindowRegistry::programEnded);
            Form5* confirmation = pressDelete(3, 2);
            QVERIFY(confirmation);
            QCOMPARE(ended.count(), 0);
            confirmation->close();
            QCOMPARE(ended.count(), 1);
            QCOMPARE(registry.loadedCount(), 0);
            QTest::qWait(150); // no ledger window comes back late
            QVERIFY(!registry.isLoaded(QStringLiteral("frmLedger")));
            QCOMPARE(tableText(ledger.rows()), tableText(before));
        }
        closeAllWindows();
        QTRY_VERIFY(noWindowsLeft());

        // With the help viewer open beside it: the program goes on, still
        // without a ledger window.
        {
            frmLedger* ledgerWindow = openLedger(3);
            QVERIFY(ledgerWindow);
            QTest::mouseClick(ledgerWindow->Command4, Qt::LeftButton);
            QVERIFY(registry.isLoaded(QStringLiteral("Form6")));
            selectRow(ledgerWindow, 1);
            QTest::mouseClick(ledgerWindow->cmdDelete, Qt::LeftButton);
            Form5* confirmation = confirmationWindow();
            QVERIFY(confirmation);
            QSignalSpy ended(&registry, &WindowRegistry::programEnded);
            confirmation->close();
            QCOMPARE(ended.count(), 0);
            QVERIFY(!registry.isLoaded(QStringLiteral("Form5")));
            QVERIFY(registry.isLoaded(QStringLiteral("Form6")));
            QVERIFY(!registry.isLoaded(QStringLiteral("frmLedger")));
            QCOMPARE(tableText(ledger.rows()), tableText(before));
        }
    }

    void positionOutsideTableIsReportedAndDeletesNothing()
    {
        for (int position : {0, 4, -1}) {
            TestLedger ledger;
            const auto before = threeRows();
            ledger.append(before);
            const QString sentence = storeSentenceForDeleting(ledger, position);
            QVERIFY(!sentence.isEmpty());

            Form5* confirmation = pressDelete(3, 2);
            QVERIFY(confirmation);
            Module1::SelectedRowPosition = position;
            MessageAnswerer answerer;
            QTest::mouseClick(confirmation->Command1, Qt::LeftButton);

            QCOMPARE(answerer.captions, QStringList{QStringLiteral("Tallowick")});
            QCOMPARE(answerer.texts, QStringList{sentence});
            QVERIFY(!WindowRegistry::instance().isLoaded(QStringLiteral("Form5")));
            QVERIFY2(ledgerBack(3), qPrintable(QString::number(position)));
            QCOMPARE(tableText(ledger.rows()), tableText(before));
            closeAllWindows();
            QTRY_VERIFY(noWindowsLeft());
        }
    }

    void numbersAreNeverRenumbered()
    {
        TestLedger ledger;
        ledger.append({makeRow("0", "0", "0", "500", "Initial Balance"), makeRow("10", "0", "0", "490", "A", 1001),
                       makeRow("20", "0", "0", "470", "B", 1002), makeRow("30", "0", "0", "440", "C", 1003)});

        Form5* confirmation = pressDelete(4, 3);
        QVERIFY(confirmation);
        QTest::mouseClick(confirmation->Command1, Qt::LeftButton);
        QVERIFY(ledgerBack(3));
        const auto after = ledger.rows();
        QCOMPARE(after.size(), std::size_t(3));
        QVERIFY(!after[0].number);
        QCOMPARE(after[1].number, std::optional<std::int64_t>(1001));
        QCOMPARE(after[2].number, std::optional<std::int64_t>(1003));
        QCOMPARE(after[2].balance, Money::parse("460"));
        QVERIFY(balancesFollowRule(after));
    }

    void recomputationFailureKeepsTheRow()
    {
        TestLedger ledger;
        const auto before = threeRows();
        ledger.append(before);
        // The delete itself goes through; rewriting the third row's balance fails.
        ledger.exec("CREATE TRIGGER refuse BEFORE UPDATE OF balance ON Ledger "
                    "BEGIN SELECT RAISE(ABORT, 'disk is full'); END");

        Form5* confirmation = pressDelete(3, 2);
        QVERIFY(confirmation);
        MessageAnswerer answerer;
        QTest::mouseClick(confirmation->Command1, Qt::LeftButton);

        QCOMPARE(answerer.captions, QStringList{QStringLiteral("Tallowick")});
        QCOMPARE(answerer.texts.size(), 1);
        QVERIFY2(answerer.texts[0].contains(QStringLiteral("disk is full")), qPrintable(answerer.texts[0]));
        QVERIFY(!WindowRegistry::instance().isLoaded(QStringLiteral("Form5")));
        QVERIFY(ledgerBack(3));
        QCOMPARE(tableText(ledger.rows()), tableText(before));
        QVERIFY(!QApplication::overrideCursor());

        // Once the fault is gone the same deletion succeeds.
        ledger.exec("DROP TRIGGER refuse");
        confirmation = pressDelete(3, 2);
        QVERIFY(confirmation);
        QTest::mouseClick(confirmation->Command1, Qt::LeftButton);
        QVERIFY(ledgerBack(2));
        QCOMPARE(ledger.rows().size(), std::size_t(2));
        QCOMPARE(ledger.rows()[1].balance, Money::parse("950"));
    }
};

QTEST_MAIN(DeleteRowTest)
#include "DeleteRowTest.moc"
