// The start of the program: splash, agreement, and the choice between the
// opening-balance window and the ledger window.
#include "Form2.h"
#include "Module1.h"
#include "TestLedger.h"
#include "WindowRegistry.h"
#include "WindowTestSupport.h"
#include "frmSplash.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace tallowick;
using namespace tallowick::test;

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { registerWindowsOnce(); }
    void cleanup()
    {
        closeAllWindows();
        QTRY_VERIFY(noWindowsLeft());
    }

    void splashLeadsToAgreementAfterItsTimer()
    {
        TestLedger ledger;
        auto& registry = WindowRegistry::instance();
        auto* splash = registry.Show<frmSplash>(QStringLiteral("frmSplash"));
        QVERIFY(splash);
        QVERIFY(splash->findChild<QObject*>(QStringLiteral("lblVersion")));
        QCOMPARE(splash->lblVersion->text(), QStringLiteral("Version 1.0"));
        QVERIFY(!registry.isLoaded(QStringLiteral("Form2")));
        QTRY_VERIFY_WITH_TIMEOUT(registry.isLoaded(QStringLiteral("Form2")), 5000);
        QVERIFY(!registry.isLoaded(QStringLiteral("frmSplash")));
        QCOMPARE(registry.window(QStringLiteral("Form2"))->windowTitle(), QStringLiteral("NO WARRANTY"));
    }

    void keyOnSplashEndsProgram()
    {
        TestLedger ledger;
        auto& registry = WindowRegistry::instance();
        QSignalSpy ended(&registry, &WindowRegistry::programEnded);
        auto* splash = registry.Show<frmSplash>(QStringLiteral("frmSplash"));
        QTest::keyClick(splash, Qt::Key_Space);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(registry.loadedCount(), 0);
        QTest::qWait(1700); // the splash timer must not bring the agreement back
        QVERIFY(!registry.isLoaded(QStringLiteral("Form2")));
    }

    void agreeOnEmptyLedgerAsksOpeningBalance()
    {
        TestLedger ledger;
        auto& registry = WindowRegistry::instance();
        auto* agreement = registry.Show<Form2>(QStringLiteral("Form2"));
        QVERIFY(agreement->Command2->isDefault());
        QTest::mouseClick(agreement->Command1, Qt::LeftButton);
        QVERIFY(registry.isLoaded(QStringLiteral("Form4")));
        QVERIFY(!registry.isLoaded(QStringLiteral("frmLedger")));
        QVERIFY(!registry.isLoaded(QStringLiteral("Form2")));
    }

    void agreeOnLedgerWithRowsOpensLedgerWindow()
    {
        TestLedger ledger;
        ledger.append(makeRow("0", "0", "0", "1000", "Initial Balance"));
        auto& registry = WindowRegistry::instance();
        auto* agreement = registry.Show<Form2>(QStringLiteral("Form2"));
        QTest::mouseClick(agreement->Command1, Qt::LeftButton);
        QVERIFY(registry.isLoaded(QStringLiteral("frmLedger")));
        QVERIFY(!registry.isLoaded(QStringLiteral("Form4")));
    }

    void cancelEndsProgramWithoutReadingLedger()
    {
        TestLedger ledger;
        auto& registry = WindowRegistry::instance();
        QSignalSpy ended(&registry, &WindowRegistry::programEnded);
        auto* agreement = registry.Show<Form2>(QStringLiteral("Form2"));
        QTest::mouseClick(agreement->Command2, Qt::LeftButton);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(registry.loadedCount(), 0);
        QVERIFY(ledger.rows().empty());
    }

    void missingLedgerIsReportedAndEndsProgram()
    {
        QTemporaryDir empty;
        Module1::setInstallFolder(empty.path());
        auto& registry = WindowRegistry::instance();
        QSignalSpy ended(&registry, &WindowRegistry::programEnded);
        auto* agreement = registry.Show<Form2>(QStringLiteral("Form2"));
        MessageAnswerer answerer;
        QTest::mouseClick(agreement->Command1, Qt::LeftButton);
        QCOMPARE(answerer.captions, QStringList{QStringLiteral("Tallowick")});
        QVERIFY2(answerer.texts.value(0).contains(QStringLiteral("does not exist")), qPrintable(answerer.texts.value(0)));
        QCOMPARE(ended.count(), 1);
        QVERIFY(!QFile::exists(QDir(empty.path()).filePath(QStringLiteral("My Tallowick.mdb"))));
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
