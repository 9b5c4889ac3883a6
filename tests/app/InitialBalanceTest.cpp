// The opening-balance window: the first row of an empty ledger, its refusal
// of amounts that are no amounts, and what a failing file does to it.
#include "Form4.h"
#include "LedgerRecordset.h"
#include "LedgerTableModel.h"
#include "TestLedger.h"
#include "Twips.h"
#include "WindowRegistry.h"
#include "WindowTestSupport.h"
#include "frmLedger.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

using namespace tallowick;
using namespace tallowick::test;

namespace {

const QString kInvalid = QStringLiteral("This value is invalid");

QString cell(const frmLedger* ledger, int row, int column)
{
    const QAbstractItemModel* model = ledger->grdDataGrid->model();
    return model->data(model->index(row, column), Qt::DisplayRole).toString();
}

void retype(QLineEdit* box, const QString& text)
{
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

} // namespace

class InitialBalanceTest : public QObject {
    Q_OBJECT

private:
    Form4* openForm4()
    {
        auto* form = WindowRegistry::instance().Show<Form4>(QStringLiteral("Form4"));
        if (!form || !QTest::qWaitForWindowActive(form))
            return nullptr;
        return form;
    }

    // The opening row as this window must store it, with `balance` as the amount.
    static void verifyOpeningRow(const TestLedger& ledger, const char* balance)
    {
        const std::vector<LedgerRow> rows = ledger.rows();
        QCOMPARE(rows.size(), std::size_t(1));
        const LedgerRow& row = rows.front();
        QCOMPARE(row.description, std::optional<std::string>("Initial Balance"));
        QCOMPARE(row.payment, Money());
        QCOMPARE(row.fee, Money());
        QCOMPARE(row.deposit, Money());
        QCOMPARE(row.taxDeductible, 0);
        QCOMPARE(row.balance, Money::parse(balance));
        QVERIFY(!row.number.has_value());
        QVERIFY(!row.date.has_value());
    }

private slots:
    void initTestCase() { registerWindowsOnce(); }
    void cleanup()
    {
        closeAllWindows();
        QTRY_VERIFY(noWindowsLeft());
    }

