// The ledger window: cell formats, layout, current row, read failures, "&Help" and "&Print".
#include "Form6.h"
#include "LedgerRecordset.h"
#include "TestLedger.h"
#include "Twips.h"
#include "WindowDriver.h"
#include "WindowTestSupport.h"

#include <QDir>
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

static QString cell(const frmLedger* window, int row, int column)
{
    return window->grdDataGrid->model()->index(row, column).data().toString();
}

static bool rowVisible(const frmLedger* window, int row)
{
    const QRect rect = window->grdDataGrid->visualRect(window->grdDataGrid->model()->index(row, 0));
    return rect.isValid() && window->grdDataGrid->viewport()->rect().contains(rect);
}

// An opening of 1000, then payments of 1.00 numbered from 1001.
static std::vector<LedgerRow> paymentRows(int count)
{
    std::vector<LedgerRow> rows{makeRow("0", "0", "0", "1000", "Initial Balance")};
    for (int k = 1; k < count; ++k)
        rows.push_back(makeRow("1", "0", "0", std::to_string(1000 - k).c_str(),
                               ("Payment " + std::to_string(k + 1)).c_str(), 1000 + k));
    return rows;
}

// Counts the result rows of every SQLite connection opened while it is registered.
static long long g_resultRows = 0;
static int traceConnection(sqlite3* db, const char**, const sqlite3_api_routines*)
{
    auto countRow = [](unsigned, void*, void*, void*) { ++g_resultRows; return 0; };
    return sqlite3_trace_v2(db, SQLITE_TRACE_ROW, countRow, nullptr);
}

static Form6* viewer() { return qobject_cast<Form6*>(registry().window(QStringLiteral("Form6"))); }

