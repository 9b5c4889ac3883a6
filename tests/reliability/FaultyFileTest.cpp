// Faulty ledger files met through the windows: each is reported in the
// store's own sentence in a "Tallowick" box, the window stays usable and
// the ledger is unchanged.
#include "FaultInjectingVfs.h"
#include "Form2.h"
#include "Form5.h"
#include "Module1.h"
#include "TestLedger.h"
#include "WindowDriver.h"
#include "WindowTestSupport.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <functional>

using namespace tallowick;
using namespace tallowick::test;

namespace {

QByteArray fileBytes(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether this thread passes over file modes, as root does (CAP_DAC_OVERRIDE).
bool overrideModes(bool override)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct sets[2]{};
    if (::syscall(SYS_capget, &header, sets) != 0)
        return false;
    const std::uint32_t bit = 1u << CAP_DAC_OVERRIDE;
    sets[0].effective = override ? sets[0].effective | bit : sets[0].effective & ~bit;
    return ::syscall(SYS_capset, &header, sets) == 0;
}

// Add, Update, Insert and Delete in turn, as the user starts them: the
// messages shown, and a note where a command left no usable window.
QStringList messagesOfEveryChange()
{
    MessageAnswerer answerer;
    if (Form3* editor = openEditorToAdd()) {
        typeOver(editor->Text6, QStringLiteral("25"));
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        if (!registry().isLoaded(QStringLiteral("Form3")))
            answerer.texts << QStringLiteral("the editor closed");
    }
    closeAllWindows();
    if (Form3* editor = openEditorOnRow(2)) {
        typeOver(editor->Text6, QStringLiteral("75"));
        QTest::mouseClick(editor->Command3, Qt::LeftButton);
    }
    closeAllWindows();
    for (bool insert : {true, false}) {
        if (frmLedger* window = openLedgerWindow())
            QTest::mouseClick(insert ? window->Command3 : window->cmdDelete, Qt::LeftButton);
        if (auto* confirmation = qobject_cast<Form5*>(registry().window(QStringLiteral("Form5"))))
            QTest::mouseClick(confirmation->Command1, Qt::LeftButton);
        else if (!insert)
            answerer.texts << QStringLiteral("no delete confirmation");
        if (!backAtLedgerWindow())
            answerer.texts << QStringLiteral("no ledger window");
        closeAllWindows();
    }
    return answerer.texts;
}

// Row 2's payment typed over with 11; returns "Update".
QPushButton* editorUpdatingRowTwo()
{
    Form3* editor = openEditorOnRow(2);
    if (!editor)
        return nullptr;
    typeOver(editor->Text6, QStringLiteral("11"));
    return editor->Command3;
}

// The delete confirmation for row 2; returns its "Delete".
QPushButton* confirmationDeletingRowTwo()
{
    frmLedger* window = openLedgerWindow();
    if (!window)
        return nullptr;
    selectGridRow(window, 2);
    QTest::mouseClick(window->cmdDelete, Qt::LeftButton);
    auto* confirmation = qobject_cast<Form5*>(registry().window(QStringLiteral("Form5")));
    return confirmation ? confirmation->Command1 : nullptr;
}

// A ledger of 300 payments on which the command that `openCommand` brings up was pressed with its middle
// file operation failing as `fault` says; the operations are counted first on a ledger of their own.
struct MiddleOperationFailed {
    MiddleOperationFailed(const std::function<QPushButton*()>& openCommand, FileFault fault)
    {
        FaultInjectingVfs& vfs = FaultInjectingVfs::install();
        int operations = 0;
        {
            TestLedger counted;
            counted.append(rows);
            if (QPushButton* command = openCommand()) {
                vfs.startCounting();
                QTest::mouseClick(command, Qt::LeftButton);
                vfs.stop();
                operations = vfs.count();
            }
            closeAllWindows();
        }
        ledger.append(rows);
        Module1::setInstallFolder(ledger.folder());
        QPushButton* command = openCommand();
        if (operations < 3 || !command) {
            messages << QStringLiteral("the command made too few file operations or did not open");
            return;
        }
        MessageAnswerer answerer;
        vfs.arm(fault, operations / 2);
        QTest::mouseClick(command, Qt::LeftButton);
        vfs.stop();
        messages = answerer.texts;
        for (const QString& caption : answerer.captions)
            if (caption != QStringLiteral("Tallowick"))
                messages << QStringLiteral("a box captioned ") + caption;
    }
    const std::vector<LedgerRow> rows = paymentRows(300);
    TestLedger ledger;
    QStringList messages;
};

const QString kFileFaultSentence = QStringLiteral("The ledger file could not be read or written.");

} // namespace

