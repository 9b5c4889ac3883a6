// The record editor: adding a row, the row shown in edit mode, navigation, and
// "Update", which stores the row in place and rebuilds every later balance as one change.
#include "WindowDriver.h"
#include "LedgerFile.h"
#include "Sqlite.h"
#include "TestLedger.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QFile>

using namespace tallowick;
using namespace tallowick::test;

namespace {

const QString kInvalid = QStringLiteral("This value is invalid");
const QString kBadNumber = QStringLiteral("The value in the number box is invalid");
const QString kTooLong = QStringLiteral("The description you have input is too long");

void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
LedgerRow opening(const char* balance) { return makeRow("0", "0", "0", balance, "Initial Balance"); }

//   1  Initial Balance                        500
//   2  101  Books -400                        100
//   3  102  2/3/2024  Grocer -20 T             80
//   4       Paycheck +1000                   1080
//   5  104  3/1/2024  Fuel -12.50 fee 1.50   1066
// `balances` replace the last balances, `grocer` the third payment.
std::vector<LedgerRow> fiveRows(std::vector<const char*> balances = {}, const char* grocerPayment = "20")
{
    LedgerRow grocer = makeRow(grocerPayment, "0", "0", "80", "Grocer", 102, 1);
    grocer.date = LedgerDate{2024, 2, 3};
    LedgerRow fuel = makeRow("12.50", "1.50", "0", "1066", "Fuel", 104);
    fuel.date = LedgerDate{2024, 3, 1};
    std::vector<LedgerRow> rows{opening("500"), makeRow("400", "0", "0", "100", "Books", 101), grocer,
                                makeRow("0", "0", "1000", "1080", "Paycheck"), fuel};
    for (std::size_t k = 0; k < balances.size(); ++k)
        rows[5 - balances.size() + k].balance = Money::parse(balances[k]);
    return rows;
}

// A ledger file holding `rows`, with every message answered and recorded.
struct Scene {
    explicit Scene(const std::vector<LedgerRow>& rows = {}) : before(rows) { ledger.append(rows); }
    QString table() const { return tableText(ledger.rows()); }
    bool storedQuietly() const { return backAtLedgerWindow() && answerer.texts.isEmpty(); }
    TestLedger ledger;
    MessageAnswerer answerer;
    std::vector<LedgerRow> before;
};

} // namespace