class LedgerWindowTest : public WindowTest {
    Q_OBJECT

private slots:
    // Each grid row as its twelve cells joined by "|", the four spacers included.
    void cellFormats_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("cells");
        QTest::newRow("opening") << 0 << "|||Opening||$0.00| |$0.00||$0.00||$1,000.00";
        QTest::newRow("negative") << 1 << "1001|3/7/2004||Rent||$1,012.50|T|$0.00||$0.00||-$12.50";
        QTest::newRow("rounded") << 2 << "0|||Pay||$2.35| |$0.75||$234.57||$19.10";
        QTest::newRow("no description") << 3 << "|||||$0.00| |$0.00||$0.00||$19.10";
    }
    void cellFormats()
    {
        QFETCH(int, row);
        QFETCH(QString, cells);
        TestLedger ledger;
        ledger.append({makeRow("0", "0", "0", "1000", "Opening"), makeRow("1012.5", "0", "0", "-12.5", "Rent", 1001, 1),
                       makeRow("2.3456", "0.75", "234.5678", "19.0972", "Pay", 0), makeRow("0", "0", "0", "19.0972")});
        ledger.exec("UPDATE Ledger SET \"date\" = '2004-03-07' WHERE rowid = 2");
        frmLedger* window = openLedgerWindow();
        QVERIFY(window);
        QStringList shown;
        for (int column = 0; column < C::ColumnCount; ++column)
            shown << cell(window, row, column);
        QCOMPARE(shown.join(u'|'), cells);
    }

    void headersAndResizeRule()
    {
        TestLedger ledger;
        frmLedger* window = openLedgerWindow();
        QVERIFY(window);
        QStringList headers;
        for (int column = 0; column < C::ColumnCount; ++column)
            headers << window->grdDataGrid->model()->headerData(column, Qt::Horizontal).toString();
        QCOMPARE(headers.join(u'|'),
                 "Number|Date||Description of Transaction||Payment / Debit|T|Fee||Deposit / Credit||Balance");
        const int width = window->grdDataGrid->width();
        for (int height : {600, 700, px(660) - 10, 300}) {
            const int before = window->grdDataGrid->height();
            window->resize(900, height);
            QTRY_COMPARE(window->height(), height);
            // The strip sits at the bottom; the grid fills the rest unless there is no room for it.
            QCOMPARE(window->picButtons->geometry(), QRect(0, height - px(300), 900, px(300)));
            const int gridHeight = height - px(330) - px(30) - px(300);
            QCOMPARE(window->grdDataGrid->geometry(), QRect(0, 0, width, gridHeight < 0 ? before : gridHeight));
        }
    }

    // Opens on the last row reading a few pages; "&Refresh" goes to the first; "&Close" ends the program.
    void longLedgerFromOpeningToClose()
    {
        TestLedger ledger;
        ledger.append(paymentRows(100000));
        const auto trace = reinterpret_cast<void (*)()>(&traceConnection);
        QCOMPARE(sqlite3_auto_extension(trace), SQLITE_OK);
        auto untrace = qScopeGuard([trace] { sqlite3_cancel_auto_extension(trace); });
        frmLedger* window = openLedgerWindow();
        QVERIFY(window);
        QTRY_VERIFY(rowVisible(window, 99999));
        QCOMPARE(cell(window, 99999, C::BalanceColumn), QStringLiteral("-$98,999.00"));
        QVERIFY2(g_resultRows > 0 && g_resultRows < 2000, qPrintable(QString::number(g_resultRows)));
        ledger.append(makeRow("0", "0", "50", "-98949", "Late deposit"));
        QTest::mouseClick(window->cmdRefresh, Qt::LeftButton);
        QCOMPARE(window->datPrimaryRS->AbsolutePosition(), 1);
        QCOMPARE(cell(window, 100000, C::DescriptionColumn), QStringLiteral("Late deposit"));
        QTRY_VERIFY(rowVisible(window, 0));
        QSignalSpy ended(&registry(), &WindowRegistry::programEnded);
        QTest::mouseClick(window->cmdClose, Qt::LeftButton);
        QVERIFY(ended.count() == 1 && registry().loadedCount() == 0);
    }

    // An unreadable row is a data error (once per reading); a failed "&Refresh" says why and keeps the grid.
    // A read error reported after the window handed over is dropped, not shown on a destroyed window.
    void readErrorAfterHandOver()
    {
        TestLedger ledger;
        ledger.append(paymentRows(400)); // the bad row lies on a page the opening does not read
        ledger.exec("PRAGMA ignore_check_constraints = ON; UPDATE Ledger SET \"date\" = '2004-02-30' WHERE rowid = 200");
        MessageAnswerer answerer;
        frmLedger* window = openLedgerWindow();
        QVERIFY(window);
        QCOMPARE(answerer.texts, QStringList());
        QAbstractItemModel* model = window->grdDataGrid->model();
        QVERIFY(!model->data(model->index(199, 1)).isValid()); // the read fails; its report is queued
        QTest::mouseClick(window->Command1, Qt::LeftButton);
        QVERIFY(editorAfterOpeningTicks());
        QCOMPARE(answerer.texts, QStringList());
    }

    void readFailures()
    {
        TestLedger ledger;
        ledger.append(paymentRows(200));
        ledger.exec("PRAGMA ignore_check_constraints = ON; UPDATE Ledger SET \"date\" = '2004-02-30' WHERE rowid = 4");
        MessageAnswerer answerer;
        frmLedger* window = openLedgerWindow();
        QVERIFY(window);
        window->grdDataGrid->scrollToTop(); // the first page holds the bad row
        QTRY_VERIFY(!answerer.texts.isEmpty());
        QTest::qWait(200);
        const qsizetype reports = answerer.texts.size(); // once, though the opening reads the table twice
        QCOMPARE(reports, 1);
        QVERIFY(answerer.texts.first().contains(QRegularExpression(QStringLiteral("^Data error event hit err:.+"))));

        QCOMPARE(cell(window, 199, C::DescriptionColumn), QStringLiteral("Payment 200"));
        ledger.exec("DROP TABLE Ledger");
        QTest::mouseClick(window->cmdRefresh, Qt::LeftButton);
        QVERIFY(QFile::remove(QString::fromStdString(ledger.path())));
        QTest::mouseClick(window->cmdRefresh, Qt::LeftButton);
        QCOMPARE(answerer.texts.size(), reports + 2);
        QVERIFY(answerer.texts[reports].endsWith(u"no Ledger table.") && answerer.texts.last().endsWith(u"not exist."));
        QCOMPARE(window->datPrimaryRS->AbsolutePosition(), 200);
        QCOMPARE(cell(window, 199, C::DescriptionColumn), QStringLiteral("Payment 200"));
    }

    // Help opens once beside the ledger window and shows only local pages.
    void help()
    {
        TestLedger ledger;
        frmLedger* window = openLedgerWindow();
        QVERIFY(window);
        QTest::mouseClick(window->Command4, Qt::LeftButton);
        QVERIFY(viewer() && viewer()->WebBrowser1->toPlainText().contains(u"cannot be displayed"));
        QTest::mouseClick(viewer()->Command1, Qt::LeftButton); // closes only the viewer
        QVERIFY(!registry().isLoaded(QStringLiteral("Form6")) && window->isVisible());

        QFile page(QDir(ledger.folder()).filePath(QStringLiteral("help.htm")));
        QVERIFY(page.open(QIODevice::WriteOnly) && page.write("<a href=\"http://example.com/\">web page</a>") > 0);
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

    void print()
    {
        TestLedger ledger;
        ledger.append(paymentRows(3));
        frmLedger* window = openLedgerWindow();
        QVERIFY(window);
        selectGridRow(window, 2);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QDir(ledger.folder()).filePath(QStringLiteral("ledger.pdf")));
        window->PrintClientArea(printer);
        QFile pdf(printer.outputFileName());
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLatin1(pdf.readAll()).count(QRegularExpression(QStringLiteral("/Type\\s*/Page\\b"))), 1);
        QCOMPARE(window->datPrimaryRS->AbsolutePosition(), 2);

        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a default printer");
        MessageAnswerer answerer;
        QTest::mouseClick(window->Command2, Qt::LeftButton);
        QCOMPARE(answerer.texts, QStringList{"No printer is installed, so the ledger cannot be printed."});
    }
};

QTEST_MAIN(LedgerWindowTest)
#include "LedgerWindowTest.moc"
