// Faulty ledger files met through the windows: each is reported in the
// store's own sentence in a "Tallowick" box, the window stays usable and
// the ledger is unchanged.
#include "Form1.h"
#include "Form2.h"
#include "Form3.h"
#include "Form5.h"
#include "LedgerFile.h"
#include "LedgerRecordset.h"
#include "Module1.h"
#include "TestLedger.h"
#include "WindowRegistry.h"
#include "WindowTestSupport.h"
#include "frmLedger.h"

#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

using namespace tallowick;
using namespace tallowick::test;

namespace {

QByteArray fileBytes(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void writeBytes(const std::string& path, const QByteArray& bytes)
{
    QFile file(QString::fromStdString(path));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Marks a file immutable, so that even root cannot write it; false where
// the file system does not allow it.
bool setImmutable(const std::string& path, bool immutable)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

std::vector<LedgerRow> threeRows()
{
    return {makeRow("0", "0", "0", "1000", "Initial Balance"), makeRow("100", "0", "0", "900", "Rent", 1001),
            makeRow("50", "0", "0", "850", "Phone", 1002)};
}

frmLedger* openLedgerOnRow(int row)
{
    auto* ledger = WindowRegistry::instance().Show<frmLedger>(QStringLiteral("frmLedger"));
    [&] { QTRY_VERIFY(ledger->datPrimaryRS->AbsolutePosition() >= 1); }();
    const QModelIndex index = ledger->grdDataGrid->model()->index(row - 1, 0);
    ledger->grdDataGrid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                                      QItemSelectionModel::Rows);
    return ledger;
}

Form3* openEditor(int row, bool addMode)
{
    frmLedger* ledger = openLedgerOnRow(row);
    QTest::mouseClick(addMode ? ledger->cmdAdd : ledger->Command1, Qt::LeftButton);
    auto* editor = qobject_cast<Form3*>(WindowRegistry::instance().window(QStringLiteral("Form3")));
    [&] {
        QVERIFY(editor);
        QTRY_VERIFY(!editor->Timer1->isActive() && !editor->Timer2->isActive());
    }();
    return editor;
}

} // namespace

class FaultyFileTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { registerWindowsOnce(); }
    void cleanup()
    {
        closeAllWindows();
        QTRY_VERIFY(noWindowsLeft());
    }

    void badFilesAreReportedAtStartAndLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("sql");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("sentence");
        QTest::newRow("not a database") << QByteArray() << QByteArray(4096, 'x')
                                        << QStringLiteral("The ledger file is not a ledger database.");
        QTest::newRow("no Ledger table") << QByteArray("CREATE TABLE Other (a)") << QByteArray()
                                         << QStringLiteral("has no Ledger table");
        QTest::newRow("a column missing")
            << QByteArray("CREATE TABLE Ledger (\"number\" INTEGER, \"date\" TEXT, \"description of transaction\" TEXT, "
                          "\"payment / debit\" INTEGER, \"tax deductible\" INTEGER, \"deposit / credit\" INTEGER, "
                          "balance INTEGER)")
            << QByteArray() << QStringLiteral("The Ledger table has no column \"fee\".");
    }

    void badFilesAreReportedAtStartAndLeftAlone()
    {
        QFETCH(QByteArray, sql);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, sentence);
        TestLedger ledger;
        QFile::remove(QString::fromStdString(ledger.path()));
        if (!bytes.isEmpty()) {
            writeBytes(ledger.path(), bytes);
        } else {
            QProcess sqlite;
            sqlite.start(QStringLiteral("sqlite3"), {QString::fromStdString(ledger.path()), QString::fromUtf8(sql)});
            QVERIFY(sqlite.waitForFinished());
            QCOMPARE(sqlite.exitCode(), 0);
        }
        const QByteArray original = fileBytes(ledger.path());

        auto& registry = WindowRegistry::instance();
        QSignalSpy ended(&registry, &WindowRegistry::programEnded);
        auto* agreement = registry.Show<Form2>(QStringLiteral("Form2"));
        MessageAnswerer answerer;
        QTest::mouseClick(agreement->Command1, Qt::LeftButton);
        QCOMPARE(answerer.captions, QStringList{QStringLiteral("Tallowick")});
        QVERIFY2(answerer.texts.value(0).contains(sentence), qPrintable(answerer.texts.value(0)));
        QCOMPARE(ended.count(), 1);
        QCOMPARE(fileBytes(ledger.path()), original);
    }

    void readOnlyLedgerRefusesEveryChange()
    {
        TestLedger ledger;
        ledger.append(threeRows());
        if (!setImmutable(ledger.path(), true)) {
            if (::geteuid() == 0)
                QSKIP("this file system cannot make a file read-only for root");
            QFile::setPermissions(QString::fromStdString(ledger.path()), QFileDevice::ReadOwner);
        }
        const auto restore = qScopeGuard([&] { setImmutable(ledger.path(), false); });
        const QByteArray original = fileBytes(ledger.path());
        const QString sentence = QStringLiteral("The ledger file is read-only, so the change cannot be saved.");

        {   // Add: the editor stays open with what was typed.
            Form3* editor = openEditor(3, true);
            MessageAnswerer answerer;
            QTest::keyClicks(editor->Text6, QStringLiteral("25"));
            QTest::mouseClick(editor->Command1, Qt::LeftButton);
            QCOMPARE(answerer.texts, QStringList{sentence});
            QVERIFY(WindowRegistry::instance().isLoaded(QStringLiteral("Form3")));
            QCOMPARE(editor->Text6->text(), QStringLiteral("25"));
            closeAllWindows();
        }
        {   // Update: the same, in edit mode.
            Form3* editor = openEditor(2, false);
            MessageAnswerer answerer;
            editor->Text6->setText(QStringLiteral("75"));
            QTest::mouseClick(editor->Command3, Qt::LeftButton);
            QCOMPARE(answerer.texts, QStringList{sentence});
            QVERIFY(WindowRegistry::instance().isLoaded(QStringLiteral("Form3")));
            closeAllWindows();
        }
        {   // Insert: the worker reports and the ledger window comes back.
            frmLedger* window = openLedgerOnRow(1);
            MessageAnswerer answerer;
            QTest::mouseClick(window->Command3, Qt::LeftButton);
            QTRY_COMPARE(answerer.texts, QStringList{sentence});
            QTRY_VERIFY(WindowRegistry::instance().isLoaded(QStringLiteral("frmLedger")));
            QVERIFY(!WindowRegistry::instance().isLoaded(QStringLiteral("Form3")));
            closeAllWindows();
        }
        {   // Delete: reported, the ledger window back.
            frmLedger* window = openLedgerOnRow(2);
            QTest::mouseClick(window->cmdDelete, Qt::LeftButton);
            auto* confirmation = qobject_cast<Form5*>(WindowRegistry::instance().window(QStringLiteral("Form5")));
            QVERIFY(confirmation);
            MessageAnswerer answerer;
            QTest::mouseClick(confirmation->Command1, Qt::LeftButton);
            QCOMPARE(answerer.texts, QStringList{sentence});
            QVERIFY(WindowRegistry::instance().isLoaded(QStringLiteral("frmLedger")));
            closeAllWindows();
        }
        QCOMPARE(fileBytes(ledger.path()), original);
    }

    void ledgerLockedByAnotherProgramRefusesChanges()
    {
        TestLedger ledger;
        ledger.append(threeRows());
        const std::vector<LedgerRow> before = ledger.rows();

        // Another program holds the write lock for as long as it runs.
        QProcess holder;
        holder.start(QStringLiteral("sqlite3"), {QString::fromStdString(ledger.path())});
        QVERIFY(holder.waitForStarted());
        holder.write("BEGIN IMMEDIATE;\nSELECT 'holding';\n");
        QVERIFY(holder.waitForReadyRead(5000));
        QVERIFY(holder.readAll().contains("holding"));
        const QString sentence =
            QStringLiteral("The ledger file is locked by another program. Close the other program and try again.");

        {
            Form3* editor = openEditor(3, true);
            MessageAnswerer answerer;
            QTest::keyClicks(editor->Text6, QStringLiteral("25"));
            QTest::mouseClick(editor->Command1, Qt::LeftButton);
            QCOMPARE(answerer.texts, QStringList{sentence});
            QVERIFY(WindowRegistry::instance().isLoaded(QStringLiteral("Form3")));
            closeAllWindows();
        }
        {
            Form3* editor = openEditor(2, false);
            MessageAnswerer answerer;
            editor->Text6->setText(QStringLiteral("75"));
            QTest::mouseClick(editor->Command3, Qt::LeftButton);
            QCOMPARE(answerer.texts, QStringList{sentence});
            closeAllWindows();
        }
        {
            frmLedger* window = openLedgerOnRow(2);
            QTest::mouseClick(window->cmdDelete, Qt::LeftButton);
            auto* confirmation = qobject_cast<Form5*>(WindowRegistry::instance().window(QStringLiteral("Form5")));
            MessageAnswerer answerer;
            QTest::mouseClick(confirmation->Command1, Qt::LeftButton);
            QCOMPARE(answerer.texts, QStringList{sentence});
            QVERIFY(WindowRegistry::instance().isLoaded(QStringLiteral("frmLedger")));
            closeAllWindows();
        }
        holder.write("ROLLBACK;\n.quit\n");
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(5000));
        QVERIFY(ledger.rows() == before);
    }

    void fullDiskDuringUpdateChangesNothing()
    {
        TestLedger ledger;
        std::vector<LedgerRow> rows{makeRow("0", "0", "0", "100000", "Initial Balance")};
        for (int k = 1; k < 3000; ++k)
            rows.push_back(makeRow("10", "0", "0", "0", "Groceries at the market on the corner", 2000 + k));
        for (std::size_t k = 1; k < rows.size(); ++k)
            rows[k].balance = rows[k - 1].balance - rows[k].payment;
        ledger.append(rows);
        const QByteArray original = fileBytes(ledger.path());

        Form3* editor = openEditor(2, false);
        editor->Text6->setText(QStringLiteral("11"));
        {
            // No file of this process may grow past 16 KiB while the change runs:
            // the rollback journal of an update that moves 3,000 balances cannot be written.
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit saved{};
            getrlimit(RLIMIT_FSIZE, &saved);
            rlimit tiny = saved;
            tiny.rlim_cur = 16 * 1024;
            setrlimit(RLIMIT_FSIZE, &tiny);
            MessageAnswerer answerer;
            QTest::mouseClick(editor->Command3, Qt::LeftButton);
            setrlimit(RLIMIT_FSIZE, &saved);
            QCOMPARE(answerer.texts, QStringList{QStringLiteral("The disk is full, so the change cannot be saved.")});
        }
        QVERIFY(WindowRegistry::instance().isLoaded(QStringLiteral("Form3")));
        QCOMPARE(fileBytes(ledger.path()), original);

        // With room again, the same editor stores the same row.
        QTest::mouseClick(editor->Command3, Qt::LeftButton);
        QTRY_VERIFY(WindowRegistry::instance().isLoaded(QStringLiteral("frmLedger")));
        const std::vector<LedgerRow> after = ledger.rows();
        QCOMPARE(after[1].payment, Money::parse("11"));
        QCOMPARE(after.back().balance, rows.back().balance - Money::parse("1"));
    }
};

QTEST_MAIN(FaultyFileTest)
#include "FaultyFileTest.moc"
