// The ledger window: its grid's cells and columns, the current row after
// opening and after "&Refresh", the resize rule, its buttons and keys, the
// reports of read failures, and a long ledger read a few pages at a time.
#include "LedgerDate.h"
#include "LedgerTableModel.h"
#include "LedgerRecordset.h"
#include "Module1.h"
#include "StoreError.h"
#include "TestLedger.h"
#include "Twips.h"
#include "WindowRegistry.h"
#include "WindowTestSupport.h"
#include "frmLedger.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>

using namespace tallowick;
using namespace tallowick::test;

namespace {

using Column = LedgerTableModel::Column;

QString cell(const frmLedger* ledger, int row, int column)
{
    const QAbstractItemModel* model = ledger->grdDataGrid->model();
    return model->data(model->index(row, column), Qt::DisplayRole).toString();
}

LedgerRow datedRow(const char* payment, const char* fee, const char* deposit, const char* balance,
                   const char* description, long long number, int tax, const char* date)
{
    LedgerRow row = makeRow(payment, fee, deposit, balance, description, number, tax);
    row.date = LedgerDate::parse(date);
    return row;
}

// Rows that follow the balance rule: an opening of 1000, then `count - 1`
// payments of 1.00 numbered from 1001.
std::vector<LedgerRow> paymentRows(int count)
{
    std::vector<LedgerRow> rows;
    rows.reserve(std::size_t(count));
    rows.push_back(makeRow("0", "0", "0", "1000", "Initial Balance"));
    Money balance = Money::parse("1000");
    for (int k = 1; k < count; ++k) {
        balance -= Money::parse("1");
        LedgerRow row = makeRow("1", "0", "0", "0", nullptr, 1000 + k);
        row.balance = balance;
        row.description = "Payment " + std::to_string(k + 1);
        rows.push_back(row);
    }
    return rows;
}

// Every result row produced by any SQLite connection opened while it is
// installed: a long ledger must reach the grid a page at a time.
long long g_resultRows = 0;

int countResultRow(unsigned type, void*, void*, void*)
{
    if (type == SQLITE_TRACE_ROW)
        ++g_resultRows;
    return 0;
}

int traceNewConnection(sqlite3* db, const char**, const sqlite3_api_routines*)
{
    sqlite3_trace_v2(db, SQLITE_TRACE_ROW, countResultRow, nullptr);
    return SQLITE_OK;
}

void (*traceEntryPoint())(void)
{
    return reinterpret_cast<void (*)(void)>(&traceNewConnection);
}

bool rowFullyVisible(const frmLedger* ledger, int row)
{
    const QRect rect = ledger->grdDataGrid->visualRect(ledger->grdDataGrid->model()->index(row, 0));
    return rect.isValid() && ledger->grdDataGrid->viewport()->rect().contains(rect);
}

} // namespace

class LedgerWindowTest : public QObject {
    Q_OBJECT

private:
    // Shows the ledger window and waits until its first tick has selected the last row.
    frmLedger* openLedger(int expectedRows)
    {
        auto* ledger = WindowRegistry::instance().Show<frmLedger>(QStringLiteral("frmLedger"));
        if (!ledger || !QTest::qWaitForWindowExposed(ledger))
            return nullptr;
        if (!QTest::qWaitFor([&] { return !ledger->Timer1->isActive(); }, 5000))
            return nullptr;
        if (expectedRows > 0 && ledger->datPrimaryRS->AbsolutePosition() != expectedRows)
            return nullptr;
        return ledger;
    }

private slots:
    void initTestCase() { registerWindowsOnce(); }
    void cleanup()
    {
        closeAllWindows();
        QTRY_VERIFY(noWindowsLeft());
    }

