// The record editor in edit mode: what it shows on opening, and "Update",
// which stores the row in place and rebuilds every later balance as one change.
#include "WindowDriver.h"
#include "LedgerFile.h"
#include "Module1.h"
#include "Sqlite.h"
#include "TestLedger.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace tallowick;
using namespace tallowick::test;

namespace {

const QString kBadNumber = QStringLiteral("The value in the number box is invalid");
const QString kBadDate = QStringLiteral("The date is invalid or in the wrong format");
const QString kTooLong = QStringLiteral("The description you have input is too long");

// Five rows whose balances follow the rule:
//   1  Initial Balance              500
//   2  101  Books     -400          100
//   3  102  2/3/2024  Grocer -20 T   80
//   4       Paycheck  +1000        1080
//   5  104  3/1/2024  Fuel -12.50 fee 1.50  1066
std::vector<LedgerRow> fiveRows()
{
    LedgerRow grocer = makeRow("20", "0", "0", "80", "Grocer", 102, 1);
    grocer.date = LedgerDate{2024, 2, 3};
    LedgerRow fuel = makeRow("12.50", "1.50", "0", "1066", "Fuel", 104);
    fuel.date = LedgerDate{2024, 3, 1};
    return {makeRow("0", "0", "0", "500", "Initial Balance"), makeRow("400", "0", "0", "100", "Books", 101), grocer,
            makeRow("0", "0", "1000", "1080", "Paycheck"), fuel};
}

// The same rows with the balances of rows from `first` (1-based) on as given.
std::vector<LedgerRow> withBalances(std::vector<LedgerRow> rows, std::size_t first, std::vector<const char*> balances)
{
    for (std::size_t k = 0; k < balances.size(); ++k)
        rows[first - 1 + k].balance = Money::parse(balances[k]);
    return rows;
}

} // namespace

class EditorUpdateTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { registerWindowsOnce(); }
    void cleanup()
    {
        closeAllWindows();
        QTRY_VERIFY(noWindowsLeft());
    }

    void opensOnTheChosenRow()
    {
        TestLedger ledger;
        ledger.append(fiveRows());
        MessageAnswerer answerer;

        // The first row, chosen with the mouse.
        frmLedger* window = openLedgerWindow();
        QVERIFY(window);
        QTableView* grid = window->grdDataGrid;
        const QModelIndex first = grid->model()->index(0, LedgerTableModel::DescriptionColumn);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(first).center());
        QCOMPARE(grid->currentIndex().row(), 0);
        QTest::mouseClick(window->Command1, Qt::LeftButton);
        Form3* editor = editorAfterOpeningTicks();
        QVERIFY(editor);
        QCOMPARE(Module1::SelectedRowPosition, 1);
        QVERIFY(!registry().isLoaded(QStringLiteral("frmLedger")));
        QVERIFY(editor->Command3->isVisible());
        QVERIFY(editor->Command3->isDefault());
        QVERIFY(!editor->Command1->isVisible());
        QVERIFY(editor->Command4->isVisible() && editor->Command5->isVisible());
        QVERIFY(editor->Command6->isVisible() && editor->Command7->isVisible());
        QCOMPARE(editor->Text1->text(), QString());
        QCOMPARE(editor->Text2->text(), QString());
        QCOMPARE(editor->Text5->text(), QStringLiteral("Initial Balance"));
        QCOMPARE(editor->Text6->text(), QStringLiteral("0"));
        QCOMPARE(editor->Text7->text(), QStringLiteral("0"));
        QCOMPARE(editor->Text8->text(), QStringLiteral("0"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("500"));
        QCOMPARE(editor->PriorBalance, Money());
        QTest::mouseClick(editor->Command2, Qt::LeftButton);
        QVERIFY(backAtLedgerWindow());

        // "&Edit" straight away acts on the last row.
        editor = openEditorOnRow();
        QVERIFY(editor);
        QCOMPARE(Module1::SelectedRowPosition, 5);
        QCOMPARE(editor->Text1->text(), QStringLiteral("104"));
        QCOMPARE(editor->Text2->text(), QStringLiteral("3/1/2024"));
        QCOMPARE(editor->Text5->text(), QStringLiteral("Fuel"));
        QCOMPARE(editor->Text6->text(), QStringLiteral("12.5"));
        QCOMPARE(editor->Text7->text(), QStringLiteral("1.5"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("1066"));
        QVERIFY(!editor->Check1->isChecked());
        QCOMPARE(editor->PriorBalance, money("1080"));
        QTest::mouseClick(editor->Command2, Qt::LeftButton);
        QVERIFY(backAtLedgerWindow());

        // The third row: the tick comes from the stored flag, and a new
        // payment builds on the second row's balance.
        editor = openEditorOnRow(3);
        QVERIFY(editor);
        QCOMPARE(editor->Text1->text(), QStringLiteral("102"));
        QCOMPARE(editor->Text2->text(), QStringLiteral("2/3/2024"));
        QVERIFY(editor->Check1->isChecked());
        QCOMPARE(editor->PriorBalance, money("100"));
        typeOver(editor->Text6, QStringLiteral("25"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("75"));
        QTest::mouseClick(editor->Command2, Qt::LeftButton);
        QVERIFY(backAtLedgerWindow());
        QVERIFY(ledger.rows() == fiveRows());
        QVERIFY(answerer.texts.isEmpty());
    }

    void changedPaymentMovesThatAndEveryLaterBalance()
    {
        TestLedger ledger;
        ledger.append(fiveRows());
        MessageAnswerer answerer;

        Form3* editor = openEditorOnRow(3);
        QVERIFY(editor);
        typeOver(editor->Text6, QStringLiteral("25"));
        QTest::mouseClick(editor->Command3, Qt::LeftButton);

        QVERIFY(backAtLedgerWindow());
        QVERIFY(answerer.texts.isEmpty());
        auto expected = withBalances(fiveRows(), 3, {"75", "1075", "1061"});
        expected[2].payment = money("25");
        QVERIFY(ledger.rows() == expected);
        auto* window = qobject_cast<frmLedger*>(registry().window(QStringLiteral("frmLedger")));
        QCOMPARE(window->grdDataGrid->currentIndex().row(), 4);
    }

    void unchangedUpdateRepairsBrokenBalances()
    {
        TestLedger ledger;
        ledger.append(withBalances(fiveRows(), 2, {"7", "80", "9999"}));
        MessageAnswerer answerer;

        Form3* editor = openEditorOnRow(2);
        QVERIFY(editor);
        QCOMPARE(editor->Text9->text(), QStringLiteral("7"));
        QTest::keyClick(editor->Text5, Qt::Key_Return); // Enter in a box presses "Update"

        QVERIFY(backAtLedgerWindow());
        QVERIFY(answerer.texts.isEmpty());
        QVERIFY(ledger.rows() == fiveRows());
    }

    void emptiedBoxesClearTheirFields()
    {
        TestLedger ledger;
        ledger.append(fiveRows());
        MessageAnswerer answerer;

        Form3* editor = openEditorOnRow(5);
        QVERIFY(editor);
        typeOver(editor->Text1, QString());
        typeOver(editor->Text2, QString());
        typeOver(editor->Text5, QString());
        typeOver(editor->Text7, QString());
        QCOMPARE(editor->Text9->text(), QStringLiteral("1067.5"));
        clickTick(editor->Check1);
        QTest::mouseClick(editor->Command3, Qt::LeftButton);

        QVERIFY(backAtLedgerWindow());
        QVERIFY(answerer.texts.isEmpty());
        const auto rows = ledger.rows();
        QCOMPARE(rows.size(), std::size_t(5));
        QVERIFY(!rows[4].number);
        QVERIFY(!rows[4].date);
        QVERIFY(!rows[4].description);
        QCOMPARE(rows[4].fee, Money());
        QCOMPARE(rows[4].payment, money("12.5"));
        QCOMPARE(rows[4].taxDeductible, 1);
        QCOMPARE(rows[4].balance, money("1067.5"));
    }

    void badNumberAndDateChangeNothingUntilCorrected()
    {
        TestLedger ledger;
        ledger.append(fiveRows());
        MessageAnswerer answerer;

        Form3* editor = openEditorOnRow(3);
        QVERIFY(editor);
        typeOver(editor->Text1, QStringLiteral("10x"));
        typeOver(editor->Text2, QStringLiteral("2/30/2024"));
        typeOver(editor->Text7, QString());
        QTest::mouseClick(editor->Command3, Qt::LeftButton);
        QCOMPARE(answerer.texts, QStringList{kBadNumber});
        QCOMPARE(answerer.captions, QStringList{QStringLiteral("Tallowick")});
        QVERIFY(ledger.rows() == fiveRows());
        QCOMPARE(loadedEditor(), editor);
        QCOMPARE(editor->Text1->text(), QStringLiteral("10x"));
        QCOMPARE(editor->Text7->text(), QStringLiteral("0"));

        typeOver(editor->Text1, QStringLiteral("105"));
        QTest::mouseClick(editor->Command3, Qt::LeftButton);
        QCOMPARE(answerer.texts, QStringList({kBadNumber, kBadDate}));
        QVERIFY(ledger.rows() == fiveRows());

        typeOver(editor->Text2, QStringLiteral("2/28/2024"));
        QTest::mouseClick(editor->Command3, Qt::LeftButton);
        QVERIFY(backAtLedgerWindow());
        QCOMPARE(answerer.texts.size(), 2);
        auto expected = fiveRows();
        expected[2].number = 105;
        expected[2].date = LedgerDate{2024, 2, 28};
        QVERIFY(ledger.rows() == expected);
    }

    void failedUpdateLeavesLedgerAsItWasAndRetryChangesSameRow()
    {
        TestLedger ledger;
        ledger.append(fiveRows());
        MessageAnswerer answerer;

        Form3* editor = openEditorOnRow(3);
        QVERIFY(editor);
        typeOver(editor->Text6, QStringLiteral("25"));

        // The store refuses the row itself.
        ledger.exec("CREATE TRIGGER refuse BEFORE UPDATE ON Ledger WHEN OLD.rowid = 3 "
                    "BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
        QTest::mouseClick(editor->Command3, Qt::LeftButton);
        QCOMPARE(answerer.texts, QStringList{kTooLong});
        QVERIFY(ledger.rows() == fiveRows());
        ledger.exec("DROP TRIGGER refuse");

        // The row is stored, then the recomputation fails two rows further on.
        ledger.exec("CREATE TRIGGER refuse BEFORE UPDATE OF balance ON Ledger WHEN OLD.rowid = 5 "
                    "BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
        QTest::mouseClick(editor->Command3, Qt::LeftButton);
        QCOMPARE(answerer.texts, QStringList({kTooLong, kTooLong}));
        QVERIFY(ledger.rows() == fiveRows());
        QCOMPARE(loadedEditor(), editor);
        QVERIFY(editor->isVisible());
        QVERIFY(editor->Command3->isVisible());
        QCOMPARE(editor->Text6->text(), QStringLiteral("25"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("75"));
        QVERIFY(!QApplication::overrideCursor());
        ledger.exec("DROP TRIGGER refuse");

        // A fault of the file is told in the store's own words.
        {
            auto other = LedgerConnection::open(ledger.path());
            execute(other->db(), "BEGIN IMMEDIATE");
            QTest::mouseClick(editor->Command3, Qt::LeftButton);
            execute(other->db(), "ROLLBACK");
        }
        QCOMPARE(answerer.texts.size(), 3);
        QVERIFY2(answerer.texts[2].contains(QStringLiteral("locked")), qPrintable(answerer.texts[2]));
        QVERIFY(ledger.rows() == fiveRows());
        QCOMPARE(loadedEditor(), editor);

        QTest::mouseClick(editor->Command3, Qt::LeftButton);
        QVERIFY(backAtLedgerWindow());
        QCOMPARE(answerer.texts.size(), 3);
        auto expected = withBalances(fiveRows(), 3, {"75", "1075", "1061"});
        expected[2].payment = money("25");
        QVERIFY(ledger.rows() == expected);
    }

    void singleRowIsChangedAlone()
    {
        TestLedger ledger;
        ledger.append(makeRow("0", "0", "0", "750", "Initial Balance"));
        MessageAnswerer answerer;

        Form3* editor = openEditorOnRow();
        QVERIFY(editor);
        QCOMPARE(Module1::SelectedRowPosition, 1);
        QCOMPARE(editor->PriorBalance, Money());
        QCOMPARE(editor->Text9->text(), QStringLiteral("750"));
        typeOver(editor->Text5, QStringLiteral("Opening"));
        typeOver(editor->Text1, QStringLiteral("1"));
        QTest::mouseClick(editor->Command3, Qt::LeftButton);

        QVERIFY(backAtLedgerWindow());
        QVERIFY(answerer.texts.isEmpty());
        LedgerRow expected = makeRow("0", "0", "0", "750", "Opening", 1);
        const auto rows = ledger.rows();
        QCOMPARE(rows.size(), std::size_t(1));
        QVERIFY(rows[0] == expected);
    }

    void changedFirstRowBecomesTheNewAnchor()
    {
        TestLedger ledger;
        ledger.append(fiveRows());
        MessageAnswerer answerer;

        Form3* editor = openEditorOnRow(1);
        QVERIFY(editor);
        typeOver(editor->Text8, QStringLiteral("600"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("600"));
        QTest::mouseClick(editor->Command3, Qt::LeftButton);

        QVERIFY(backAtLedgerWindow());
        QVERIFY(answerer.texts.isEmpty());
        auto expected = withBalances(fiveRows(), 1, {"600", "200", "180", "1180", "1166"});
        expected[0].deposit = money("600");
        const auto rows = ledger.rows();
        QVERIFY(rows == expected);
        QVERIFY(balancesFollowRule(rows));
    }
};

QTEST_MAIN(EditorUpdateTest)
#include "EditorUpdateTest.moc"
