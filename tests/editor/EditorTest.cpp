// The record editor: adding, editing, navigating, and "Update", which rebuilds later balances as one change.
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

void click(QPushButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}
LedgerRow opening(const char* balance)
{
    return makeRow("0", "0", "0", balance, "Initial Balance");
}

// Types each text into its box of the editor.
void typeInto(Form3* editor, std::initializer_list<std::pair<QLineEdit * Form3::*, const char*>> boxes)
{
    for (const auto& [box, text] : boxes)
        QTest::keyClicks(editor->*box, QString::fromUtf8(text));
}

// 500 opening; 101 Books -400 = 100; 102 2/3/2024 Grocer -20 taxed = 80; Paycheck +1000 = 1080;
// 104 3/1/2024 Fuel -12.50 fee 1.50 = 1066. `balances` replace the last balances, `grocer` the third payment.
std::vector<LedgerRow> fiveRows(std::vector<const char*> balances = {}, const char* grocerPayment = "20")
{
    std::vector<LedgerRow> rows{opening("500"), makeRow("400", "0", "0", "100", "Books", 101),
                                dated(makeRow(grocerPayment, "0", "0", "80", "Grocer", 102, 1), {2024, 2, 3}),
                                makeRow("0", "0", "1000", "1080", "Paycheck"),
                                dated(makeRow("12.50", "1.50", "0", "1066", "Fuel", 104), {2024, 3, 1})};
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
    // Add builds on the last balance; the number box has the focus, Tab goes on to the date; Enter presses
    // "Add"; an "Add" with every box empty stores zeros.
    void addStoresTheTypedRowThenAnEmptyOne()
    {
        Scene s({opening("500")});
        frmLedger* window = openLedgerWindow();
        QVERIFY(window);
        commandPressed.start();
        QTest::mouseClick(window->cmdAdd, Qt::LeftButton);
        QVERIFY(loadedEditor() && loadedEditor()->Text9->text() == u"0"); // as loaded, before its first tick
        Form3* editor = editorAfterOpeningTicks();
        QVERIFY(editor && commandPressed.elapsed() >= 90); // Timer1 ticks no sooner than its interval
        QVERIFY(editor->Command1->isVisible() && editor->Command1->isDefault());
        QVERIFY(!editor->Command3->isVisible() && !navigationVisible(editor));
        QVERIFY(QTest::qWaitForWindowActive(editor));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor->Text1));
        for (const char* keys : {"1001", "\t", "3/7/2004"})
            QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(keys));
        typeInto(editor,
                 {{&Form3::Text5, "Hardware store"}, {&Form3::Text6, "120.25"}, {&Form3::Text7, "1.50"}});
        clickTick(editor->Check1);
        QCOMPARE(editor->Text9->text(), QStringLiteral("378.25"));
        QTest::keyClick(editor->Text7, Qt::Key_Return);
        QVERIFY(s.storedQuietly() && (window = readyLedgerWindow()));
        click(window->cmdAdd);
        QVERIFY((editor = editorAfterOpeningTicks()));
        QCOMPARE(editor->Text9->text(), QStringLiteral("378.25"));
        click(editor->Command1);
        QVERIFY(s.storedQuietly());
        const LedgerRow typed =
            dated(makeRow("120.25", "1.5", "0", "378.25", "Hardware store", 1001, 1), {2004, 3, 7});
        QCOMPARE(s.table(), tableText({opening("500"), typed, makeRow("0", "0", "0", "378.25")}));
    }

    // Bad amounts are told while typing; each refused "Add" names the first bad box, or the file's fault.
    void addRefusalsStoreNothing()
    {
        Scene s({opening("1000")});
        Form3* editor = openEditorToAdd();
        QVERIFY(editor);
        QTest::keyClick(editor->Text6, Qt::Key_Minus);
        QCOMPARE(s.answerer.texts, QStringList{kInvalid});
        typeOver(editor->Text6, QString());
        QTest::keyClicks(editor->Text7, QStringLiteral("ab"));
        click(editor->Command1); // letters in the fee box get the description message
        QCOMPARE(s.answerer.texts.last(), kTooLong);
        QVERIFY(editor->Text6->text() == u"0" && editor->Text8->text() == u"0"); // empty amounts are filled
        s.answerer.texts.clear();
        editor->Text7->clear();
        typeInto(editor, {{&Form3::Text1, "12a"}, {&Form3::Text2, "2/30/2024"}});
        editor->Text5->setText(QString(256, QLatin1Char('x')));
        click(editor->Command1);
        typeOver(editor->Text1, QStringLiteral("12"));
        click(editor->Command1);
        typeOver(editor->Text2, QStringLiteral("2/29/2024"));
        click(editor->Command1);
        const QString longest(255, QChar(0x00E9)); // characters count, not bytes
        editor->Text5->setText(longest);
        typeOver(editor->Text6, QStringLiteral("40"));
        auto other = LedgerConnection::open(s.ledger.path());
        execute(other->db(), "BEGIN IMMEDIATE");
        click(editor->Command1);
        execute(other->db(), "ROLLBACK");
        s.ledger.exec(
            "CREATE TRIGGER refuse BEFORE INSERT ON Ledger BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
        click(editor->Command1);
        QVERIFY(s.answerer.texts.size() == 5
                && s.answerer.texts.takeAt(3).contains(QStringLiteral("locked")));
        const QString badDate = QStringLiteral("The date is invalid or in the wrong format");
        QCOMPARE(s.answerer.texts, QStringList({kBadNumber, badDate, kTooLong, kTooLong}));
        QCOMPARE(s.table(), tableText(s.before));
        s.ledger.exec("DROP TRIGGER refuse");
        click(editor->Command1);
        QVERIFY(backAtLedgerWindow());
        const LedgerRow added =
            dated(makeRow("40", "0", "0", "960", longest.toStdString().c_str(), 12), {2024, 2, 29});
        QCOMPARE(s.table(), tableText({opening("1000"), added}));
    }

    // An editor that could not read the ledger as it opened never writes a guessed row or balance.
    void editorOpenedWhileLedgerWasAway()
    {
        Scene s(fiveRows());
        const QString path = QString::fromStdString(s.ledger.path());
        const auto openAway = [&](bool addMode) -> Form3* {
            frmLedger* window = openLedgerWindow();
            if (!window)
                return nullptr;
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
        QVERIFY((editor = openAway(true)));
        QTest::keyClicks(editor->Text6, QStringLiteral("66"));
        click(editor->Command1);
        QVERIFY(backAtLedgerWindow());
        QCOMPARE(s.ledger.rows().back().balance, money("1000"));
    }

    // An unchanged "Update" repairs later balances; ">" twice (row 4, without number, date or tick), ">>",
    // then back to row 3 for a payment and no description; a changed first row, which has no prior balance,
    // moves every balance.
    void editUpdatesRebuildLaterBalances()
    {
        Scene s(fiveRows({"7", "80", "9999", "1066"}));
        Form3* editor = openEditorOnRow(2);
        QVERIFY(editor && commandPressed.elapsed() >= 180); // Timer2 ticks no sooner than its interval
        QVERIFY(!editor->Command1->isVisible() && editor->Command3->isVisible() && navigationVisible(editor));
        QVERIFY(editor->Command3->isDefault() && !editor->Command1->isDefault());
        QCOMPARE(editor->Text9->text(), QStringLiteral("7")); // the row's own balance, not the last one
        QTest::keyClick(editor->Text5, Qt::Key_Return); // presses "Update"
        QVERIFY(s.storedQuietly());
        QCOMPARE(s.table(), tableText(fiveRows()));
        QVERIFY((editor = openEditorOnRow(2)));
        click(editor->Command6);
        click(editor->Command6);
        QVERIFY(editor->Text1->text().isEmpty() && editor->Text2->text().isEmpty()
                && !editor->Check1->isChecked());
        QCOMPARE(editor->PriorBalance, money("80"));
        click(editor->Command7);
        QCOMPARE(editor->PriorBalance, money("1080"));
        for (QPushButton* step : {editor->Command5, editor->Command6, editor->Command6, editor->Command5}) {
            click(step); // "<" to row 4; ">" to row 5 and ">" staying there; "<" to row 4
            const char* shown = step == editor->Command5 ? "Paycheck" : "Fuel";
            QCOMPARE(editor->Text5->text(), QString::fromLatin1(shown));
        }
        click(editor->Command5);
        typeOver(editor->Text6, QStringLiteral("25"));
        QCOMPARE(editor->Text9->text(), QStringLiteral("75"));
        editor->Text5->selectAll(); // an emptied description is stored as no value, as the engine reads it
        QTest::keyClick(editor->Text5, Qt::Key_Delete);
        click(editor->Command3);
        QVERIFY(s.storedQuietly());
        auto paid = fiveRows({"75", "1075", "1061"}, "25");
        paid[2].description.reset();
        QCOMPARE(s.table(), tableText(paid));
        QCOMPARE(storedRows(s.ledger.path()).value(2).section('|', 3, 3), "NULL");
        QVERIFY((editor = openEditorOnRow(1)) && editor->PriorBalance == Money());
        click(editor->Command6); // ">", then "<<" back to the first row, where "<" stays
        click(editor->Command4);
        QVERIFY(editor->Text5->text() == QStringLiteral("Initial Balance")
                && editor->PriorBalance == Money());
        click(editor->Command5);
        QCOMPARE(editor->Text5->text(), QStringLiteral("Initial Balance"));
        typeOver(editor->Text8, QStringLiteral("600"));
        click(editor->Command3);
        QVERIFY(s.storedQuietly());
        auto expected = fiveRows({"600", "200", "175", "1175", "1161"}, "25");
        expected[0].deposit = money("600");
        expected[2].description.reset();
        QCOMPARE(s.table(), tableText(expected));
    }

    // A refused "Update" changes nothing: letters in the number box, then a failure rebuilding
    // later balances; the retry stores the row with its emptied number box.
    void editRefusedUpdateLeavesLedgerAsItWas()
    {
        Scene s(fiveRows());
        Form3* editor = openEditorOnRow(3);
        QVERIFY(editor);
        typeOver(editor->Text1, QStringLiteral("10x"));
        typeOver(editor->Text8, QString());
        click(editor->Command3);
        QCOMPARE(editor->Text8->text(), QStringLiteral("0")); // filled, though the row is refused
        typeOver(editor->Text1, QString());
        typeOver(editor->Text6, QStringLiteral("25"));
        s.ledger.exec("CREATE TRIGGER refuse BEFORE UPDATE OF balance ON Ledger WHEN OLD.rowid = 5 "
                      "BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
        click(editor->Command3);
        QCOMPARE(s.answerer.texts, QStringList({kBadNumber, kTooLong}));
        QCOMPARE(s.table(), tableText(s.before));
        QVERIFY(loadedEditor() == editor && editor->isVisible() && !QApplication::overrideCursor());
        s.ledger.exec("DROP TRIGGER refuse");
        click(editor->Command3);
        QVERIFY(backAtLedgerWindow());
        auto expected = fiveRows({"75", "1075", "1061"}, "25");
        expected[2].number.reset();
        QCOMPARE(s.table(), tableText(expected));
    }

    // Entering a field hides navigation for good, even when focus moves on to a button.
    // "Cancel" then stores nothing.
    void editEnteringAFieldHidesNavigation()
    {
        Scene s(fiveRows());
        Form3* editor = openEditorOnRow(3);
        QVERIFY(editor);
        editor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor->Command5));
        QVERIFY(navigationVisible(editor));
        QTest::mouseClick(editor->Text6, Qt::LeftButton);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor->Text6));
        QVERIFY(!navigationVisible(editor));
        editor->Command2->setFocus(Qt::TabFocusReason);
        QVERIFY(!navigationVisible(editor) && editor->Command3->isVisible());
        typeOver(editor->Text6, QStringLiteral("1"));
        click(editor->Command2);
        QVERIFY(s.storedQuietly());
        QCOMPARE(s.table(), tableText(s.before));
    }

    // While the amount rule overflows, Text9 keeps an earlier balance: "Add" and "Update" say
    // "This value is invalid" and store nothing; once the amounts fit, the same press stores the row.
    void overflowedBalanceIsNeverStored()
    {
        const char* top = "922337203685477"; // the largest whole amount
        for (bool addMode : {true, false}) {
            Scene s({opening(top), makeRow("0", "0", "0", top, "Interest")});
            Form3* editor = addMode ? openEditorToAdd() : openEditorOnRow(2);
            QVERIFY(editor);
            typeOver(editor->Text6, QStringLiteral("0"));
            typeOver(editor->Text7, QStringLiteral("0"));
            typeOver(editor->Text8, QStringLiteral("1"));
            QCOMPARE(editor->Text9->text(), QString::fromLatin1(top));
            QPushButton* store = addMode ? editor->Command1 : editor->Command3;
            click(store);
            QCOMPARE(s.answerer.texts, QStringList(2, kInvalid));
            QCOMPARE(s.table(), tableText(s.before));
            typeOver(editor->Text8, QStringLiteral("0.5"));
            click(store);
            QVERIFY(backAtLedgerWindow());
            std::vector<LedgerRow> expected = s.before;
            if (addMode)
                expected.push_back(makeRow("0", "0", "0.5", "922337203685477.5"));
            else
                expected[1] = makeRow("0", "0", "0.5", "922337203685477.5", "Interest");
            QCOMPARE(s.table(), tableText(expected));
        }
    }

    // The tax box has no caption but answers a click anywhere in its area, as a captioned box does.
    void taxBoxAnswersAClickAnywhereInItsArea()
    {
        Scene s({opening("100")});
        Form3* editor = openEditorToAdd();
        QVERIFY(editor);
        const QRect area = editor->Check1->rect();
        for (const QPoint& point : {area.topLeft(), area.topRight(), area.center(), area.bottomRight()}) {
            const bool ticked = editor->Check1->isChecked();
            QTest::mouseClick(editor->Check1, Qt::LeftButton, {}, point);
            QVERIFY(editor->Check1->isChecked() != ticked);
        }
        QTest::mouseClick(editor->Check1, Qt::LeftButton, {}, area.bottomLeft());
        click(editor->Command1);
        QVERIFY(s.storedQuietly());
        QCOMPARE(s.ledger.rows().back().taxDeductible, 1);
    }
};

QTEST_MAIN(EditorTest)
#include "EditorTest.moc"