    void cellsShowTheDisplayFormats()
    {
        TestLedger ledger;
        ledger.append(makeRow("0", "0", "0", "1000", "Initial Balance"));
        ledger.append(datedRow("1012.5", "0", "0", "-12.5", "Rent", 1001, 1, "3/7/2004"));
        ledger.append(datedRow("2.3456", "0.75", "1234.5678", "1219.0972", "Salary", 0, 0, "12/31/1999"));
        ledger.append(makeRow("0", "0", "0", "1219.0972"));
        auto* window = openLedger(4);
        QVERIFY(window);
        QCOMPARE(window->grdDataGrid->model()->rowCount(), 4);
        QCOMPARE(window->grdDataGrid->model()->columnCount(), 12);

        // The opening row: no number, no date, $0.00 amounts, a blank tax cell.
        QCOMPARE(cell(window, 0, Column::NumberColumn), QString());
        QCOMPARE(cell(window, 0, Column::DateColumn), QString());
        QCOMPARE(cell(window, 0, Column::DescriptionColumn), QStringLiteral("Initial Balance"));
        QCOMPARE(cell(window, 0, Column::PaymentColumn), QStringLiteral("$0.00"));
        QCOMPARE(cell(window, 0, Column::TaxColumn), QStringLiteral(" "));
        QCOMPARE(cell(window, 0, Column::FeeColumn), QStringLiteral("$0.00"));
        QCOMPARE(cell(window, 0, Column::DepositColumn), QStringLiteral("$0.00"));
        QCOMPARE(cell(window, 0, Column::BalanceColumn), QStringLiteral("$1,000.00"));

        // A negative balance keeps its sign in front of the dollar sign.
        QCOMPARE(cell(window, 1, Column::NumberColumn), QStringLiteral("1001"));
        QCOMPARE(cell(window, 1, Column::DateColumn), QStringLiteral("3/7/2004"));
        QCOMPARE(cell(window, 1, Column::PaymentColumn), QStringLiteral("$1,012.50"));
        QCOMPARE(cell(window, 1, Column::TaxColumn), QStringLiteral("T"));
        QCOMPARE(cell(window, 1, Column::BalanceColumn), QStringLiteral("-$12.50"));

        // Four decimals are stored and shown rounded to cents; number 0 shows as 0.
        QCOMPARE(cell(window, 2, Column::NumberColumn), QStringLiteral("0"));
        QCOMPARE(cell(window, 2, Column::DateColumn), QStringLiteral("12/31/1999"));
        QCOMPARE(cell(window, 2, Column::PaymentColumn), QStringLiteral("$2.35"));
        QCOMPARE(cell(window, 2, Column::FeeColumn), QStringLiteral("$0.75"));
        QCOMPARE(cell(window, 2, Column::DepositColumn), QStringLiteral("$1,234.57"));
        QCOMPARE(cell(window, 2, Column::BalanceColumn), QStringLiteral("$1,219.10"));
        QCOMPARE(ledger.rows()[2].payment, Money::parse("2.3456"));

        // A row without description shows an empty cell.
        QCOMPARE(cell(window, 3, Column::DescriptionColumn), QString());

        // The spacers hold nothing in any row.
        for (int row = 0; row < 4; ++row)
            for (int spacer : {Column::Spacer1, Column::Spacer2, Column::Spacer3, Column::Spacer4})
                QCOMPARE(cell(window, row, spacer), QString());
    }

    void headersAndColumnWidths()
    {
        TestLedger ledger;
        ledger.append(makeRow("0", "0", "0", "1000", "Initial Balance"));
        auto* window = openLedger(1);
        QVERIFY(window);
        const QAbstractItemModel* model = window->grdDataGrid->model();
        const QStringList headers{QStringLiteral("Number"), QStringLiteral("Date"), QString(),
                                  QStringLiteral("Description of Transaction"), QString(),
                                  QStringLiteral("Payment / Debit"), QStringLiteral("T"), QStringLiteral("Fee"), QString(),
                                  QStringLiteral("Deposit / Credit"), QString(), QStringLiteral("Balance")};
        const int widthsTwips[] = {675, 930, 45, 4575, 45, 1290, 210, 660, 45, 1290, 45, 1695};
        for (int column = 0; column < 12; ++column) {
            QCOMPARE(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(), headers[column]);
            QCOMPARE(window->grdDataGrid->columnWidth(column), widthsTwips[column] / 15);
            QVERIFY(!window->grdDataGrid->isColumnHidden(column));
        }
        QCOMPARE(window->windowTitle(), QStringLiteral("My Tallowick"));
        QCOMPARE(window->size(), QSize(11820 / 15, 8220 / 15));
        QCOMPARE(window->grdDataGrid->pos(), QPoint(0, 0));
        QCOMPARE(window->grdDataGrid->width(), 11820 / 15);
    }

