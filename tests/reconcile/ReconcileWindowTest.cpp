// The Reconcile window driven through a month's statement as a user would: typed, ticked, adjusted,
// finished and undone; postponed and picked up again; cancelled.
#include "Reconciliation.h"
#include "ReconcileListModel.h"
#include "TestLedger.h"
#include "WindowDriver.h"
#include "WindowTestSupport.h"
#include "StatementListModel.h"
#include "frmReconcile.h"
#include "frmReport.h"
#include "frmStatement.h"
#include "PdfText.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QLabel>

using namespace tallowick;
using namespace tallowick::test;

namespace {

// March: an opening of $1,000, four checks, a paycheck; a check of April.
std::vector<LedgerRow> march()
{
    return {dated(makeRow("0", "0", "1000", "1000", "Opening"), {2024, 2, 29}),
            dated(makeRow("500", "0", "0", "500", "Rent", 101), {2024, 3, 2}),
            dated(makeRow("82.17", "0", "0", "417.83", "Grocer", 102), {2024, 3, 5}),
            dated(makeRow("0", "0", "1200", "1617.83", "Paycheck"), {2024, 3, 15}),
            dated(makeRow("64.5", "0", "0", "1553.33", "Utility", 103), {2024, 3, 20}),
            dated(makeRow("20", "0", "0", "1533.33", "Books", 104), {2024, 4, 2})};
}

// Ctrl+R in the ledger window hands over to Reconcile; null unless the ledger window went.
frmReconcile* openReconcile()
{
    frmLedger* ledger = openLedgerWindow();
    if (!ledger || !QTest::qWaitForWindowActive(ledger))
        return nullptr;
    QTest::keyClick(ledger->grdDataGrid, Qt::Key_R, Qt::ControlModifier);
    auto* window = qobject_cast<frmReconcile*>(registry().window(QStringLiteral("frmReconcile")));
    return window && !registry().isLoaded(QStringLiteral("frmLedger")) && QTest::qWaitForWindowActive(window)
               ? window
               : nullptr;
}

// The list as "description ticked" lines, and the four totals.
QStringList listed(const frmReconcile* window)
{
    QStringList lines;
    const ReconcileListModel* model = window->model();
    for (int row = 0; row < model->rowCount(); ++row)
        lines << model->index(row, ReconcileListModel::DescriptionColumn).data().toString()
                     + (model->isTicked(row) ? " x" : "");
    return lines;
}
QStringList totals(const frmReconcile* window)
{
    return {window->lblPayments->text(), window->lblDeposits->text(), window->lblClearedBalance->text(),
            window->lblDifference->text()};
}

// The bank's statement of that March, as its download writes it: the checks and the paycheck the user
// typed (the grocer's by amount and date), a service fee and the interest the user did not, and check 104
// for another amount than the user typed.
QByteArray marchStatement()
{
    QByteArray lines;
    const char* const transactions[][5] = {{"CHECK", "20240304", "-500.00", "101", "CHECK 101"},
                                           {"POS", "20240306", "-82.17", "", "GROCER #12"},
                                           {"DEP", "20240315120000[-5:EST]", "1200.00", "", "PAYROLL"},
                                           {"SRVCHG", "20240331", "-5.00", "", "SERVICE FEE"},
                                           {"CHECK", "20240325", "-64.50", "103", "CHECK 103"},
                                           {"INT", "20240331", "0.42", "", "INTEREST"},
                                           {"CHECK", "20240403", "-25.00", "104", "CHECK 104"}};
    int fitid = 0;
    for (const auto& t : transactions)
        lines += QByteArray("<STMTTRN><TRNTYPE>") + t[0] + "<DTPOSTED>" + t[1] + "<TRNAMT>" + t[2]
                 + "<FITID>M" + QByteArray::number(++fitid)
                 + (*t[3] ? QByteArray("<CHECKNUM>") + t[3] : QByteArray()) + "<NAME>" + t[4]
                 + "</STMTTRN>\n";
    return "OFXHEADER:100\nDATA:OFXSGML\nVERSION:102\nSECURITY:NONE\nENCODING:USASCII\nCHARSET:1252\n"
           "COMPRESSION:NONE\nOLDFILEUID:NONE\nNEWFILEUID:NONE\n\n<OFX><BANKMSGSRSV1><STMTTRNRS><TRNUID>1"
           "<STATUS><CODE>0<SEVERITY>INFO</STATUS><STMTRS><CURDEF>USD<BANKACCTFROM><BANKID>121000248"
           "<ACCTID>5551234<ACCTTYPE>CHECKING</BANKACCTFROM><BANKTRANLIST><DTSTART>20240301<DTEND>20240331\n"
           + lines
           + "</BANKTRANLIST><LEDGERBAL><BALAMT>1548.75<DTASOF>20240331</LEDGERBAL></STMTRS></STMTTRNRS>"
             "</BANKMSGSRSV1></OFX>\n";
}

// "Import Statement…" from the ledger window's menu with the file chosen in its dialog; null unless the
// Statement window took the ledger window's place.
frmStatement* importStatement(const QString& file)
{
    frmLedger* ledger = openLedgerWindow();
    if (!ledger || !QTest::qWaitForWindowActive(ledger))
        return nullptr;
    {
        SaveDialogAnswerer answerer(file);
        ledger->findChild<QAction*>(QStringLiteral("actionImportStatement"))->trigger();
    }
    auto* window = qobject_cast<frmStatement*>(registry().window(QStringLiteral("frmStatement")));
    return window && !registry().isLoaded(QStringLiteral("frmLedger")) && QTest::qWaitForWindowActive(window)
               ? window
               : nullptr;
}

QStringList outcomes(const frmStatement* window)
{
    QStringList texts;
    for (int row = 0; row < window->model()->rowCount(); ++row)
        texts << window->model()->index(row, StatementListModel::OutcomeColumn).data().toString();
    return texts;
}

// Import, answered "open Reconcile": the Reconcile window as it opens.
frmReconcile* importAndReconcile(frmStatement* window)
{
    MessageAnswerer answerer;
    QTest::keyClick(window, Qt::Key_I, Qt::AltModifier);
    QTest::qWaitFor([] { return registry().isLoaded(QStringLiteral("frmReconcile")); });
    auto* reconcile = qobject_cast<frmReconcile*>(registry().window(QStringLiteral("frmReconcile")));
    return reconcile && answerer.texts.size() == 1 && QTest::qWaitForWindowActive(reconcile) ? reconcile
                                                                                             : nullptr;
}

} // namespace