class FaultyFileTest : public WindowTest {
    Q_OBJECT

public:
    // Every connection the windows open goes through the shim; unarmed, it passes all through.
    FaultyFileTest() { FaultInjectingVfs::install(); }

private slots:
    // The store's own test holds every sentence; here the start-up path: a box, the program ends, the file
    // keeps every byte.
    void badFilesAreReportedAtStartAndLeftAlone_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("sentence");
        QTest::newRow("not a database") << QString() << QStringLiteral("is not a ledger database");
        QTest::newRow("untyped amounts")
            << QStringLiteral("CREATE TABLE Ledger (\"number\" INTEGER, \"date\" TEXT, "
                              "\"description of transaction\" TEXT, \"payment / debit\", \"tax deductible\" "
                              "INTEGER, fee, \"deposit / credit\", balance); INSERT INTO Ledger VALUES "
                              "(NULL, NULL, 'Initial Balance', 0, 0, 0, 0, 1000), "
                              "(101, NULL, 'Phone', '$20.00', 0, 0, 0, 967.5)")
            << QStringLiteral(
                   "\"payment / debit\" is declared without a type instead of INTEGER. To use rows "
                   "from another program, bring them in with \"tallowick-ledger import\".");
    }

    void badFilesAreReportedAtStartAndLeftAlone()
    {
        QFETCH(QString, sql);
        QFETCH(QString, sentence);
        TestLedger ledger;
        const QString path = QString::fromStdString(ledger.path());
        QFile::remove(path);
        if (sql.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(4096, 'x'));
        } else {
            QProcess sqlite;
            sqlite.start(QStringLiteral("sqlite3"), {path, sql});
            QVERIFY(sqlite.waitForFinished(kWaitMs) && sqlite.exitCode() == 0);
        }
        const QByteArray original = fileBytes(ledger.path());

        QSignalSpy ended(&registry(), &WindowRegistry::programEnded);
        auto* agreement = registry().Show<Form2>(QStringLiteral("Form2"));
        QVERIFY(agreement);
        MessageAnswerer answerer;
        QTest::mouseClick(agreement->Command1, Qt::LeftButton);
        QCOMPARE(answerer.captions, QStringList{QStringLiteral("Tallowick")});
        QVERIFY2(answerer.texts.value(0).contains(sentence), qPrintable(answerer.texts.value(0)));
        QCOMPARE(ended.count(), 1);
        QCOMPARE(fileBytes(ledger.path()), original);
    }

    void unwritableLedgerRefusesEveryChange_data()
    {
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QString>("sentence");
        QTest::newRow("read-only") << false
                                   << QStringLiteral(
                                          "The ledger file is read-only, so the change cannot be saved.");
        QTest::newRow("locked by another program")
            << true
            << QStringLiteral(
                   "The ledger file is locked by another program. Close the other program and try again.");
    }

    void unwritableLedgerRefusesEveryChange()
    {
        QFETCH(bool, locked);
        QFETCH(QString, sentence);
        TestLedger ledger;
        ledger.append(threeRows());
        QProcess holder; // another program holding the write lock
        if (locked) {
            holder.start(QStringLiteral("sqlite3"), {QString::fromStdString(ledger.path())});
            holder.write("BEGIN IMMEDIATE;\nSELECT 'holding';\n");
            QVERIFY(holder.waitForReadyRead(kWaitMs) && holder.readAll().contains("holding"));
        } else { // mode 0444 binds every user; root once it gives up passing over modes
            QVERIFY(::chmod(ledger.path().c_str(), 0444) == 0);
            overrideModes(false);
        }
        const auto restore = qScopeGuard([] { overrideModes(true); });
        if (const int probe = locked ? -1 : ::open(ledger.path().c_str(), O_WRONLY); probe >= 0) {
            ::close(probe);
            QSKIP("The ledger's mode 0444 does not stop this process writing it: giving up "
                  "CAP_DAC_OVERRIDE did not work here.");
        }
        const QByteArray original = fileBytes(ledger.path());
        QCOMPARE(messagesOfEveryChange(), QStringList(4, sentence));
        holder.closeWriteChannel();
        QVERIFY(!locked || holder.waitForFinished(kWaitMs));
        QCOMPARE(fileBytes(ledger.path()), original);
    }

    void persistentFileErrorInEditorUpdateKeepsTheRowOpen()
    {
        const MiddleOperationFailed update(editorUpdatingRowTwo, FileFault::PersistentError);
        QCOMPARE(update.messages, QStringList{kFileFaultSentence});
        Form3* editor = loadedEditor();
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(editor->Text5->text(), QStringLiteral("Payment 2"));
        QCOMPARE(editor->Text6->text(), QStringLiteral("11"));
        QCOMPARE(tableText(update.ledger.rows()), tableText(update.rows));

        // Once the fault has cleared, the same "Update" stores the row once; every later balance follows.
        QTest::mouseClick(editor->Command3, Qt::LeftButton);
        QVERIFY(backAtLedgerWindow());
        std::vector<LedgerRow> rows = update.rows;
        rows[1].payment = money("11");
        for (std::size_t k = 1; k < rows.size(); ++k)
            rows[k].balance = rows[k - 1].balance - rows[k].payment; // payments only
        QCOMPARE(tableText(update.ledger.rows()), tableText(rows));
    }

    void fileErrorInDeleteBringsBackTheUnchangedLedger()
    {
        const MiddleOperationFailed deletion(confirmationDeletingRowTwo, FileFault::TransientError);
        QCOMPARE(deletion.messages, QStringList{kFileFaultSentence});
        frmLedger* window = readyLedgerWindow();
        QVERIFY(window && !registry().isLoaded(QStringLiteral("Form5")));
        QCOMPARE(window->grdDataGrid->model()->rowCount(), int(deletion.rows.size()));
        QCOMPARE(tableText(deletion.ledger.rows()), tableText(deletion.rows));
    }
};

QTEST_MAIN(FaultyFileTest)
#include "FaultyFileTest.moc"