    void lastRowIsCurrentAndVisibleAfterOpeningAndRefreshGoesToFirst()
    {
        TestLedger ledger;
        ledger.append(paymentRows(600));
        auto* window = WindowRegistry::instance().Show<frmLedger>(QStringLiteral("frmLedger"));
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTRY_COMPARE(window->datPrimaryRS->AbsolutePosition(), 600);
        QCOMPARE(window->grdDataGrid->currentIndex().row(), 599);
        QVERIFY(window->grdDataGrid->selectionModel()->isRowSelected(599, {}));
        QVERIFY(rowFullyVisible(window, 599));
        QVERIFY(!rowFullyVisible(window, 0));
        QCOMPARE(cell(window, 599, Column::BalanceColumn), QStringLiteral("$401.00"));

        // A row stored meanwhile appears on "&Refresh", and the first row is current.
        LedgerRow extra = makeRow("0", "0", "50", "451", "Late deposit");
        ledger.append(extra);
        QTest::mouseClick(window->cmdRefresh, Qt::LeftButton);
        QCOMPARE(window->datPrimaryRS->AbsolutePosition(), 1);
        QCOMPARE(window->grdDataGrid->model()->rowCount(), 601);
        QTRY_VERIFY(rowFullyVisible(window, 0));
        QCOMPARE(cell(window, 600, Column::DescriptionColumn), QStringLiteral("Late deposit"));
        QCOMPARE(cell(window, 600, Column::BalanceColumn), QStringLiteral("$451.00"));
    }

    void emptyLedgerHasNoCurrentRow()
    {
        TestLedger ledger;
        MessageAnswerer answerer;
        auto* window = openLedger(0);
        QVERIFY(window);
        QCOMPARE(window->grdDataGrid->model()->rowCount(), 0);
        QVERIFY(window->datPrimaryRS->AbsolutePosition() < 1);
        QTest::mouseClick(window->cmdRefresh, Qt::LeftButton);
        QVERIFY(window->datPrimaryRS->AbsolutePosition() < 1);
        QVERIFY(answerer.texts.isEmpty());
    }

    void resizeRuleKeepsStripAtBottomAndGridAboveIt()
    {
        TestLedger ledger;
        ledger.append(paymentRows(40));
        auto* window = openLedger(40);
        QVERIFY(window);
        const int reserved = px(330) + px(30) + px(300);
        const int gridWidth = window->grdDataGrid->width();
        auto strip = [&] { return window->picButtons->geometry(); };

        QCOMPARE(window->grdDataGrid->height(), window->height() - reserved);
        QCOMPARE(strip(), QRect(0, window->height() - px(300), window->width(), px(300)));

        window->resize(700, 600);
        QTRY_COMPARE(window->size(), QSize(700, 600));
        QCOMPARE(window->grdDataGrid->height(), 600 - reserved);
        QCOMPARE(window->grdDataGrid->width(), gridWidth);
        QCOMPARE(window->grdDataGrid->pos(), QPoint(0, 0));
        QCOMPARE(strip(), QRect(0, 600 - px(300), 700, px(300)));

        // Growing lengthens the grid by as much as the window grew.
        window->resize(900, 700);
        QTRY_COMPARE(window->size(), QSize(900, 700));
        QCOMPARE(window->grdDataGrid->height(), 600 - reserved + 100);
        QCOMPARE(strip(), QRect(0, 700 - px(300), 900, px(300)));

        // Below 660 twips there is no room for a grid: it keeps its height.
        const int before = window->grdDataGrid->height();
        window->resize(900, px(660) - 10);
        QTRY_COMPARE(window->height(), px(660) - 10);
        QCOMPARE(window->grdDataGrid->height(), before);
        QCOMPARE(strip(), QRect(0, window->height() - px(300), 900, px(300)));

        window->resize(900, 300);
        QTRY_COMPARE(window->height(), 300);
        QCOMPARE(window->grdDataGrid->height(), 300 - reserved);
        QCOMPARE(strip().bottom(), window->rect().bottom());
        QCOMPARE(window->datPrimaryRS->AbsolutePosition(), 40);
    }

    void closeEndsProgramWhenLedgerWindowIsAlone()
    {
        TestLedger ledger;
        ledger.append(paymentRows(3));
        auto* window = openLedger(3);
        QVERIFY(window);
        auto& registry = WindowRegistry::instance();
        QSignalSpy ended(&registry, &WindowRegistry::programEnded);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QTest::mouseClick(window->cmdClose, Qt::LeftButton);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(registry.loadedCount(), 0);
        QTRY_VERIFY(noWindowsLeft());
        // Whatever pointer was up, the arrow is back once the window is gone.
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(ledger.rows().size(), std::size_t(3));
    }

