// Start-up and first run: the splash, the agreement, and Form4's opening amount.
#include "Form2.h"
#include "Form4.h"
#include "TestLedger.h"
#include "WindowDriver.h"
#include "WindowTestSupport.h"
#include "frmSplash.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>

using namespace tallowick;
using namespace tallowick::test;

class StartupTest : public WindowTest {
    Q_OBJECT

private slots:
    void splashThenAgreementOrKeyEnds()
    {
        TestLedger ledger;
        auto* splash = registry().Show<frmSplash>(QStringLiteral("frmSplash"));
        QCOMPARE(splash->lblVersion->text(), QStringLiteral("Version 1.0"));
        QVERIFY(!registry().isLoaded(QStringLiteral("Form2")));
        QTRY_VERIFY(registry().isLoaded(QStringLiteral("Form2")));
        QCOMPARE(registry().loadedCount(), 1);

        // A key on the splash ends the program, and its timer brings nothing back.
        closeAllWindows();
        QSignalSpy ended(&registry(), &WindowRegistry::programEnded);
        QTest::keyClick(registry().Show(QStringLiteral("frmSplash")), Qt::Key_Space);
        QCOMPARE(ended.count(), 1);
        QTest::qWait(1700);
        QCOMPARE(registry().loadedCount(), 0);
    }

    void agreement_data()
    {
        QTest::addColumn<int>("rows"); // -1: no ledger file
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("opens"); // empty: the program ends at once
        QTest::newRow("agree, empty ledger") << 0 << false << "Form4";
        QTest::newRow("agree, ledger with rows") << 1 << false << "frmLedger";
        QTest::newRow("cancel") << 1 << true << "";
        QTest::newRow("agree, no ledger file") << -1 << false << "";
    }
    void agreement()
    {
        QFETCH(int, rows);
        QFETCH(bool, cancel);
        QFETCH(QString, opens);
        TestLedger ledger;
        const QString path = QString::fromStdString(ledger.path());
        if (rows > 0)
            ledger.append(makeRow("0", "0", "0", "1000", "Initial Balance"));
        if (rows < 0)
            QVERIFY(QFile::remove(path));
        QSignalSpy ended(&registry(), &WindowRegistry::programEnded);
        MessageAnswerer answerer;
        auto* agreement = registry().Show<Form2>(QStringLiteral("Form2"));
        QTest::mouseClick(cancel ? agreement->Command2 : agreement->Command1, Qt::LeftButton);
        QCOMPARE(ended.count(), opens.isEmpty() ? 1 : 0);
        QCOMPARE(registry().loadedCount(), opens.isEmpty() ? 0 : 1);
        QVERIFY(opens.isEmpty() || registry().isLoaded(opens));
        const QString missing = QStringLiteral("The ledger file \"%1\" does not exist.").arg(path);
        QCOMPARE(answerer.texts, rows < 0 ? QStringList{missing} : QStringList());
        QCOMPARE(QFile::exists(path), rows >= 0);
    }

    void openingAmount_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored"); // empty: refused
        QTest::newRow("amount") << "1000" << "1000";
        QTest::newRow("negative") << "-75.5" << "-75.5";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("letters") << "abc" << "";
        QTest::newRow("two points") << "1.2.3" << "";
    }
    // Typed into Form4 as it opens, then Enter.
    void openingAmount()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        TestLedger ledger;
        QVERIFY(QTest::qWaitForWindowActive(registry().Show(QStringLiteral("Form4"))));
        MessageAnswerer answerer;
        QTest::keyClicks(QApplication::focusWidget(), typed);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        if (stored.isEmpty()) {
            QCOMPARE(answerer.texts, QStringList{QStringLiteral("This value is invalid")});
            QVERIFY(ledger.rows().empty());
            auto* form = qobject_cast<Form4*>(registry().window(QStringLiteral("Form4")));
            QVERIFY(form && form->isVisible() && !registry().isLoaded(QStringLiteral("frmLedger")));
            QCOMPARE(form->Text1->text(), typed);
            // The close box then stores nothing and ends the program.
            QSignalSpy ended(&registry(), &WindowRegistry::programEnded);
            QVERIFY(form->close() && ended.count() == 1 && registry().loadedCount() == 0 && ledger.rows().empty());
        } else {
            QVERIFY(answerer.texts.isEmpty());
            const LedgerRow opening = makeRow("0", "0", "0", qPrintable(stored), "Initial Balance");
            QCOMPARE(tableText(ledger.rows()), tableText({opening}));
            QVERIFY(!registry().isLoaded(QStringLiteral("Form4")) && readyLedgerWindow());
        }
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
