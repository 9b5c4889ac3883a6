// The ledger window: cell formats, layout, current row, read failures, "&Help" and "&Print".
#include "Form6.h"
#include "LedgerRecordset.h"
#include "PdfText.h"
#include "TestLedger.h"
#include "Twips.h"
#include "WindowDriver.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTextBrowser>
#include <sqlite3.h>

using namespace tallowick;
using namespace tallowick::test;
using C = LedgerTableModel::Column;

class LedgerWindowTest : public WindowTest {
    Q_OBJECT

private slots:
    // The rows' twelve cells each, spacers included, joined by "|"; then the resize rule.
    void cellFormatsAndResizeRule()
    {
        TestLedger ledger;
        ledger.append(
            {makeRow("0", "0", "0", "1000", "Opening"), makeRow("1012.5", "0", "0", "-12.5", "Rent", 1001, 1),
             makeRow("2.3456", "0.75", "234.5678", "19.0972", "Pay", 0), makeRow("0", "0", "0", "19.0972")});
        ledger.exec("UPDATE Ledger SET \"date\" = '2004-03-07' WHERE rowid = 2");
        QElapsedTimer opening;
        opening.start();
        frmLedger* window = openLedgerWindow();
        QVERIFY(window && opening.elapsed() >= 90); // the re-reading tick comes no sooner than its interval
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window->grdDataGrid));
        QStringList shown;
        for (int row = 0; row < 4; ++row)
            for (int column = 0; column < C::ColumnCount; ++column)
                shown << gridCell(window, row, column);
        QCOMPARE(shown.join(u'|'), "|||Opening||$0.00| |$0.00||$0.00||$1,000.00|"
                                   "1001|3/7/2004||Rent||$1,012.50|T|$0.00||$0.00||-$12.50|"
                                   "0|||Pay||$2.35| |$0.75||$234.57||$19.10|"
                                   "|||||$0.00| |$0.00||$0.00||$19.10");
        const int width = window->grdDataGrid->width();
        for (int height : {600, 700, px(660) - 10, px(660), 300}) {
            const int before = window->grdDataGrid->height();
            window->resize(900, height);
            QTRY_COMPARE(window->height(), height);
            // The strip sits at the bottom; the grid fills the rest unless there is no room for it.
            QCOMPARE(window->picButtons->geometry(), QRect(0, height - px(300), 900, px(300)));
            const int gridHeight = height - px(330) - px(30) - px(300);
            QCOMPARE(window->grdDataGrid->geometry(),
                     QRect(0, 0, width, gridHeight < 0 ? before : gridHeight));
        }
    }

    // Opens on the last row reading a few pages; "&Refresh" goes to the first; "&Close" ends the program.
    void longLedgerFromOpeningToClose()
    {
        TestLedger ledger;
        ledger.append(paymentRows(100000));
        static long long resultRows = 0; // result rows of every SQLite connection opened while traced
        const auto trace =
            reinterpret_cast<void (*)()>(+[](sqlite3* db, const char**, const sqlite3_api_routines*) {
                auto count = [](unsigned, void*, void*, void*) { return ++resultRows, 0; };
                return sqlite3_trace_v2(db, SQLITE_TRACE_ROW, count, nullptr);
            });
        QCOMPARE(sqlite3_auto_extension(trace), SQLITE_OK);
        auto untrace = qScopeGuard([trace] { sqlite3_cancel_auto_extension(trace); });
        frmLedger* window = openLedgerWindow();
        QVERIFY(window);
        const auto rowVisible = [grid = window->grdDataGrid](int row) {
            return grid->viewport()->rect().contains(grid->visualRect(grid->model()->index(row, 0)));
        };
        QTRY_VERIFY(rowVisible(99999));
        QCOMPARE(gridCell(window, 99999, C::BalanceColumn), QStringLiteral("-$98,999.00"));
        QVERIFY(resultRows > 0 && resultRows < 2000);
        ledger.append({makeRow("0", "0", "50", "-98949", "Late deposit")});
        QTest::mouseClick(window->cmdRefresh, Qt::LeftButton);
        QCOMPARE(window->datPrimaryRS->AbsolutePosition(), 1);
        QCOMPARE(gridCell(window, 100000, C::DescriptionColumn), QStringLiteral("Late deposit"));
        QTRY_VERIFY(rowVisible(0));
        QSignalSpy ended(&registry(), &WindowRegistry::programEnded);
        QTest::mouseClick(window->cmdClose, Qt::LeftButton);
        QVERIFY(ended.count() == 1 && registry().loadedCount() == 0);
    }

    // An unreadable row is a data error (once per reading), dropped if the window has handed over by then; a
    // failed "&Refresh" says why and keeps the grid.
    void readFailures()
    {
        TestLedger ledger;
        ledger.append(paymentRows(400));
        const std::string spoil =
            "PRAGMA ignore_check_constraints = ON; UPDATE Ledger SET \"date\" = '2004-02-30' WHERE rowid = ";
        ledger.exec(spoil + "200"); // on a page the opening does not read
        MessageAnswerer answerer;
        frmLedger* window = openLedgerWindow();
        QVERIFY(window);
        QVERIFY(!window->grdDataGrid->model()->index(199, 1).data().isValid()); // its report is queued
        QTest::mouseClick(window->Command1, Qt::LeftButton);
        QVERIFY(editorAfterOpeningTicks() && answerer.texts.isEmpty());
        closeAllWindows();
        ledger.exec(spoil + "4");
        window = openLedgerWindow();
        QVERIFY(window);
        window->grdDataGrid->scrollToTop(); // the first page holds the bad row
        QTRY_VERIFY(!answerer.texts.isEmpty());
        // Every visible cell read again, and any report that queued delivered: still one message.
        window->grdDataGrid->viewport()->repaint();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(answerer.texts.size(), 1); // once, though the opening reads the table twice
        QVERIFY(answerer.texts.first().contains(
            QRegularExpression(QStringLiteral("^Data error event hit err:.+"))));
        QCOMPARE(gridCell(window, 399, C::DescriptionColumn), QStringLiteral("Payment 400"));
        ledger.exec("DROP TABLE Ledger");
        QTest::mouseClick(window->cmdRefresh, Qt::LeftButton);
        QVERIFY(QFile::remove(QString::fromStdString(ledger.path())));
        QTest::mouseClick(window->cmdRefresh, Qt::LeftButton);
        QCOMPARE(answerer.texts.size(), 3);
        QVERIFY(answerer.texts[1].endsWith(u"no Ledger table.") && answerer.texts[2].endsWith(u"not exist."));
        QCOMPARE(window->datPrimaryRS->AbsolutePosition(), 400);
        QCOMPARE(gridCell(window, 399, C::DescriptionColumn), QStringLiteral("Payment 400"));
    }

    // "&Print" to PDF gives one page and keeps the current row; without a printer it says so.
    // Help opens once beside the ledger window and shows only local pages.
    void printThenHelp()
    {
        TestLedger ledger;
        ledger.append(paymentRows(3));
        frmLedger* window = openLedgerWindow();
        QVERIFY(window);
        selectGridRow(window, 2);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFileName(QDir(ledger.folder()).filePath(QStringLiteral("ledger.pdf")));
        window->PrintClientArea(printer);
        QCOMPARE(pdfPageCount(printer.outputFileName()), 1);
        QCOMPARE(window->datPrimaryRS->AbsolutePosition(), 2);
        if (QPrinterInfo::defaultPrinter().isNull()) {
            MessageAnswerer answerer;
            QTest::mouseClick(window->Command2, Qt::LeftButton);
            QCOMPARE(answerer.texts,
                     QStringList{"No printer is installed, so the ledger cannot be printed."});
        }
        const auto viewer = [] { return qobject_cast<Form6*>(registry().window(QStringLiteral("Form6"))); };
        QTest::mouseClick(window->Command4, Qt::LeftButton);
        QVERIFY(viewer() && viewer()->WebBrowser1->toPlainText().contains(u"cannot be displayed"));
        QVERIFY(QTest::qWaitForWindowActive(viewer()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // "OK" closes only the viewer
        QVERIFY(!registry().isLoaded(QStringLiteral("Form6")) && window->isVisible());
        QFile page(QDir(ledger.folder()).filePath(QStringLiteral("help.htm")));
        QVERIFY(page.open(QIODevice::WriteOnly)
                && page.write("<a href=\"http://example.com/\">web page</a>") > 0);
        page.close();
        QTest::mouseClick(window->Command4, Qt::LeftButton);
        QPointer<Form6> help = viewer();
        QTest::mouseClick(window->Command4, Qt::LeftButton);
        QVERIFY(help && viewer() == help);
        QCOMPARE(help->WebBrowser1->anchorAt(QPoint(10, 8)), QStringLiteral("http://example.com/"));
        QTest::mouseClick(help->WebBrowser1->viewport(), Qt::LeftButton, {}, QPoint(10, 8));
        QCOMPARE(help->WebBrowser1->source(), QUrl::fromLocalFile(page.fileName()));
        // With the ledger window closed first, "OK" ends the program.
        QSignalSpy ended(&registry(), &WindowRegistry::programEnded);
        QTest::mouseClick(window->cmdClose, Qt::LeftButton);
        QVERIFY(ended.isEmpty() && help);
        QTest::mouseClick(help->Command1, Qt::LeftButton);
        QCOMPARE(ended.count(), 1);
    }
};

QTEST_MAIN(LedgerWindowTest)
#include "LedgerWindowTest.moc"