    void titleBarCloseEndsProgramToo()
    {
        TestLedger ledger;
        ledger.append(paymentRows(2));
        auto* window = openLedger(2);
        QVERIFY(window);
        auto& registry = WindowRegistry::instance();
        QSignalSpy ended(&registry, &WindowRegistry::programEnded);
        QVERIFY(window->close());
        QCOMPARE(ended.count(), 1);
        QVERIFY(!registry.isLoaded(QStringLiteral("frmLedger")));
    }

    void badStoredDateIsReportedAsDataError()
    {
        TestLedger ledger;
        ledger.append(paymentRows(5));
        // A writer that ignores the table's checks leaves a date no one can read.
        ledger.exec("PRAGMA ignore_check_constraints = ON; "
                    "UPDATE Ledger SET \"date\" = '2004-02-30' WHERE rowid = 4");
        QString expected;
        try {
            LedgerDate::fromIso("2004-02-30");
        } catch (const StoreError& error) {
            expected = QString::fromUtf8(error.what());
        }
        QVERIFY(!expected.isEmpty());

        const QString report = QStringLiteral("Data error event hit err:") + expected;
        MessageAnswerer answerer;
        auto* window = WindowRegistry::instance().Show<frmLedger>(QStringLiteral("frmLedger"));
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTRY_VERIFY(!window->Timer1->isActive() && !answerer.texts.isEmpty());
        QCOMPARE(answerer.texts.first(), report);
        QCOMPARE(answerer.captions.first(), QStringLiteral("Tallowick"));

        // One report per reading of the table, however often the grid paints.
        QTest::qWait(200);
        const qsizetype reports = answerer.texts.size();
        QVERIFY(reports <= 2);
        window->grdDataGrid->viewport()->repaint();
        window->grdDataGrid->viewport()->update();
        QTest::qWait(200);
        QCOMPARE(answerer.texts.size(), reports);
        QVERIFY(WindowRegistry::instance().isLoaded(QStringLiteral("frmLedger")));

        // A new reading meets the bad row again and says so again.
        QTest::mouseClick(window->cmdRefresh, Qt::LeftButton);
        QTRY_COMPARE(answerer.texts.size(), reports + 1);
        QCOMPARE(answerer.texts.last(), report);
        QCOMPARE(answerer.texts.count(report), answerer.texts.size());
    }

    void rowsVanishingUnderTheGridIsReportedAsDataError()
    {
        TestLedger ledger;
        ledger.append(paymentRows(1000));
        MessageAnswerer answerer;
        auto* window = openLedger(1000);
        QVERIFY(window);
        QTRY_VERIFY(rowFullyVisible(window, 999));
        QVERIFY(answerer.texts.isEmpty());

        // Another program empties the table; the grid still counts 1000 rows
        // and meets the loss when it reads a page it has not seen.
        ledger.exec("DELETE FROM Ledger");
        window->grdDataGrid->scrollTo(window->grdDataGrid->model()->index(500, 0));
        QTRY_COMPARE(answerer.texts.size(), 1);
        QVERIFY2(answerer.texts.first().startsWith(QStringLiteral("Data error event hit err:")),
                 qPrintable(answerer.texts.first()));
        QVERIFY(answerer.texts.first().size() > QStringLiteral("Data error event hit err:").size());

        // "&Refresh" reads the now empty table without complaint.
        QTest::mouseClick(window->cmdRefresh, Qt::LeftButton);
        QCOMPARE(window->grdDataGrid->model()->rowCount(), 0);
        QTest::qWait(100);
        QCOMPARE(answerer.texts.size(), 1);
    }

    void firstTickReportsMissingFileInItsOwnWords()
    {
        TestLedger ledger;
        ledger.append(paymentRows(2));
        QVERIFY(QFile::remove(QString::fromStdString(ledger.path())));
        MessageAnswerer answerer;
        auto* window = WindowRegistry::instance().Show<frmLedger>(QStringLiteral("frmLedger"));
        QVERIFY(window);
        QTRY_COMPARE(answerer.texts.size(), 1);
        QCOMPARE(answerer.texts.first(),
                 QStringLiteral("The ledger file \"%1\" does not exist.").arg(QString::fromStdString(ledger.path())));
        QCOMPARE(answerer.captions.first(), QStringLiteral("Tallowick"));
        QVERIFY(!window->Timer1->isActive());
        QVERIFY(WindowRegistry::instance().isLoaded(QStringLiteral("frmLedger")));
        QCOMPARE(window->grdDataGrid->model()->rowCount(), 0);
        QVERIFY(!QFile::exists(QString::fromStdString(ledger.path())));
    }

