// The grid's context menu: how it opens, "Find…" with its window and keys, "Copy" through the
// clipboard, "Export to CSV…" through the real save dialog, and "Print Report…".
#include "LedgerRecordset.h"
#include "LedgerTableModel.h"
#include "PdfText.h"
#include "TestLedger.h"
#include "WindowDriver.h"
#include "WindowTestSupport.h"
#include "frmFind.h"
#include "frmReport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>

#include <tuple>

using namespace tallowick;
using namespace tallowick::test;

class LedgerContextMenuTest : public WindowTest {
    Q_OBJECT

private slots:
    // Ctrl+C and the menu's "Copy" put the selected row, in the grid's formats under the grid's captions, on
    // the clipboard (the ways the menu opens are UndoWindowTest's). Ctrl+F opens "Find"; its keys search
    // from the selected row, wrapping around; it keeps its text, and goes with the ledger window.
    void copyThenFindWithItsKeys()
    {
        TestLedger ledger;
        ledger.append({makeRow("0", "0", "0", "1000", "Initial Balance"),
                       makeRow("1040", "0.25", "0", "-12.75", "Check to Plumber\tand \"more\"", 1001, 1),
                       makeRow("12.5", "0", "0", "947.5", "Groceries", 1002),
                       makeRow("0", "0", "1500", "2447.5", "Paycheck"),
                       makeRow("1234.5", "0", "0", "1213", "Plumbing parts", 1003)});
        ledger.exec("UPDATE Ledger SET \"date\" = '2004-03-07' WHERE rowid = 2");
        frmLedger* window = openLedgerWindow();
        QVERIFY(window && QTest::qWaitForWindowActive(window));
        QTableView* grid = window->grdDataGrid;
        selectGridRow(window, 2);
        const QString expected =
            "Number\tDate\tDescription of Transaction\tPayment / Debit\tT\tFee\tDeposit / Credit\tBalance\n"
            "1001\t3/7/2004\t\"Check to Plumber\tand \"\"more\"\"\"\t$1,040.00\tT\t$0.25\t$0.00\t-$12.75\n";
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);

        auto* menu = grid->findChild<QMenu*>(QStringLiteral("grdDataGridMenu"));
        QVERIFY(menu);
        QStringList captions;
        for (const QAction* action : menu->actions())
            captions << action->text();
        QCOMPARE(captions, (QStringList{"Undo", "Redo", "", "Find\u2026", "Copy", "Export to CSV\u2026",
                                        "Print Report\u2026", "Reconcile\u2026", "Import Statement\u2026"}));

