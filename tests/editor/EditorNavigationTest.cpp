// The editor's four navigation buttons, the rule that removes them once the
// user enters a field, and where the keyboard focus stands on opening.
#include "WindowDriver.h"
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

//   1  Initial Balance                      1000
//   2  101  1/5/2024  Grocer  -20  T         980
//   3  102  1/9/2024  Rent   -500            480
//   4            Paycheck +250.75            730.75
//   5  104       Fuel  -12.50 fee 1.50       716.75
std::vector<LedgerRow> fiveRows()
{
    LedgerRow grocer = makeRow("20", "0", "0", "980", "Grocer", 101, 1);
    grocer.date = LedgerDate{2024, 1, 5};
    LedgerRow rent = makeRow("500", "0", "0", "480", "Rent", 102);
    rent.date = LedgerDate{2024, 1, 9};
    return {makeRow("0", "0", "0", "1000", "Initial Balance"), grocer, rent,
            makeRow("0", "0", "250.75", "730.75", "Paycheck"), makeRow("12.50", "1.50", "0", "716.75", "Fuel", 104)};
}

} // namespace

class EditorNavigationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { registerWindowsOnce(); }
    void cleanup()
    {
        closeAllWindows();
        QTRY_VERIFY(noWindowsLeft());
    }

    void nextTwiceThenPreviousBuildsOnTheRowBefore()
    {
        TestLedger ledger;
        ledger.append(fiveRows());
        MessageAnswerer answerer;

        Form3* editor = openEditorOnRow(1);
        QVERIFY(editor);
        QTest::mouseClick(editor->Command6, Qt::LeftButton);
        QCOMPARE(editor->Text1->text(), QStringLiteral("101"));
        QCOMPARE(editor->Text5->text(), QStringLiteral("Grocer"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("980"));
        QCOMPARE(editor->PriorBalance, money("1000"));

        QTest::mouseClick(editor->Command6, Qt::LeftButton);
        QCOMPARE(editor->Text1->text(), QStringLiteral("102"));
        QCOMPARE(editor->Text5->text(), QStringLiteral("Rent"));
        QCOMPARE(editor->Text6->text(), QStringLiteral("500"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("480"));
        QCOMPARE(editor->PriorBalance, money("980"));

        QTest::mouseClick(editor->Command5, Qt::LeftButton);
        QCOMPARE(editor->Text1->text(), QStringLiteral("101"));
        QCOMPARE(editor->Text2->text(), QStringLiteral("1/5/2024"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("980"));
        QCOMPARE(editor->PriorBalance, money("1000"));

        // The shown balance now builds on the first row, and "Update" changes the second.
        typeOver(editor->Text6, QStringLiteral("30"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("970"));
        QTest::mouseClick(editor->Command3, Qt::LeftButton);
        QVERIFY(backAtLedgerWindow());
        QVERIFY(answerer.texts.isEmpty());
        const auto rows = ledger.rows();
        QCOMPARE(rows.size(), std::size_t(5));
        QVERIFY(rows[0] == fiveRows()[0]);
        QCOMPARE(rows[1].payment, money("30"));
        QCOMPARE(rows[1].balance, money("970"));
        QCOMPARE(rows[2].payment, money("500"));
        QCOMPARE(rows[2].balance, money("470"));
        QCOMPARE(rows[4].balance, money("706.75"));
    }

    void endsOfTheLedgerKeepTheCursorOnARow()
    {
        TestLedger ledger;
        ledger.append(fiveRows());
        MessageAnswerer answerer;

        Form3* editor = openEditorOnRow(1);
        QVERIFY(editor);

        // "<" on the first row changes nothing, and the cursor stays there.
        QTest::mouseClick(editor->Command5, Qt::LeftButton);
        QCOMPARE(editor->Text5->text(), QStringLiteral("Initial Balance"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("1000"));
        QCOMPARE(editor->PriorBalance, Money());
        QTest::mouseClick(editor->Command6, Qt::LeftButton);
        QCOMPARE(editor->Text5->text(), QStringLiteral("Grocer"));

        // ">>" goes to the last row; a date shown before does not linger.
        QTest::mouseClick(editor->Command7, Qt::LeftButton);
        QCOMPARE(editor->Text1->text(), QStringLiteral("104"));
        QCOMPARE(editor->Text2->text(), QString());
        QCOMPARE(editor->Text5->text(), QStringLiteral("Fuel"));
        QCOMPARE(editor->Text6->text(), QStringLiteral("12.5"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("716.75"));
        QCOMPARE(editor->PriorBalance, money("730.75"));

        // ">" on the last row changes nothing, and the cursor stays there.
        QTest::mouseClick(editor->Command6, Qt::LeftButton);
        QCOMPARE(editor->Text1->text(), QStringLiteral("104"));
        QCOMPARE(editor->PriorBalance, money("730.75"));
        QTest::mouseClick(editor->Command5, Qt::LeftButton);
        QCOMPARE(editor->Text5->text(), QStringLiteral("Paycheck"));
        QCOMPARE(editor->PriorBalance, money("480"));

        // "<<" from anywhere shows the initial-balance row.
        QTest::mouseClick(editor->Command4, Qt::LeftButton);
        QCOMPARE(editor->Text1->text(), QString());
        QCOMPARE(editor->Text2->text(), QString());
        QCOMPARE(editor->Text5->text(), QStringLiteral("Initial Balance"));
        QCOMPARE(editor->Text8->text(), QStringLiteral("0"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("1000"));
        QCOMPARE(editor->PriorBalance, Money());
        QVERIFY(answerer.texts.isEmpty());
        QVERIFY(ledger.rows() == fiveRows());
    }

    void reachedRowWithoutValuesShowsEmptyBoxes()
    {
        TestLedger ledger;
        ledger.append(fiveRows());
        MessageAnswerer answerer;

        Form3* editor = openEditorOnRow(2);
        QVERIFY(editor);
        QVERIFY(editor->Check1->isChecked());
        QCOMPARE(editor->Text2->text(), QStringLiteral("1/5/2024"));

        QTest::mouseClick(editor->Command6, Qt::LeftButton);
        QVERIFY(!editor->Check1->isChecked());
        QCOMPARE(editor->Text2->text(), QStringLiteral("1/9/2024"));

        QTest::mouseClick(editor->Command6, Qt::LeftButton);
        QCOMPARE(editor->Text1->text(), QString());
        QCOMPARE(editor->Text2->text(), QString());
        QCOMPARE(editor->Text5->text(), QStringLiteral("Paycheck"));
        QCOMPARE(editor->Text6->text(), QStringLiteral("0"));
        QCOMPARE(editor->Text8->text(), QStringLiteral("250.75"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("730.75"));
        QCOMPARE(editor->PriorBalance, money("480"));
        QVERIFY(answerer.texts.isEmpty());
    }

    void singleRowStaysShownByEveryButton()
    {
        TestLedger ledger;
        ledger.append(makeRow("0", "0", "0", "750", "Initial Balance"));
        MessageAnswerer answerer;

        Form3* editor = openEditorOnRow();
        QVERIFY(editor);
        for (QPushButton* button : {editor->Command4, editor->Command5, editor->Command6, editor->Command7}) {
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(editor->Text5->text(), QStringLiteral("Initial Balance"));
            QCOMPARE(editor->Text9->text(), QStringLiteral("750"));
            QCOMPARE(editor->PriorBalance, Money());
        }
        typeOver(editor->Text5, QStringLiteral("Opening"));
        QTest::mouseClick(editor->Command3, Qt::LeftButton);

        QVERIFY(backAtLedgerWindow());
        QVERIFY(answerer.texts.isEmpty());
        const auto rows = ledger.rows();
        QCOMPARE(rows.size(), std::size_t(1));
        QVERIFY(rows[0] == makeRow("0", "0", "0", "750", "Opening"));
    }

    void enteringAFieldRemovesNavigation_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("byKeyboard");
        for (const char* name : {"Text1", "Text2", "Text5", "Text6", "Check1", "Text7", "Text8"})
            QTest::newRow(name) << QString::fromLatin1(name) << false;
        QTest::newRow("Tab from <") << QStringLiteral("Text1") << true;
    }

    void enteringAFieldRemovesNavigation()
    {
        QFETCH(QString, control);
        QFETCH(bool, byKeyboard);
        TestLedger ledger;
        ledger.append(fiveRows());
        MessageAnswerer answerer;

        Form3* editor = openEditorOnRow(3);
        QVERIFY(editor);
        editor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor->Command5));
        QVERIFY(editor->Command4->isVisible() && editor->Command5->isVisible());
        QVERIFY(editor->Command6->isVisible() && editor->Command7->isVisible());

        auto* target = editor->findChild<QWidget*>(control);
        QVERIFY(target);
        if (byKeyboard)
            QTest::keyClick(editor->Command5, Qt::Key_Tab);
        else if (auto* tick = qobject_cast<QCheckBox*>(target))
            clickTick(tick);
        else
            QTest::mouseClick(target, Qt::LeftButton);
        QTRY_COMPARE(QApplication::focusWidget(), target);
        QVERIFY(!navigationVisible(editor));
        QVERIFY(editor->Command3->isVisible());
        QVERIFY(editor->Command2->isVisible());

        // Leaving the field for a button does not bring them back.
        editor->Command2->setFocus(Qt::TabFocusReason);
        QVERIFY(!navigationVisible(editor));
        QVERIFY(ledger.rows() == fiveRows());
        QVERIFY(answerer.texts.isEmpty());
    }

    void tabSkipsTheBalanceBox()
    {
        TestLedger ledger;
        ledger.append(fiveRows());
        MessageAnswerer answerer;

        Form3* editor = openEditorOnRow(2);
        QVERIFY(editor);
        editor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor));
        QTest::mouseClick(editor->Text7, Qt::LeftButton);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor->Text7));
        QTest::keyClick(editor->Text7, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor->Text8));
        QTest::keyClick(editor->Text8, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor->Command3));
        QVERIFY(!editor->Text9->hasFocus());
    }

    void enterAfterOpeningStepsBackThenEnterInABoxUpdates()
    {
        TestLedger ledger;
        ledger.append(fiveRows());
        MessageAnswerer answerer;

        Form3* editor = openEditorOnRow(3);
        QVERIFY(editor);
        QTRY_COMPARE(editor->focusWidget(), static_cast<QWidget*>(editor->Command5));
        QTest::keyClick(editor->focusWidget(), Qt::Key_Return);
        QCOMPARE(loadedEditor(), editor);
        QCOMPARE(editor->Text1->text(), QStringLiteral("101"));
        QCOMPARE(editor->PriorBalance, money("1000"));
        QVERIFY(ledger.rows() == fiveRows());

        typeOver(editor->Text6, QStringLiteral("21"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("979"));
        QTest::keyClick(editor->Text6, Qt::Key_Return);
        QVERIFY(backAtLedgerWindow());
        QVERIFY(answerer.texts.isEmpty());
        const auto rows = ledger.rows();
        QCOMPARE(rows[1].payment, money("21"));
        QCOMPARE(rows[2].payment, money("500"));
        QCOMPARE(rows[2].balance, money("479"));
    }
};

QTEST_MAIN(EditorNavigationTest)
#include "EditorNavigationTest.moc"