    void failedRefreshLeavesGridAsItWas()
    {
        TestLedger ledger;
        ledger.append(paymentRows(3));
        auto* window = openLedger(3);
        QVERIFY(window);
        window->grdDataGrid->viewport()->repaint(); // the rows are on screen
        MessageAnswerer answerer;
        ledger.exec("DROP TABLE Ledger");
        QTest::mouseClick(window->cmdRefresh, Qt::LeftButton);
        QVERIFY2(answerer.texts.size() == 1, qPrintable(answerer.texts.join(QLatin1Char('|'))));
        QVERIFY2(!answerer.texts.first().startsWith(QStringLiteral("Data error")), qPrintable(answerer.texts.first()));
        QVERIFY2(answerer.texts.first().contains(QStringLiteral("Ledger")), qPrintable(answerer.texts.first()));
        QCOMPARE(window->grdDataGrid->model()->rowCount(), 3);
        QCOMPARE(window->datPrimaryRS->AbsolutePosition(), 3);
        QCOMPARE(cell(window, 2, Column::DescriptionColumn), QStringLiteral("Payment 3"));
    }

    void refreshNoticesLedgerFileRemovedMeanwhile()
    {
        TestLedger ledger;
        ledger.append(paymentRows(3));
        auto* window = openLedger(3);
        QVERIFY(window);
        QVERIFY(QFile::remove(QString::fromStdString(ledger.path())));
        MessageAnswerer answerer;
        QTest::mouseClick(window->cmdRefresh, Qt::LeftButton);
        QCOMPARE(answerer.texts.size(), 1);
        QVERIFY2(answerer.texts.first().contains(QStringLiteral("does not exist")), qPrintable(answerer.texts.first()));
        QCOMPARE(window->grdDataGrid->model()->rowCount(), 3);
    }