        selectGridRow(window, 4);
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(grid, Qt::Key_F10, Qt::ShiftModifier);
        QTRY_COMPARE(QApplication::activePopupWidget(), menu);
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QTRY_VERIFY(QGuiApplication::clipboard()->text().endsWith(
            "\t\tPaycheck\t$0.00\t \t$0.00\t$1,500.00\t$2,447.50\n"));

        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window->grdDataGrid, Qt::Key_F, Qt::ControlModifier);
        auto* find = qobject_cast<frmFind*>(registry().window(QStringLiteral("frmFind")));
        QVERIFY(find && QTest::qWaitForWindowActive(find));
        QVERIFY(find->windowTitle() == "Find" && find->Command1->isDefault());

        // From row, text, key, modifiers, the row found (0: "Not found", the selection stays).
        const std::tuple<int, const char*, Qt::Key, Qt::KeyboardModifiers, int> cases[]{
            {1, "plumber", Qt::Key_Return, {}, 2},
            {2, "PLUMB", Qt::Key_F3, {}, 5},
            {5, "plumb", Qt::Key_F3, {}, 2},
            {1, "40", Qt::Key_F3, {}, 2},
            {3, "$1,234.5", Qt::Key_F3, {}, 5},
            {1, "3/7/2004", Qt::Key_F3, {}, 2},
            {3, "1001", Qt::Key_F3, {}, 2},
            {4, "nowhere", Qt::Key_F3, {}, 0},
            {5, "plumb", Qt::Key_F3, Qt::ShiftModifier, 2},
            {2, "PayCheck", Qt::Key_F3, Qt::ShiftModifier, 4},
            {2, "plumb", Qt::Key_F3, Qt::ShiftModifier, 5},
        };
        for (const auto& [from, text, key, modifiers, found] : cases) {
            selectGridRow(window, from);
            typeOver(find->Text1, QString::fromUtf8(text));
            QTest::keyClick(find->Text1, key, modifiers);
            // A button's key presses it after a short flash.
            QTRY_COMPARE(window->datPrimaryRS->AbsolutePosition(), found ? found : from);
            QTRY_COMPARE(find->Label2->text(), found ? "" : "Not found");
        }

        // Another program renames row 3 and appends a row, each only the search would find: before
        // searching, the grid reads the file again, keeping the selected row, and each match it selects
        // shows the text.
        selectGridRow(window, 2);
        ledger.exec(
            "UPDATE Ledger SET \"description of transaction\" = 'Plumb line' WHERE rowid = 3;"
            "INSERT INTO Ledger (rowid, \"description of transaction\", \"payment / debit\", "
            "\"tax deductible\", fee, \"deposit / credit\", balance) VALUES (9999, 'Plumb bob', 0, 0, 0, "
            "0, 12130000)");
        typeOver(find->Text1, "plumb");
        for (const auto& [found, shown] :
             {std::pair(3, "Plumb line"), {5, "Plumbing parts"}, {6, "Plumb bob"}}) {
            QTest::keyClick(find->Text1, Qt::Key_F3);
            QTRY_COMPARE(window->datPrimaryRS->AbsolutePosition(), found);
            QCOMPARE(gridCell(window, found - 1, LedgerTableModel::DescriptionColumn), shown);
        }

        QTest::keyClick(find->Text1, Qt::Key_Escape);
        QTRY_VERIFY(!registry().isLoaded(QStringLiteral("frmFind")));
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window->grdDataGrid, Qt::Key_F, Qt::ControlModifier);
        find = qobject_cast<frmFind*>(registry().window(QStringLiteral("frmFind")));
        QVERIFY(find);
        QCOMPARE(find->Text1->text(), "plumb");
        QTest::mouseClick(window->Command1, Qt::LeftButton); // "&Edit" hands over to the editor
        QVERIFY(!registry().isLoaded(QStringLiteral("frmFind")));
        Form3* editor = editorAfterOpeningTicks();
        QVERIFY(editor);
        QTest::mouseClick(editor->Command2, Qt::LeftButton); // "Cancel"
        QVERIFY((window = backAtLedgerWindow()));
        frmFind::ShowBeside(window);
        QSignalSpy ended(&registry(), &WindowRegistry::programEnded);
        QTest::mouseClick(window->cmdClose, Qt::LeftButton);
        QCOMPARE(ended.count(), 1);
    }

    // The file offered first is "My Tallowick.csv" in the documents folder; the chosen file gets the whole
    // ledger and no temporary file stays beside it; an unwritable folder shows why and gets nothing.
    void exportToCsv()
    {
        TestLedger ledger;
        std::vector<LedgerRow> rows{makeRow("0", "0", "0", "1000", "Opening"),
                                    makeRow("1012.5", "0.0025", "0", "-12.5025", "a, \"b\"\r\nc", 1001, 1)};
        rows[1].date = LedgerDate{2004, 3, 7};
        ledger.append(rows);
        frmLedger* window = openLedgerWindow();
        QVERIFY(window);
        auto* exportCsv = window->grdDataGrid->findChild<QAction*>(QStringLiteral("actionExportCsv"));
        QVERIFY(exportCsv);
        QTemporaryDir target;
        const QString file = target.filePath("ledger.csv");
        MessageAnswerer messages;
        {
            SaveDialogAnswerer answerer(file);
            exportCsv->trigger();
            QCOMPARE(QFileInfo(answerer.offered).fileName(), "My Tallowick.csv");
        }
        QVERIFY2(messages.texts.isEmpty(), qPrintable(messages.texts.join(u'\n')));
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(),
                 "number,date,description of transaction,payment / debit,tax deductible,fee,"
                 "deposit / credit,balance\r\n,,Opening,0,0,0,0,1000\r\n"
                 "1001,2004-03-07,\"a, \"\"b\"\"\r\nc\",1012.5,1,0.0025,0,-12.5025\r\n");
        QCOMPARE(QDir(target.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"ledger.csv"});

        SaveDialogAnswerer answerer(target.filePath("missing/ledger.csv"));
        exportCsv->trigger();
        QCOMPARE(messages.texts, QStringList{"The file \"" + target.filePath("missing/ledger.csv")
                                             + "\" could not be written (No such file or directory)."});
        QVERIFY(!QFile::exists(target.filePath("missing/ledger.csv")));
    }

    // "Print Report…" opens the Report window; its "Save as PDF…", answered in the real save dialog (and
    // its question whether to replace the older file), writes the register of the whole ledger: two pages
    // from the balance brought forward to the closing balance, and nothing else beside the file.
    void reportSavedAsPdf()
    {
        TestLedger ledger;
        ledger.append(paymentRows(60));
        frmLedger* window = openLedgerWindow();
        QVERIFY(window);
        auto* printReport = window->grdDataGrid->findChild<QAction*>(QStringLiteral("actionPrintReport"));
        QVERIFY(printReport);
        printReport->trigger();
        auto* report = qobject_cast<frmReport*>(registry().window(QStringLiteral("frmReport")));
        QVERIFY(report && report->isVisible() && report->windowTitle() == "Report");
        QTest::mouseClick(report->optWholeLedger, Qt::LeftButton);
        QVERIFY(report->optWholeLedger->isChecked() && !report->spnYear->isEnabled());
        QTemporaryDir target;
        const QString file = target.filePath("register.pdf");
        QVERIFY(QFile(file).open(QIODevice::WriteOnly));
        {
            SaveDialogAnswerer answerer(file);
            QTest::mouseClick(report->cmdSavePdf, Qt::LeftButton);
            QCOMPARE(QFileInfo(answerer.offered).fileName(), "My Tallowick Register.pdf");
        }
        QCOMPARE(QDir(target.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"register.pdf"});
        QCOMPARE(pdfPageCount(file), 2);
        const QString text = pdfText(file);
        const QStringList amounts = amountsIn(text);
        QVERIFY2(amounts.size() == 62 * 4 - 6, qPrintable(text));
        QCOMPARE(amounts.constFirst(), "$1,000.00");
        QCOMPARE(amounts.constLast(), "$941.00");
        QVERIFY(text.contains("Balance brought forward") && text.contains("Page 1 of 2"));
        report->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(report));
        QTest::keyClick(report, Qt::Key_Escape);
        QTRY_VERIFY(!registry().isLoaded(QStringLiteral("frmReport")));
    }
};

QTEST_MAIN(LedgerContextMenuTest)
#include "LedgerContextMenuTest.moc"
