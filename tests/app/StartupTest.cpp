// Start-up and first run: the splash, the agreement, and Form4's opening amount.
#include "Form2.h"
#include "Form4.h"
#include "TestLedger.h"
#include "WindowDriver.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
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
        QElapsedTimer shown;
        shown.start();
        registry().Show(QStringLiteral("frmSplash"));
        QTRY_VERIFY(registry().isLoaded(QStringLiteral("Form2")) && registry().loadedCount() == 1);
        QVERIFY(shown.elapsed() >= 1400); // not before its time
        closeAllWindows();
        // A key on the splash ends the program, and its timer goes with it: nothing comes back.
        QSignalSpy ended(&registry(), &WindowRegistry::programEnded);
        QWidget* splash = registry().Show(QStringLiteral("frmSplash"));
        QVERIFY(splash);
        const QPointer<QTimer> timer = splash->findChild<QTimer*>(QStringLiteral("Timer1"));
        QVERIFY(timer && timer->isActive());
        QTest::keyClick(splash, Qt::Key_Space);
        QCOMPARE(ended.count(), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(timer.isNull());
        QCOMPARE(registry().loadedCount(), 0);
    }

    // A click on the frame, or on a label in it, ends the program when the button is released inside
    // the frame; a press alone, or a release off the frame, leaves the splash up.
    void splashFrameClickEndsOnRelease()
    {
        TestLedger ledger;
        QWidget* splash = registry().Show(QStringLiteral("frmSplash"));
        QVERIFY(splash);
        auto* timer = splash->findChild<QTimer*>(QStringLiteral("Timer1"));
        auto* frame = splash->findChild<QWidget*>(QStringLiteral("Frame1"));
        auto* label = splash->findChild<QWidget*>(QStringLiteral("lblProductName"));
        QVERIFY(timer && frame && label);
        timer->stop(); // the agreement must not come while the button is down
        QSignalSpy ended(&registry(), &WindowRegistry::programEnded);
        QTest::mousePress(frame, Qt::LeftButton);
        QTest::mouseRelease(frame, Qt::LeftButton, {}, QPoint(-5, -5));
        QTest::mousePress(label, Qt::LeftButton);
        QVERIFY(ended.isEmpty() && registry().isLoaded(QStringLiteral("frmSplash")));
        QTest::mouseRelease(label, Qt::LeftButton);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(registry().loadedCount(), 0);
    }

    // Rows in the ledger (-1: no file), what the user does, and the window that opens ("": the program ends
    // at once). Enter as the window opens presses "Cancel"; Tab moves the focus to "I Agree".
    void agreement()
    {
        const struct {
            int rows;
            QString does;
            QString opens;
        } cases[]{{0, "I Agree", "Form4"}, {1, "I Agree", "frmLedger"},
                  {1, "Cancel", ""},       {-1, "I Agree", ""},
                  {1, "Enter", ""},        {1, "Tab Enter", "frmLedger"}};
        for (const auto& [rows, does, opens] : cases) {
            TestLedger ledger;
            const QString path = QString::fromStdString(ledger.path());
            if (rows > 0)
                ledger.append({makeRow("0", "0", "0", "1000", "Initial Balance")});
            QVERIFY(rows >= 0 || QFile::remove(path));
            QSignalSpy ended(&registry(), &WindowRegistry::programEnded);
            MessageAnswerer answerer;
            auto* agreement = registry().Show<Form2>(QStringLiteral("Form2"));
            QVERIFY(agreement && QTest::qWaitForWindowActive(agreement));
            QCOMPARE(agreement->Label2->text(), QStringLiteral("By pressing the \"I Agree\" button you are "
                                                               "agreeing the the above statement."));
            QVERIFY(agreement->Command2->isDefault() && !agreement->Command1->isDefault());
            QPushButton* button = does == u"Cancel" ? agreement->Command2 : agreement->Command1;
            if (does == u"Cancel" || does == u"I Agree")
                QTest::mouseClick(button, Qt::LeftButton);
            else
                for (const QString& k : does.split(u' '))
                    QTest::keyClick(QApplication::focusWidget(), k == u"Tab" ? Qt::Key_Tab : Qt::Key_Return);
            QCOMPARE(ended.count(), opens.isEmpty() ? 1 : 0);
            QCOMPARE(registry().loadedCount(), opens.isEmpty() ? 0 : 1);
            QVERIFY(opens.isEmpty() || registry().isLoaded(opens));
            const QStringList missing{QStringLiteral("The ledger file \"%1\" does not exist.").arg(path)};
            QCOMPARE(answerer.texts, rows < 0 ? missing : QStringList());
            QCOMPARE(QFile::exists(path), rows >= 0);
            closeAllWindows();
        }
    }

    // Typed into Form4 as it opens, then Enter (on "OK" after Tab for "-75.5"); a refused amount stays, and
    // the close box then ends the program. "7" finds the ledger file gone, and the message says so.
    void openingAmount()
    {
        for (const auto& [typed, stored] : {std::pair<QString, QString>{"1000", "1000"},
                                            {"-75.5", "-75.5"},
                                            {"", ""},
                                            {"abc", ""},
                                            {"1.2.3", ""},
                                            {"7", ""}}) { // "": refused
            TestLedger ledger;
            const QString path = QString::fromStdString(ledger.path());
            QVERIFY(typed != u"7" || QFile::remove(path));
            auto* form = registry().Show<Form4>(QStringLiteral("Form4"));
            QVERIFY(form && QTest::qWaitForWindowActive(form));
            MessageAnswerer answerer;
            QTest::keyClicks(QApplication::focusWidget(), typed);
            if (typed == u"-75.5")
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QSignalSpy ended(&registry(), &WindowRegistry::programEnded);
            if (stored.isEmpty()) {
                const QString gone = QStringLiteral("The ledger file \"%1\" does not exist.").arg(path);
                const QString refused = typed == u"7" ? gone : QStringLiteral("This value is invalid");
                QCOMPARE(answerer.texts, QStringList{refused});
                QVERIFY(form->isVisible() && form->Text1->text() == typed
                        && !registry().isLoaded("frmLedger"));
                QVERIFY(form->close() && ended.count() == 1 && registry().loadedCount() == 0);
                QVERIFY(typed == u"7" || ledger.rows().empty());
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