    void captionsAccessKeysAndTabOrder()
    {
        TestLedger ledger;
        ledger.append(paymentRows(3));
        auto* window = openLedger(3);
        QVERIFY(window);
        const QList<std::pair<QPushButton*, QString>> captions{
            {window->cmdAdd, QStringLiteral("&Add")},       {window->Command1, QStringLiteral("&Edit")},
            {window->cmdDelete, QStringLiteral("&Delete")}, {window->Command3, QStringLiteral("&Insert")},
            {window->cmdRefresh, QStringLiteral("&Refresh")}, {window->cmdClose, QStringLiteral("&Close")},
            {window->Command4, QStringLiteral("&Help")},    {window->Command2, QStringLiteral("&Print")}};
        const int lefts[] = {0, 1200, 2400, 3600, 4800, 6000, 9120, 10320};
        for (int k = 0; k < captions.size(); ++k) {
            QPushButton* button = captions[k].first;
            QCOMPARE(button->text(), captions[k].second);
            QCOMPARE(button->parentWidget(), window->picButtons);
            QCOMPARE(button->geometry(), twipsRect(lefts[k], 0, 1095, 300));
            QVERIFY(button->isVisible());
        }

        // Tab walks the grid and then the buttons in their designed order.
        // The grid has the focus when the window opens.
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window->grdDataGrid));
        const QList<QWidget*> order{window->cmdAdd,   window->cmdDelete, window->cmdRefresh,
                                    window->cmdClose, window->Command1,  window->Command2,
                                    window->Command3, window->Command4,  window->grdDataGrid};
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        // Tabbing through the grid does not move its current row.
        QCOMPARE(window->datPrimaryRS->AbsolutePosition(), 3);
    }

    void accessKeysPressTheButtons()
    {
        TestLedger ledger;
        ledger.append(paymentRows(4));
        auto& registry = WindowRegistry::instance();

        auto* window = openLedger(4);
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        // An access key presses its button as a short animated click.
        QTest::keyClick(window, Qt::Key_R, Qt::AltModifier);
        QTRY_COMPARE(window->datPrimaryRS->AbsolutePosition(), 1);

        // The row commands hand over the current row (the last one after
        // opening) and close the ledger window; "&Add" hands over nothing.
        Module1::SelectedRowPosition = 0;
        const struct {
            Qt::Key key;
            const char* opens;
            int selected;
        } commands[] = {{Qt::Key_E, "Form3", 4}, {Qt::Key_A, "Form3", 4}, {Qt::Key_D, "Form5", 4},
                        {Qt::Key_I, "Form1", 4}, {Qt::Key_H, "Form6", 0}};
        for (const auto& command : commands) {
            closeAllWindows();
            QTRY_VERIFY(noWindowsLeft());
            if (command.key == Qt::Key_A)
                Module1::SelectedRowPosition = 2;
            window = openLedger(4);
            QVERIFY(window);
            QVERIFY(QTest::qWaitForWindowActive(window));
            QTest::keyClick(window, command.key, Qt::AltModifier);
            QTRY_VERIFY2(registry.isLoaded(QString::fromLatin1(command.opens)), command.opens);
            QCOMPARE(Module1::SelectedRowPosition, command.key == Qt::Key_A ? 2 : command.selected);
            // Only the help viewer opens beside the ledger window.
            QCOMPARE(registry.isLoaded(QStringLiteral("frmLedger")), command.key == Qt::Key_H);
            Module1::SelectedRowPosition = 0;
        }

        closeAllWindows();
        QTRY_VERIFY(noWindowsLeft());
        window = openLedger(4);
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QSignalSpy ended(&registry, &WindowRegistry::programEnded);
        QTest::keyClick(window, Qt::Key_C, Qt::AltModifier);
        QTRY_COMPARE(ended.count(), 1);
        QCOMPARE(registry.loadedCount(), 0);
    }

    void longLedgerOpensOnItsLastRowReadingFewPages()
    {
        constexpr int kRows = 100000;
        TestLedger ledger;
        ledger.append(paymentRows(kRows));

        g_resultRows = 0;
        QCOMPARE(sqlite3_auto_extension(traceEntryPoint()), SQLITE_OK);
        auto removeTrace = qScopeGuard([] { sqlite3_cancel_auto_extension(traceEntryPoint()); });

        auto* window = WindowRegistry::instance().Show<frmLedger>(QStringLiteral("frmLedger"));
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTRY_COMPARE_WITH_TIMEOUT(window->datPrimaryRS->AbsolutePosition(), kRows, 10000);
        QCOMPARE(window->grdDataGrid->model()->rowCount(), kRows);
        QTRY_VERIFY(rowFullyVisible(window, kRows - 1));
        QCOMPARE(cell(window, kRows - 1, Column::DescriptionColumn), QStringLiteral("Payment 100000"));
        QCOMPARE(cell(window, kRows - 1, Column::NumberColumn), QStringLiteral("100999"));
        QCOMPARE(cell(window, kRows - 1, Column::BalanceColumn), QStringLiteral("-$98,999.00"));
        QCOMPARE(window->grdDataGrid->verticalScrollBar()->value(), window->grdDataGrid->verticalScrollBar()->maximum());

        // The grid read a handful of pages, not the table.
        QVERIFY(g_resultRows > 0);
        QVERIFY2(g_resultRows < 2000, qPrintable(QString::number(g_resultRows)));

        // Jumping to the start and to the middle reads just those places.
        window->grdDataGrid->scrollToTop();
        QCOMPARE(cell(window, 0, Column::DescriptionColumn), QStringLiteral("Initial Balance"));
        window->grdDataGrid->scrollTo(window->grdDataGrid->model()->index(kRows / 2, 0));
        QCOMPARE(cell(window, kRows / 2, Column::DescriptionColumn), QStringLiteral("Payment 50001"));
        QCOMPARE(cell(window, kRows / 2, Column::NumberColumn), QStringLiteral("51000"));
        QCOMPARE(cell(window, kRows / 2, Column::BalanceColumn), QStringLiteral("-$49,000.00"));
        QTRY_VERIFY(rowFullyVisible(window, kRows / 2));
        QVERIFY2(g_resultRows < 5000, qPrintable(QString::number(g_resultRows)));
    }
};

QTEST_MAIN(LedgerWindowTest)
#include "LedgerWindowTest.moc"