class ReconcileWindowTest : public WindowTest {
    Q_OBJECT

private slots:
    // The statement of March: typed with the keyboard alone, three rows ticked, the fee the bank charged
    // added by "Adjust…", finished at $0.00; the ledger holds the statement, Ctrl+Z takes it back.
    void finishAMonthsStatement()
    {
        TestLedger ledger;
        ledger.append(march());
        frmReconcile* window = openReconcile();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), "Reconcile");
        QCOMPARE(QApplication::focusWidget(), window->txtStatementDate);
        QCOMPARE(window->txtStatementDate->selectedText(), QDate::currentDate().toString("M/d/yyyy"));
        QCOMPARE(window->lblStartingBalance->text(), "$1,000.00");
        QTest::keyClicks(window->txtStatementDate, "3/31/2024");
        QTest::keyClick(window->txtStatementDate, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), window->txtEndingBalance);
        QTest::keyClicks(window->txtEndingBalance, "1,612.83");
        QCOMPARE(listed(window), (QStringList{"Rent", "Grocer", "Paycheck", "Utility"}));
        QTest::keyClick(window->txtEndingBalance, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), window->grdRows);
        const QStringList expected[] = {{"$500.00", "$0.00", "$500.00", "$1,112.83"},
                                        {"$582.17", "$0.00", "$417.83", "$1,195.00"},
                                        {"$582.17", "$1,200.00", "$1,617.83", "-$5.00"}};
        for (const QStringList& after : expected) {
            QTest::keyClick(window->grdRows, Qt::Key_Space);
            QCOMPARE(totals(window), after);
            QTest::keyClick(window->grdRows, Qt::Key_Down);
        }
        QVERIFY(!window->cmdFinish->isEnabled() && window->cmdAdjust->isEnabled());
        QTest::keyClick(window, Qt::Key_L, Qt::AltModifier); // "Show later rows"
        QTRY_COMPARE(listed(window).size(), 5); // a key presses its button after a short flash
        QTest::keyClick(window, Qt::Key_L, Qt::AltModifier);
        QTRY_COMPARE(listed(window).size(), 4);
        QVERIFY(window->lblDifference->font().bold() || window->lblDifference->styleSheet().contains("bold"));
        QCOMPARE(window->lblDifference->accessibleName(), "Difference -$5.00");

        {
            MessageAnswerer answerer;
            QTest::keyClick(window, Qt::Key_J, Qt::AltModifier);
            QTRY_COMPARE(answerer.texts.size(), 1);
            QVERIFY(answerer.texts[0].startsWith(
                "Add the row \"Balance adjustment\" dated 3/31/2024 for -$5.00"));
        }
        QTRY_COMPARE(listed(window),
                     (QStringList{"Rent x", "Grocer x", "Paycheck x", "Utility", "Balance adjustment x"}));
        QCOMPARE(totals(window), (QStringList{"$587.17", "$1,200.00", "$1,612.83", "$0.00"}));
        QVERIFY(window->cmdFinish->isEnabled() && QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY(!registry().isLoaded(QStringLiteral("frmReconcile")));
        frmLedger* back = readyLedgerWindow();
        QVERIFY(back && !registry().isLoaded(QStringLiteral("frmReconcile")));

        const auto view = [&] { return readReconciliation(*LedgerConnection::open(ledger.path())); };
        ReconciliationView after = view();
        QVERIFY(after.statements.size() == 1 && after.statements[0].endingBalance == Money::parse("1612.83"));
        QCOMPARE(after.unreconciled.size(), std::size_t(2)); // Utility and Books
        QCOMPARE(ledger.rows().back().description.value_or(""), "Balance adjustment");

        // The Report window's reconciliation of that statement: check 103 outstanding, and the register's
        // balance at the statement date is the bank's less it.
        auto* report = qobject_cast<frmReport*>(registry().Show(QStringLiteral("frmReport")));
        QVERIFY(report);
        QVERIFY(QTest::qWaitForWindowActive(report));
        QTest::keyClick(report, Qt::Key_N, Qt::AltModifier); // "Reconciliation"
        QTRY_VERIFY(report->optReconciliation->isChecked() && !report->fraPeriod->isEnabled());
        QTemporaryDir target;
        const QString pdf = target.filePath("march.pdf");
        {
            SaveDialogAnswerer answerer(pdf);
            QTest::mouseClick(report->cmdSavePdf, Qt::LeftButton);
            QCOMPARE(QFileInfo(answerer.offered).fileName(), "My Tallowick Reconciliation.pdf");
        }
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains("Utility") && !text.contains("Books") && text.contains("$1,612.83")
                     && text.contains("$64.50") && text.contains("$1,548.33"),
                 qPrintable(text));
        registry().Unload(QStringLiteral("frmReport"));
        back->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(back));
        QTest::keyClick(back->grdDataGrid, Qt::Key_Z, Qt::ControlModifier);
        QTRY_VERIFY(view().statements.empty());
        after = view();
        QCOMPARE(after.unreconciled.size(), std::size_t(6));
        QCOMPARE(int(after.unreconciled.back().status),
                 int(MarkStatus::Cleared)); // the adjustment, its own change
    }

    // Postpone keeps the ticks as cleared and the typed date and balance for the next opening; a tick on a
    // row that leaves the list as the date moves back is dropped; Cancel and the close box store nothing.
    void postponeThenCancel()
    {
        TestLedger ledger;
        ledger.append(march());
        frmReconcile* window = openReconcile();
        QVERIFY(window);
        typeOver(window->txtStatementDate, "4/30/2024");
        typeOver(window->txtEndingBalance, "1000");
        window->grdRows->setFocus();
        for (int row : {0, 4}) {
            window->grdRows->setCurrentIndex(window->model()->index(row, 0));
            QTest::keyClick(window->grdRows, Qt::Key_Space);
        }
        QCOMPARE(totals(window), (QStringList{"$520.00", "$0.00", "$480.00", "$520.00"}));
        QTest::mouseClick(window->cmdPostpone, Qt::LeftButton);
        QVERIFY(readyLedgerWindow());

        QVERIFY((window = openReconcile()));
        QVERIFY(window->txtStatementDate->text() == "4/30/2024"
                && window->txtEndingBalance->text() == "1000");
        QCOMPARE(listed(window), (QStringList{"Rent x", "Grocer", "Paycheck", "Utility", "Books x"}));
        typeOver(window->txtStatementDate, "3/31/2024");
        QTest::keyClick(window->txtStatementDate, Qt::Key_Tab);
        QCOMPARE(listed(window), (QStringList{"Rent x", "Grocer", "Paycheck", "Utility"}));
        QCOMPARE(totals(window), (QStringList{"$500.00", "$0.00", "$500.00", "$500.00"}));
        const QStringList stored = storedRows(ledger.path());
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(readyLedgerWindow());
        QVERIFY((window = openReconcile()));
        QCOMPARE(listed(window), (QStringList{"Rent x", "Grocer", "Paycheck", "Utility", "Books x"}));
        window->close();
        QVERIFY(readyLedgerWindow());
        QCOMPARE(storedRows(ledger.path()), stored);
    }

    // The bank's March statement imported over what the user typed: the proposals shown, one match turned
    // into a new row, Import, Reconcile filled in; one Ctrl+Z takes the import back. Imported again as
    // proposed, Reconcile finishes at $0.00 with no key but "Finish".
    void importAMonthsStatement()
    {
        TestLedger ledger;
        ledger.append(march());
        QTemporaryDir folder;
        const QString file = folder.filePath("march.ofx");
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(marchStatement()) > 0);
        }
        const QStringList typed = storedRows(ledger.path());
        frmStatement* window = importStatement(file);
        QVERIFY(window);
        QCOMPARE(window->lblAccount->text(),
                 "Account 5551234 (CHECKING), statement of 3/31/2024, ending balance $1,548.75");
        QCOMPARE(outcomes(window), (QStringList{"Matched row 2", "Matched row 3", "Matched row 4", "New row",
                                                "Matched row 5", "New row", "Amount differs from row 6"}));
        QCOMPARE(window->lblCounts->text(), "4 matched, 2 new, 0 already imported, 1 skipped");
        QTest::keyClick(window->grdTransactions, Qt::Key_Down); // the grocer's
        QCOMPARE(window->cboOutcome->currentText(), "Match row 3 (3/5/2024, -$82.17)");
        QTest::keyClick(window, Qt::Key_O, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), window->cboOutcome);
        QTest::keyClick(window->cboOutcome, Qt::Key_Down);
        QCOMPARE(outcomes(window)[1], "New row");
        QTest::keyClick(window, Qt::Key_Escape); // Cancel stores nothing
        QVERIFY(readyLedgerWindow());
        QCOMPARE(storedRows(ledger.path()), typed);

        QVERIFY((window = importStatement(file)));
        window->grdTransactions->setCurrentIndex(window->model()->index(1, 0));
        QTest::keyClick(window->cboOutcome, Qt::Key_Down);
        frmReconcile* reconcile = importAndReconcile(window);
        QVERIFY(reconcile);
        QVERIFY(reconcile->txtStatementDate->text() == "3/31/2024"
                && reconcile->txtEndingBalance->text() == "1548.75");
        QCOMPARE(listed(reconcile), (QStringList{"Rent x", "Grocer", "Paycheck x", "Utility x",
                                                 "GROCER #12 x", "SERVICE FEE x", "INTEREST x"}));
        QCOMPARE(reconcile->lblDifference->text(), "$0.00");
        QTest::keyClick(reconcile, Qt::Key_Escape);
        frmLedger* back = readyLedgerWindow();
        QVERIFY(back && QTest::qWaitForWindowActive(back));
        QTest::keyClick(back->grdDataGrid, Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE(storedRows(ledger.path()), typed);
        QVERIFY(readMarks(*LedgerConnection::open(ledger.path())).size() == 1); // the anchor alone

        QVERIFY((window = importStatement(file)));
        window->grdTransactions->setCurrentIndex(window->model()->index(6, 0));
        QTest::keyClick(window->cboOutcome, Qt::Key_Down);
        QCOMPARE(outcomes(window)[6], "Take the bank's amount into row 6");
        QVERIFY((reconcile = importAndReconcile(window)));
        QCOMPARE(listed(reconcile), (QStringList{"Rent x", "Grocer x", "Paycheck x", "Utility x",
                                                 "SERVICE FEE x", "INTEREST x"}));
        QTest::keyClick(reconcile, Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY(!registry().isLoaded(QStringLiteral("frmReconcile")));
        QVERIFY(readyLedgerWindow());
        const ReconciliationView finished = readReconciliation(*LedgerConnection::open(ledger.path()));
        QVERIFY(finished.statements.size() == 1
                && finished.statements[0].endingBalance == Money::parse("1548.75"));
        QCOMPARE(finished.unreconciled.size(), std::size_t(1)); // Books, of April
        const std::vector<LedgerRow> rows = ledger.rows();
        QVERIFY(rows[5].payment == Money::parse("25") && rows[6].fee == Money::parse("5"));
        QCOMPARE(rows.back().balance, Money::parse("1523.75")); // every balance after Books recomputed
    }
};

QTEST_MAIN(ReconcileWindowTest)
#include "ReconcileWindowTest.moc"
