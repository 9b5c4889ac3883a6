// Start-up and first run: the splash, the agreement, and Form4's opening amount.
#include "Form2.h"
#include "Form4.h"
#include "TestLedger.h"
#include "WindowDriver.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>

using namespace tallowick;
using namespace tallowick::test;

class StartupTest : public WindowTest {
    Q_OBJECT

private slots:
    void splashThenAgreementOrKeyEnds()
    {
        TestLedger ledger;
        registry().Show(QStringLiteral("frmSplash"));
        QVERIFY(!registry().isLoaded(QStringLiteral("Form2")));
        QTRY_VERIFY(registry().isLoaded(QStringLiteral("Form2")) && registry().loadedCount() == 1);
        closeAllWindows();
        // A key on the splash ends the program, and its timer goes with it: nothing comes back.
        QSignalSpy ended(&registry(), &WindowRegistry::programEnded);
        QWidget* splash = registry().Show(QStringLiteral("frmSplash"));
        const QPointer<QTimer> timer = splash->findChild<QTimer*>(QStringLiteral("Timer1"));
        QVERIFY(timer && timer->isActive());
        QTest::keyClick(splash, Qt::Key_Space);
        QCOMPARE(ended.count(), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(timer.isNull());
        QCOMPARE(registry().loadedCount(), 0);
    }

    // Rows in the ledger (-1: no file), Cancel, and the window that opens ("": the program ends at once).
    void agreement()
    {
        const struct { int rows; bool cancel; QString opens; } cases[]{
            {0, false, "Form4"}, {1, false, "frmLedger"}, {1, true, ""}, {-1, false, ""}};
        for (const auto& [rows, cancel, opens] : cases) {
            TestLedger ledger;
            const QString path = QString::fromStdString(ledger.path());
            if (rows > 0)
                ledger.append({makeRow("0", "0", "0", "1000", "Initial Balance")});
            QVERIFY(rows >= 0 || QFile::remove(path));
            QSignalSpy ended(&registry(), &WindowRegistry::programEnded);
            MessageAnswerer answerer;
            auto* agreement = registry().Show<Form2>(QStringLiteral("Form2"));
            QTest::mouseClick(cancel ? agreement->Command2 : agreement->Command1, Qt::LeftButton);
            QCOMPARE(ended.count(), opens.isEmpty() ? 1 : 0);
            QCOMPARE(registry().loadedCount(), opens.isEmpty() ? 0 : 1);
            QVERIFY(opens.isEmpty() || registry().isLoaded(opens));
            const QStringList missing{QStringLiteral("The ledger file \"%1\" does not exist.").arg(path)};
            QCOMPARE(answerer.texts, rows < 0 ? missing : QStringList());
            QCOMPARE(QFile::exists(path), rows >= 0);
            closeAllWindows();
        }
    }

    // Typed into Form4 as it opens, then Enter; a refused amount stays, and the close box then ends the program.
    void openingAmount()
    {
        for (const auto& [typed, stored] : {std::pair<QString, QString>{"1000", "1000"}, {"-75.5", "-75.5"},
                                            {"", ""}, {"abc", ""}, {"1.2.3", ""}}) { // stored "": refused
            TestLedger ledger;
            auto* form = registry().Show<Form4>(QStringLiteral("Form4"));
            QVERIFY(QTest::qWaitForWindowActive(form));
            MessageAnswerer answerer;
            QTest::keyClicks(QApplication::focusWidget(), typed);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QSignalSpy ended(&registry(), &WindowRegistry::programEnded);
            if (stored.isEmpty()) {
                QCOMPARE(answerer.texts, QStringList{QStringLiteral("This value is invalid")});
                QVERIFY(form->isVisible() && form->Text1->text() == typed && !registry().isLoaded("frmLedger"));
                QVERIFY(form->close() && ended.count() == 1 && registry().loadedCount() == 0 && ledger.rows().empty());
            } else {
                QVERIFY(answerer.texts.isEmpty());
                QCOMPARE(tableText(ledger.rows()),
                         tableText({makeRow("0", "0", "0", qPrintable(stored), "Initial Balance")}));
                QVERIFY(!registry().isLoaded(QStringLiteral("Form4")) && readyLedgerWindow());
            }
            closeAllWindows();
        }
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