class EditorTest : public WindowTest {
    Q_OBJECT

private slots:
    void addFollowsTheLastBalanceAndCancelStoresNothing()
    {
        Scene s({opening("1000"), makeRow("749.25", "0", "0", "250.75", "Rent", 101)});
        Form3* editor = openEditorToAdd();
        QVERIFY(editor);
        QCOMPARE(editor->Text9->text(), QStringLiteral("250.75"));
        QVERIFY(editor->Command1->isVisible() && editor->Command1->isDefault());
        QVERIFY(!editor->Command3->isVisible() && !navigationVisible(editor));
        QTest::keyClicks(editor->Text6, QStringLiteral("50"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("200.75"));
        click(editor->Command2);
        QVERIFY(s.storedQuietly());
        QCOMPARE(s.table(), tableText(s.before));
    }

    // Enter in a box presses "Add"; an "Add" with every box empty stores zeros on the last balance.
    void addStoresTheTypedRowThenAnEmptyOne()
    {
        Scene s({opening("500")});
        Form3* editor = openEditorToAdd();
        QVERIFY(editor);
        QTest::keyClicks(editor->Text1, QStringLiteral("1001"));
        QTest::keyClicks(editor->Text2, QStringLiteral("3/7/2004"));
        QTest::keyClicks(editor->Text5, QStringLiteral("Hardware store"));
        QTest::keyClicks(editor->Text6, QStringLiteral("120.25"));
        clickTick(editor->Check1);
        QTest::keyClicks(editor->Text7, QStringLiteral("1.50"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("378.25"));
        QTest::keyClick(editor->Text7, Qt::Key_Return);
        QVERIFY(s.storedQuietly());
        QTest::mouseClick(readyLedgerWindow()->cmdAdd, Qt::LeftButton);
        QVERIFY((editor = editorAfterOpeningTicks()));
        QCOMPARE(editor->Text9->text(), QStringLiteral("378.25"));
        click(editor->Command1);
        QVERIFY(s.storedQuietly());
        LedgerRow typed = makeRow("120.25", "1.5", "0", "378.25", "Hardware store", 1001, 1);
        typed.date = LedgerDate{2004, 3, 7};
        QCOMPARE(s.table(), tableText({opening("500"), typed, makeRow("0", "0", "0", "378.25")}));
    }

    void addWarnsOnBadAmountsWhileTypingAndRefuses()
    {
        Scene s({opening("100")});
        Form3* editor = openEditorToAdd();
        QVERIFY(editor);
        QTest::keyClick(editor->Text6, Qt::Key_Minus);
        QCOMPARE(s.answerer.texts, QStringList{kInvalid});
        QCOMPARE(editor->Text9->text(), QStringLiteral("100"));
        typeOver(editor->Text6, QString());
        QTest::keyClicks(editor->Text7, QStringLiteral("ab"));
        QCOMPARE(s.answerer.texts, QStringList({kInvalid, kInvalid, kInvalid}));
        click(editor->Command1);
        QCOMPARE(s.answerer.texts.last(), kTooLong);
        QCOMPARE(s.table(), tableText(s.before));
        QCOMPARE(loadedEditor(), editor);
    }

    // Each "Add" reports only the first bad box; once all are right one row is stored.
    void addZoneMessagesComeInOrder()
    {
        Scene s({opening("1000")});
        Form3* editor = openEditorToAdd();
        QVERIFY(editor);
        QTest::keyClicks(editor->Text1, QStringLiteral("12a"));
        QTest::keyClicks(editor->Text2, QStringLiteral("2/30/2024"));
        editor->Text5->setText(QString(256, QLatin1Char('x')));
        click(editor->Command1);
        typeOver(editor->Text1, QStringLiteral("12"));
        click(editor->Command1);
        typeOver(editor->Text2, QStringLiteral("2/29/2024"));
        click(editor->Command1);
        QCOMPARE(s.answerer.texts,
                 QStringList({kBadNumber, QStringLiteral("The date is invalid or in the wrong format"), kTooLong}));
        QCOMPARE(s.table(), tableText(s.before));
        const QString longest(255, QChar(0x00E9)); // characters count, not bytes
        editor->Text5->setText(longest);
        typeOver(editor->Text6, QStringLiteral("40"));
        click(editor->Command1);
        QVERIFY(backAtLedgerWindow());
        QCOMPARE(s.answerer.texts.size(), 3);
        LedgerRow added = makeRow("40", "0", "0", "960", longest.toStdString().c_str(), 12);
        added.date = LedgerDate{2024, 2, 29};
        QCOMPARE(s.table(), tableText({opening("1000"), added}));
    }

    void addOnAnEmptyLedger()
    {
        Scene s;
        Form3* editor = openEditorToAdd();
        QVERIFY(editor);
        QCOMPARE(editor->Text9->text(), QStringLiteral("0"));
        QTest::keyClicks(editor->Text8, QStringLiteral("1000"));
        click(editor->Command1);
        QVERIFY(s.storedQuietly());
        QCOMPARE(s.table(), tableText({makeRow("0", "0", "1000", "1000")}));
    }

    // A fault of the file is told in the store's words; a refused row gets the zone message.
    void addTellsFileFaultFromRefusal()
    {
        Scene s({opening("100")});
        Form3* editor = openEditorToAdd();
        QVERIFY(editor);
        QTest::keyClicks(editor->Text6, QStringLiteral("10"));
        {
            auto other = LedgerConnection::open(s.ledger.path());
            execute(other->db(), "BEGIN IMMEDIATE");
            click(editor->Command1);
            execute(other->db(), "ROLLBACK");
        }
        s.ledger.exec("CREATE TRIGGER refuse BEFORE INSERT ON Ledger BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
        click(editor->Command1);
        QCOMPARE(s.answerer.texts.size(), 2);
        QVERIFY2(s.answerer.texts[0].contains(QStringLiteral("locked")), qPrintable(s.answerer.texts[0]));
        QCOMPARE(s.answerer.texts[1], kTooLong);
        QCOMPARE(s.table(), tableText(s.before));
        QCOMPARE(loadedEditor(), editor);
    }

    // An editor that could not read the ledger as it opened never writes a guessed row or balance.
    void editorOpenedWhileLedgerWasAway()
    {
        Scene s(fiveRows());
        const QString path = QString::fromStdString(s.ledger.path());
        const auto openAway = [&](bool addMode) {
            frmLedger* window = openLedgerWindow();
            selectGridRow(window, 3);
            QFile::rename(path, path + QStringLiteral(".away"));
            click(addMode ? window->cmdAdd : window->Command1);
            Form3* editor = editorAfterOpeningTicks();
            QFile::rename(path + QStringLiteral(".away"), path);
            return editor;
        };
        Form3* editor = openAway(false);
        QVERIFY(editor);
        click(editor->Command3);
        QCOMPARE(s.answerer.texts.size(), 1);
        QCOMPARE(s.table(), tableText(s.before));
        closeAllWindows();

        editor = openAway(true);
        QVERIFY(editor);
        QTest::keyClicks(editor->Text6, QStringLiteral("66"));
        click(editor->Command1);
        QVERIFY(backAtLedgerWindow());
        QCOMPARE(s.ledger.rows().back().balance, money("1000"));
    }

    // The first row, the ends of the ledger, and a changed first row as the new anchor.
    void editFirstRowAndEndsOfTheLedger()
    {
        Scene s(fiveRows());
        Form3* editor = openEditorOnRow(1);
        QVERIFY(editor);
        QVERIFY(editor->Command3->isVisible() && editor->Command3->isDefault() && !editor->Command1->isVisible());
        for (QPushButton* button : {editor->Command5, editor->Command7, editor->Command6, editor->Command4}) {
            const bool first = button == editor->Command5 || button == editor->Command4; // "<" then ">>", ">", "<<"
            click(button);
            QCOMPARE(editor->Text5->text(), QString::fromLatin1(first ? "Initial Balance" : "Fuel"));
            QCOMPARE(editor->Text1->text(), QString::fromLatin1(first ? "" : "104"));
            QCOMPARE(editor->Text2->text(), QString::fromLatin1(first ? "" : "3/1/2024"));
            QCOMPARE(editor->Text6->text(), QString::fromLatin1(first ? "0" : "12.5"));
            QCOMPARE(editor->PriorBalance, money(first ? "0" : "1080"));
        }
        typeOver(editor->Text8, QStringLiteral("600"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("600"));
        click(editor->Command3);
        QVERIFY(s.storedQuietly());
        auto expected = fiveRows({"600", "200", "180", "1180", "1166"});
        expected[0].deposit = money("600");
        QCOMPARE(s.table(), tableText(expected));
    }

    // ">" twice (past row 4, without number, date or tick) then "<": a new payment builds on row 2.
    void editNavigateThenUpdateTheThirdRow()
    {
        Scene s(fiveRows());
        Form3* editor = openEditorOnRow(2);
        QVERIFY(editor);
        click(editor->Command6);
        click(editor->Command6);
        QVERIFY(editor->Text1->text().isEmpty() && editor->Text2->text().isEmpty() && !editor->Check1->isChecked());
        click(editor->Command5);
        QCOMPARE(editor->Text1->text(), QStringLiteral("102"));
        QVERIFY(editor->Check1->isChecked());
        typeOver(editor->Text6, QStringLiteral("25"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("75"));
        click(editor->Command3);
        QVERIFY(s.storedQuietly());
        QCOMPARE(s.table(), tableText(fiveRows({"75", "1075", "1061"}, "25")));
    }

    void editUnchangedUpdateRepairsBalances()
    {
        Scene s(fiveRows({"7", "80", "9999", "1066"}));
        Form3* editor = openEditorOnRow(2);
        QVERIFY(editor);
        QTest::keyClick(editor->Text5, Qt::Key_Return); // presses "Update"
        QVERIFY(s.storedQuietly());
        QCOMPARE(s.table(), tableText(fiveRows()));
    }

    // Letters in the number box change nothing; an emptied box clears its field.
    void editNumberBoxLettersThenEmptied()
    {
        Scene s(fiveRows());
        Form3* editor = openEditorOnRow(5);
        QVERIFY(editor);
        typeOver(editor->Text1, QStringLiteral("10x"));
        click(editor->Command3);
        QCOMPARE(s.answerer.texts, QStringList{kBadNumber});
        QCOMPARE(s.table(), tableText(s.before));
        typeOver(editor->Text1, QString());
        click(editor->Command3);
        QVERIFY(backAtLedgerWindow());
        s.before[4].number.reset();
        QCOMPARE(s.table(), tableText(s.before));
    }

    // A failure while rebuilding later balances undoes the whole change.
    void editFailedRecomputationLeavesLedgerAsItWas()
    {
        Scene s(fiveRows());
        Form3* editor = openEditorOnRow(3);
        QVERIFY(editor);
        typeOver(editor->Text6, QStringLiteral("25"));
        s.ledger.exec("CREATE TRIGGER refuse BEFORE UPDATE OF balance ON Ledger WHEN OLD.rowid = 5 "
                      "BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
        click(editor->Command3);
        QCOMPARE(s.answerer.texts, QStringList{kTooLong});
        QCOMPARE(s.table(), tableText(s.before));
        QVERIFY(loadedEditor() == editor && editor->isVisible() && !QApplication::overrideCursor());
        s.ledger.exec("DROP TRIGGER refuse");
        click(editor->Command3);
        QVERIFY(backAtLedgerWindow());
        QCOMPARE(s.table(), tableText(fiveRows({"75", "1075", "1061"}, "25")));
    }

    void editOneRowLedger()
    {
        Scene s({opening("750")});
        Form3* editor = openEditorOnRow();
        QVERIFY(editor);
        for (QPushButton* button : {editor->Command4, editor->Command5, editor->Command6, editor->Command7}) {
            click(button);
            QCOMPARE(editor->Text9->text(), QStringLiteral("750"));
            QCOMPARE(editor->PriorBalance, Money());
        }
        typeOver(editor->Text5, QStringLiteral("Opening"));
        click(editor->Command3);
        QVERIFY(s.storedQuietly());
        QCOMPARE(s.table(), tableText({makeRow("0", "0", "0", "750", "Opening")}));
    }

    // Entering a field, by mouse or by Tab from "<", hides navigation for good.
    void editEnteringAFieldHidesNavigation_data()
    {
        QTest::addColumn<bool>("byTab");
        QTest::newRow("mouse") << false;
        QTest::newRow("Tab") << true;
    }
    void editEnteringAFieldHidesNavigation()
    {
        QFETCH(bool, byTab);
        Scene s(fiveRows());
        Form3* editor = openEditorOnRow(3);
        QVERIFY(editor);
        editor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor->Command5));
        QVERIFY(navigationVisible(editor));
        if (byTab)
            QTest::keyClick(editor->Command5, Qt::Key_Tab);
        else
            QTest::mouseClick(editor->Text6, Qt::LeftButton);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(byTab ? editor->Text1 : editor->Text6));
        QVERIFY(!navigationVisible(editor));
        editor->Command2->setFocus(Qt::TabFocusReason);
        QVERIFY(!navigationVisible(editor) && editor->Command3->isVisible());
    }
};

QTEST_MAIN(EditorTest)
#include "EditorTest.moc"
