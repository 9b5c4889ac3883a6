// The record editor in add mode: the live balance, the checks made while
// typing and on "Add", the stored row, Cancel, and the return to the grid.
#include "WindowDriver.h"
#include "LedgerFile.h"
#include "Module1.h"
#include "Sqlite.h"
#include "TestLedger.h"
#include "WindowTestSupport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace tallowick;
using namespace tallowick::test;

namespace {

const QString kInvalidValue = QStringLiteral("This value is invalid");
const QString kBadNumber = QStringLiteral("The value in the number box is invalid");
const QString kBadDate = QStringLiteral("The date is invalid or in the wrong format");
const QString kTooLong = QStringLiteral("The description you have input is too long");

// The initial-balance row and one payment, leaving 250.75.
void appendTwoRowsEndingAt250_75(TestLedger& ledger)
{
    ledger.append({makeRow("0", "0", "0", "1000", "Initial Balance"), makeRow("749.25", "0", "0", "250.75", "Rent", 101)});
}

} // namespace

class EditorAddTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { registerWindowsOnce(); }
    void cleanup()
    {
        closeAllWindows();
        QTRY_VERIFY(noWindowsLeft());
    }

    void opensOnLastBalanceAndFollowsEveryAmount()
    {
        TestLedger ledger;
        appendTwoRowsEndingAt250_75(ledger);
        Module1::SelectedRowPosition = 77;
        MessageAnswerer answerer;

        Form3* editor = openEditorToAdd();
        QVERIFY(editor);
        QTRY_COMPARE(editor->Text9->text(), QStringLiteral("250.75"));
        QCOMPARE(editor->PriorBalance, money("250.75"));
        QVERIFY(!registry().isLoaded(QStringLiteral("frmLedger")));
        QCOMPARE(Module1::SelectedRowPosition, 77);

        QVERIFY(editor->Command1->isVisible());
        QVERIFY(editor->Command1->isDefault());
        QVERIFY(!editor->Command3->isVisible());
        QVERIFY(!navigationVisible(editor));
        for (QLineEdit* box : {editor->Text1, editor->Text2, editor->Text5, editor->Text6, editor->Text7, editor->Text8})
            QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
        QVERIFY(!editor->Check1->isChecked());
        QVERIFY(!editor->Text9->isEnabled());

        QTest::keyClicks(editor->Text6, QStringLiteral("50"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("200.75"));
        QTest::keyClicks(editor->Text8, QStringLiteral("5"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("205.75"));
        typeOver(editor->Text6, QString()); // an emptied amount counts as 0
        QCOMPARE(editor->Text9->text(), QStringLiteral("255.75"));
        QTest::keyClicks(editor->Text6, QStringLiteral("12.50"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("243.25"));
        editor->Text7->setText(QStringLiteral(" $1,000 ")); // pasted
        QCOMPARE(editor->Text9->text(), QStringLiteral("-756.75"));
        QVERIFY(answerer.texts.isEmpty());
    }

    void storesTheRowAndReturnsToTheLedger()
    {
        TestLedger ledger;
        ledger.append(makeRow("0", "0", "0", "500", "Initial Balance"));
        MessageAnswerer answerer;

        Form3* editor = openEditorToAdd();
        QVERIFY(editor);
        QTRY_COMPARE(editor->Text9->text(), QStringLiteral("500"));
        QTest::keyClicks(editor->Text1, QStringLiteral("1001"));
        QTest::keyClicks(editor->Text2, QStringLiteral("3/7/2004"));
        QTest::keyClicks(editor->Text5, QStringLiteral("Hardware store"));
        QTest::keyClicks(editor->Text6, QStringLiteral("120.25"));
        clickTick(editor->Check1);
        QVERIFY(editor->Check1->isChecked());
        QTest::keyClicks(editor->Text7, QStringLiteral("1.50"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("378.25"));
        QTest::mouseClick(editor->Command1, Qt::LeftButton);

        QVERIFY(backAtLedgerWindow());
        QVERIFY(answerer.texts.isEmpty());
        const auto rows = ledger.rows();
        QCOMPARE(rows.size(), std::size_t(2));
        QVERIFY(rows[0] == makeRow("0", "0", "0", "500", "Initial Balance"));
        LedgerRow expected = makeRow("120.25", "1.5", "0", "378.25", "Hardware store", 1001, 1);
        expected.date = LedgerDate{2004, 3, 7};
        QCOMPARE(rows[1].number, expected.number);
        QVERIFY(rows[1].date == expected.date);
        QVERIFY(rows[1].description == expected.description);
        QCOMPARE(rows[1].payment, expected.payment);
        QCOMPARE(rows[1].taxDeductible, expected.taxDeductible);
        QCOMPARE(rows[1].fee, expected.fee);
        QCOMPARE(rows[1].deposit, expected.deposit);
        QCOMPARE(rows[1].balance, expected.balance);

        auto* window = qobject_cast<frmLedger*>(registry().window(QStringLiteral("frmLedger")));
        QCOMPARE(window->grdDataGrid->model()->rowCount(), 2);
        QCOMPARE(window->grdDataGrid->currentIndex().row(), 1);
        QCOMPARE(window->grdDataGrid->model()->index(1, LedgerTableModel::DescriptionColumn).data().toString(),
                 QStringLiteral("Hardware store"));

        // The next "&Add" starts from empty boxes on the new row's balance.
        QTest::mouseClick(window->cmdAdd, Qt::LeftButton);
        editor = editorAfterOpeningTicks();
        QVERIFY(editor);
        QCOMPARE(editor->Text9->text(), QStringLiteral("378.25"));
        QCOMPARE(editor->PriorBalance, money("378.25"));
        QVERIFY(editor->Text1->text().isEmpty());
        QVERIFY(editor->Text6->text().isEmpty());
        QVERIFY(!editor->Check1->isChecked());
    }

    void emptyBoxesStoreZeroAmountsOnTheLastBalance()
    {
        TestLedger ledger;
        appendTwoRowsEndingAt250_75(ledger);
        MessageAnswerer answerer;

        Form3* editor = openEditorToAdd();
        QVERIFY(editor);
        QTRY_COMPARE(editor->Text9->text(), QStringLiteral("250.75"));
        QTest::mouseClick(editor->Command1, Qt::LeftButton);

        QVERIFY(backAtLedgerWindow());
        QVERIFY(answerer.texts.isEmpty());
        const auto rows = ledger.rows();
        QCOMPARE(rows.size(), std::size_t(3));
        QVERIFY(!rows[2].number);
        QVERIFY(!rows[2].date);
        QVERIFY(!rows[2].description);
        QCOMPARE(rows[2].payment, Money());
        QCOMPARE(rows[2].fee, Money());
        QCOMPARE(rows[2].deposit, Money());
        QCOMPARE(rows[2].taxDeductible, 0);
        QCOMPARE(shown(rows[2].balance), QStringLiteral("250.75"));
    }

    void loneMinusWarnsThenNegativePaymentCounts()
    {
        TestLedger ledger;
        ledger.append(makeRow("0", "0", "0", "100", "Initial Balance"));
        MessageAnswerer answerer;

        Form3* editor = openEditorToAdd();
        QVERIFY(editor);
        QTRY_COMPARE(editor->Text9->text(), QStringLiteral("100"));
        QTest::keyClick(editor->Text6, Qt::Key_Minus);
        QCOMPARE(answerer.texts, QStringList{kInvalidValue});
        QCOMPARE(answerer.captions, QStringList{QStringLiteral("Tallowick")});
        QCOMPARE(editor->Text6->text(), QStringLiteral("-"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("100"));

        QTest::keyClick(editor->Text6, Qt::Key_5);
        QCOMPARE(editor->Text9->text(), QStringLiteral("105"));
        QCOMPARE(answerer.texts.size(), 1);

        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QVERIFY(backAtLedgerWindow());
        const auto rows = ledger.rows();
        QCOMPARE(rows.size(), std::size_t(2));
        QCOMPARE(shown(rows[1].payment), QStringLiteral("-5"));
        QCOMPARE(shown(rows[1].balance), QStringLiteral("105"));
    }

    void lettersInFeeWarnWhileTypingAndStopAdd()
    {
        TestLedger ledger;
        ledger.append(makeRow("0", "0", "0", "100", "Initial Balance"));
        const auto before = ledger.rows();
        MessageAnswerer answerer;

        Form3* editor = openEditorToAdd();
        QVERIFY(editor);
        QTRY_COMPARE(editor->Text9->text(), QStringLiteral("100"));
        QTest::keyClicks(editor->Text7, QStringLiteral("ab"));
        QCOMPARE(answerer.texts, QStringList({kInvalidValue, kInvalidValue}));

        // Every keystroke in another amount box meets the bad fee again; the
        // payment is still taken, the balance waits for the fee.
        QTest::keyClicks(editor->Text6, QStringLiteral("10"));
        QCOMPARE(answerer.texts.size(), 4);
        QCOMPARE(editor->PaymentAmount, money("10"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("100"));

        // Filling the empty deposit with "0" meets the bad fee once more
        // before the row is refused.
        answerer.texts.clear();
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QCOMPARE(answerer.texts, QStringList({kInvalidValue, kTooLong}));
        QVERIFY(ledger.rows() == before);
        QCOMPARE(loadedEditor(), editor);
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->Text7->text(), QStringLiteral("ab"));
        QCOMPARE(editor->Text8->text(), QStringLiteral("0")); // filled by the failed Add

        answerer.texts.clear();
        typeOver(editor->Text7, QString());
        QCOMPARE(editor->Text9->text(), QStringLiteral("90"));
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QVERIFY(backAtLedgerWindow());
        QVERIFY(answerer.texts.isEmpty());
        const auto rows = ledger.rows();
        QCOMPARE(rows.size(), std::size_t(2));
        QCOMPARE(shown(rows[1].fee), QStringLiteral("0"));
        QCOMPARE(shown(rows[1].balance), QStringLiteral("90"));
    }

    void zoneMessagesComeInStepOrderAndOneRowIsStoredAtLast()
    {
        TestLedger ledger;
        ledger.append(makeRow("0", "0", "0", "1000", "Initial Balance"));
        const auto before = ledger.rows();
        MessageAnswerer answerer;

        Form3* editor = openEditorToAdd();
        QVERIFY(editor);
        QTRY_COMPARE(editor->Text9->text(), QStringLiteral("1000"));
        QTest::keyClicks(editor->Text1, QStringLiteral("12a"));
        QTest::keyClicks(editor->Text2, QStringLiteral("2/30/2024"));
        editor->Text5->setText(QString(256, QLatin1Char('x')));

        // A bad number and a bad date: only the number is reported.
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QCOMPARE(answerer.texts, QStringList{kBadNumber});
        QCOMPARE(answerer.captions, QStringList{QStringLiteral("Tallowick")});
        QVERIFY(ledger.rows() == before);
        for (QLineEdit* amount : {editor->Text6, editor->Text7, editor->Text8})
            QCOMPARE(amount->text(), QStringLiteral("0"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("1000"));
        QCOMPARE(editor->Text1->text(), QStringLiteral("12a"));

        typeOver(editor->Text1, QStringLiteral("12"));
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QCOMPARE(answerer.texts.last(), kBadDate);
        QVERIFY(ledger.rows() == before);

        typeOver(editor->Text2, QStringLiteral("2/29/2024"));
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QCOMPARE(answerer.texts.last(), kTooLong);
        QVERIFY(ledger.rows() == before);
        QCOMPARE(answerer.texts.size(), 3);

        // The limit counts characters, not bytes.
        const QString longest(255, QChar(0x00E9));
        editor->Text5->setText(longest);
        typeOver(editor->Text6, QStringLiteral("40"));
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QVERIFY(backAtLedgerWindow());
        QCOMPARE(answerer.texts.size(), 3);
        const auto rows = ledger.rows();
        QCOMPARE(rows.size(), std::size_t(2));
        QVERIFY(rows[1].number == 12);
        QVERIFY(rows[1].date == LedgerDate({2024, 2, 29}));
        QCOMPARE(QString::fromStdString(rows[1].description.value_or("")), longest);
        QCOMPARE(shown(rows[1].balance), QStringLiteral("960"));
    }

    void enterInABoxPressesAdd()
    {
        TestLedger ledger;
        ledger.append(makeRow("0", "0", "0", "100", "Initial Balance"));
        MessageAnswerer answerer;

        Form3* editor = openEditorToAdd();
        QVERIFY(editor);
        QTRY_COMPARE(editor->Text9->text(), QStringLiteral("100"));
        QTest::keyClicks(editor->Text6, QStringLiteral("30"));
        QTest::keyClick(editor->Text6, Qt::Key_Return);

        QVERIFY(backAtLedgerWindow());
        QVERIFY(answerer.texts.isEmpty());
        const auto rows = ledger.rows();
        QCOMPARE(rows.size(), std::size_t(2));
        QCOMPARE(shown(rows[1].balance), QStringLiteral("70"));
    }

    void cancelStoresNothing()
    {
        TestLedger ledger;
        appendTwoRowsEndingAt250_75(ledger);
        const auto before = ledger.rows();
        MessageAnswerer answerer;

        Form3* editor = openEditorToAdd();
        QVERIFY(editor);
        QTRY_COMPARE(editor->Text9->text(), QStringLiteral("250.75"));
        QTest::keyClicks(editor->Text1, QStringLiteral("7"));
        QTest::keyClicks(editor->Text2, QStringLiteral("1/2/2024"));
        QTest::keyClicks(editor->Text5, QStringLiteral("Never stored"));
        QTest::keyClicks(editor->Text6, QStringLiteral("1"));
        clickTick(editor->Check1);
        QTest::keyClicks(editor->Text7, QStringLiteral("2"));
        QTest::keyClicks(editor->Text8, QStringLiteral("3"));
        QTest::keyClick(editor->Text5, Qt::Key_Escape); // no button answers to Esc
        QCOMPARE(loadedEditor(), editor);
        QTest::mouseClick(editor->Command2, Qt::LeftButton);

        QVERIFY(backAtLedgerWindow());
        QVERIFY(answerer.texts.isEmpty());
        QVERIFY(ledger.rows() == before);
        auto* window = qobject_cast<frmLedger*>(registry().window(QStringLiteral("frmLedger")));
        QCOMPARE(window->grdDataGrid->model()->rowCount(), 2);
    }

    void emptyLedgerAddsFromZeroAndHasNothingToEdit()
    {
        TestLedger ledger;
        MessageAnswerer answerer;
        frmLedger* window = openLedgerWindow();
        QVERIFY(window);

        // "&Edit" without a current row does nothing.
        QTest::mouseClick(window->Command1, Qt::LeftButton);
        QVERIFY(!registry().isLoaded(QStringLiteral("Form3")));
        QVERIFY(registry().isLoaded(QStringLiteral("frmLedger")));

        QTest::mouseClick(window->cmdAdd, Qt::LeftButton);
        Form3* editor = editorAfterOpeningTicks();
        QVERIFY(editor);
        QCOMPARE(editor->Text9->text(), QStringLiteral("0"));
        QCOMPARE(editor->PriorBalance, Money());
        QTest::keyClicks(editor->Text8, QStringLiteral("1000"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("1000"));
        QTest::mouseClick(editor->Command1, Qt::LeftButton);

        QVERIFY(backAtLedgerWindow());
        QVERIFY(answerer.texts.isEmpty());
        const auto rows = ledger.rows();
        QCOMPARE(rows.size(), std::size_t(1));
        QCOMPARE(shown(rows[0].deposit), QStringLiteral("1000"));
        QCOMPARE(shown(rows[0].balance), QStringLiteral("1000"));
    }

    void fileFaultShowsStoreSentenceAndRefusalShowsZoneMessage()
    {
        TestLedger ledger;
        ledger.append(makeRow("0", "0", "0", "100", "Initial Balance"));
        const auto before = ledger.rows();
        MessageAnswerer answerer;

        Form3* editor = openEditorToAdd();
        QVERIFY(editor);
        QTRY_COMPARE(editor->Text9->text(), QStringLiteral("100"));
        QTest::keyClicks(editor->Text6, QStringLiteral("10"));

        {
            // Another program holds the file for writing.
            auto other = LedgerConnection::open(ledger.path());
            execute(other->db(), "BEGIN IMMEDIATE");
            QTest::mouseClick(editor->Command1, Qt::LeftButton);
            execute(other->db(), "ROLLBACK");
        }
        QCOMPARE(answerer.texts.size(), 1);
        QVERIFY2(answerer.texts[0].contains(QStringLiteral("locked")), qPrintable(answerer.texts[0]));
        QVERIFY(ledger.rows() == before);
        QCOMPARE(loadedEditor(), editor);

        ledger.exec("CREATE TRIGGER refuse BEFORE INSERT ON Ledger BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QCOMPARE(answerer.texts.size(), 2);
        QCOMPARE(answerer.texts[1], kTooLong);
        QVERIFY(ledger.rows() == before);
        QCOMPARE(loadedEditor(), editor);

        ledger.exec("DROP TRIGGER refuse");
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QVERIFY(backAtLedgerWindow());
        QCOMPARE(answerer.texts.size(), 2);
        const auto rows = ledger.rows();
        QCOMPARE(rows.size(), std::size_t(2));
        QCOMPARE(shown(rows[1].balance), QStringLiteral("90"));
    }
};

QTEST_MAIN(EditorAddTest)
#include "EditorAddTest.moc"