    void designOfTheWindow()
    {
        TestLedger ledger;
        auto* form = openForm4();
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QStringLiteral("Initial Balance"));
        QCOMPARE(form->size(), twipsSize(4680, 1980));
        QCOMPARE(form->Label1->text(),
                 QStringLiteral("Tallowick Balance needs to know the initial balance of your account.  "
                                "Please enter this value in the box below and press OK."));
        QCOMPARE(form->Command1->text(), QStringLiteral("OK"));
        QVERIFY(form->Command1->isDefault());
        QVERIFY(form->Text1->text().isEmpty());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form->Text1));
        QTest::keyClick(form->Text1, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form->Command1));
    }

    void enterStoresOpeningRowAndOpensLedger()
    {
        TestLedger ledger;
        auto* form = openForm4();
        QVERIFY(form);
        MessageAnswerer answerer;
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form->Text1));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("1000"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

        verifyOpeningRow(ledger, "1000");
        QVERIFY(answerer.texts.isEmpty());
        auto& registry = WindowRegistry::instance();
        QVERIFY(!registry.isLoaded(QStringLiteral("Form4")));
        auto* window = qobject_cast<frmLedger*>(registry.window(QStringLiteral("frmLedger")));
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QTRY_COMPARE(window->datPrimaryRS->AbsolutePosition(), 1);
        QCOMPARE(window->grdDataGrid->model()->rowCount(), 1);
        QCOMPARE(cell(window, 0, LedgerTableModel::NumberColumn), QString());
        QCOMPARE(cell(window, 0, LedgerTableModel::DateColumn), QString());
        QCOMPARE(cell(window, 0, LedgerTableModel::DescriptionColumn), QStringLiteral("Initial Balance"));
        QCOMPARE(cell(window, 0, LedgerTableModel::PaymentColumn), QStringLiteral("$0.00"));
        QCOMPARE(cell(window, 0, LedgerTableModel::TaxColumn), QStringLiteral(" "));
        QCOMPARE(cell(window, 0, LedgerTableModel::FeeColumn), QStringLiteral("$0.00"));
        QCOMPARE(cell(window, 0, LedgerTableModel::DepositColumn), QStringLiteral("$0.00"));
        QCOMPARE(cell(window, 0, LedgerTableModel::BalanceColumn), QStringLiteral("$1,000.00"));
    }

    void refusedAmountsStoreNothingAndKeepTheText()
    {
        TestLedger ledger;
        auto* form = openForm4();
        QVERIFY(form);
        auto& registry = WindowRegistry::instance();
        const QStringList refused{QString(), QStringLiteral("abc"), QStringLiteral("1.2.3"), QStringLiteral("12a"),
                                  QStringLiteral("99999999999999999999")};
        for (const QString& text : refused) {
            MessageAnswerer answerer;
            retype(form->Text1, text);
            QTest::mouseClick(form->Command1, Qt::LeftButton);
            QCOMPARE(answerer.texts, QStringList{kInvalid});
            QCOMPARE(answerer.captions, QStringList{QStringLiteral("Tallowick")});
            QVERIFY2(ledger.rows().empty(), qPrintable(text));
            QCOMPARE(form->Text1->text(), text);
            QVERIFY(registry.isLoaded(QStringLiteral("Form4")));
            QVERIFY(form->isVisible());
            QVERIFY(!registry.isLoaded(QStringLiteral("frmLedger")));
        }

        // A corrected amount on a later OK stores exactly one row.
        MessageAnswerer answerer;
        retype(form->Text1, QStringLiteral("250.75"));
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        QVERIFY(answerer.texts.isEmpty());
        verifyOpeningRow(ledger, "250.75");
        QVERIFY(registry.isLoaded(QStringLiteral("frmLedger")));
        QVERIFY(!registry.isLoaded(QStringLiteral("Form4")));
    }

    void negativeAndFormattedAmountsAreAccepted()
    {
        {
            TestLedger ledger;
            auto* form = openForm4();
            QVERIFY(form);
            QTest::keyClicks(form->Text1, QStringLiteral("-75.5"));
            QTest::mouseClick(form->Command1, Qt::LeftButton);
            verifyOpeningRow(ledger, "-75.5");
            auto* window = qobject_cast<frmLedger*>(WindowRegistry::instance().window(QStringLiteral("frmLedger")));
            QVERIFY(window);
            QTRY_COMPARE(window->datPrimaryRS->AbsolutePosition(), 1);
            QCOMPARE(cell(window, 0, LedgerTableModel::BalanceColumn), QStringLiteral("-$75.50"));
            closeAllWindows();
            QTRY_VERIFY(noWindowsLeft());
        }
        {
            // Four decimals are kept exactly; thousands separators are read.
            TestLedger ledger;
            auto* form = openForm4();
            QVERIFY(form);
            QTest::keyClicks(form->Text1, QStringLiteral(" 1,234.5678 "));
            QTest::mouseClick(form->Command1, Qt::LeftButton);
            verifyOpeningRow(ledger, "1234.5678");
        }
    }

    void closeBoxStoresNothingAndEndsProgram()
    {
        TestLedger ledger;
        auto* form = openForm4();
        QVERIFY(form);
        auto& registry = WindowRegistry::instance();
        QSignalSpy ended(&registry, &WindowRegistry::programEnded);
        QTest::keyClicks(form->Text1, QStringLiteral("500"));
        QVERIFY(form->close());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(registry.loadedCount(), 0);
        QTRY_VERIFY(noWindowsLeft());
        QVERIFY(ledger.rows().empty());
    }

    void fileFaultsShowTheStoresSentence()
    {
        TestLedger ledger;
        auto* form = openForm4();
        QVERIFY(form);
        auto& registry = WindowRegistry::instance();

        ledger.exec("CREATE TRIGGER full BEFORE INSERT ON Ledger BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
        {
            MessageAnswerer answerer;
            QTest::keyClicks(form->Text1, QStringLiteral("1000"));
            QTest::mouseClick(form->Command1, Qt::LeftButton);
            QCOMPARE(answerer.texts.size(), 1);
            QVERIFY2(answerer.texts.first() != kInvalid, qPrintable(answerer.texts.first()));
            QVERIFY2(answerer.texts.first().contains(QStringLiteral("disk is full")), qPrintable(answerer.texts.first()));
            QCOMPARE(answerer.captions.first(), QStringLiteral("Tallowick"));
            QVERIFY(ledger.rows().empty());
            QCOMPARE(form->Text1->text(), QStringLiteral("1000"));
            QVERIFY(registry.isLoaded(QStringLiteral("Form4")));
            QVERIFY(!registry.isLoaded(QStringLiteral("frmLedger")));
        }

        // Once the file takes rows again, OK starts over and stores one row.
        ledger.exec("DROP TRIGGER full");
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        verifyOpeningRow(ledger, "1000");
        QVERIFY(registry.isLoaded(QStringLiteral("frmLedger")));
    }

    void missingFileIsReportedInItsOwnWords()
    {
        TestLedger ledger;
        auto* form = openForm4();
        QVERIFY(form);
        const QString path = QString::fromStdString(ledger.path());
        QVERIFY(QFile::remove(path));
        MessageAnswerer answerer;
        QTest::keyClicks(form->Text1, QStringLiteral("1000"));
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        QCOMPARE(answerer.texts, QStringList{QStringLiteral("The ledger file \"%1\" does not exist.").arg(path)});
        QVERIFY(!QFile::exists(path));
        QVERIFY(WindowRegistry::instance().isLoaded(QStringLiteral("Form4")));
        QVERIFY(!WindowRegistry::instance().isLoaded(QStringLiteral("frmLedger")));
    }
};

QTEST_MAIN(InitialBalanceTest)
#include "InitialBalanceTest.moc"
