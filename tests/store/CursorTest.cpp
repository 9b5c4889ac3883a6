// The record cursor over a real ledger file: order, moves, both ends,
// writing through AddNew/Edit/Update, Delete, and opening bad files.
#include "FieldText.h"
#include "LedgerFile.h"
#include "RecordCursor.h"
#include "StoreError.h"
#include "StoreTestSupport.h"
#include "TestLedger.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <limits>

using namespace tallowick;
using namespace tallowick::test;
using Kind = StoreError::Kind;

namespace {

std::int64_t numberAt(RecordCursor& cursor) { return cursor.CurrentRow().number.value_or(-1); }

// Makes an SQLite file with the given SQL, outside the store's own creation.
void makeDatabase(const QString& path, const char* sql)
{
    sqlite3* raw = nullptr;
    QCOMPARE(sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
             SQLITE_OK);
    DatabaseHandle db(raw);
    QCOMPARE(sqlite3_exec(db.get(), sql, nullptr, nullptr, nullptr), SQLITE_OK);
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Opening must fail with a StoreError of this kind whose sentence names the problem.
void expectOpenRefused(const QString& path, Kind kind, const char* wording)
{
    try {
        RecordCursor cursor(path.toStdString());
        QFAIL("the cursor opened");
    } catch (const StoreError& error) {
        QCOMPARE(int(error.kind()), int(kind));
        const QString sentence = QString::fromUtf8(error.what());
        QVERIFY2(sentence.contains(QLatin1String(wording)), qPrintable(sentence));
        QVERIFY2(sentence.endsWith(QLatin1Char('.')), qPrintable(sentence));
    }
}

} // namespace

class CursorTest : public QObject {
    Q_OBJECT

private slots:
    void movesFollowStoredOrder()
    {
        TestLedger ledger;
        ledger.append(numberedRows(1, 5));
        RecordCursor cursor(ledger.path());
        QCOMPARE(cursor.RecordCount(), 5LL);

        // Opened on the first row; MoveNext walks the stored order.
        for (std::int64_t k = 1; k <= 5; ++k) {
            QVERIFY(!cursor.IsBOF() && !cursor.IsEOF());
            QCOMPARE(cursor.CurrentRow(), numberedRow(k));
            QCOMPARE(cursor.AbsolutePosition(), k);
            cursor.MoveNext();
        }
        QVERIFY(cursor.IsEOF() && !cursor.IsBOF());
        QVERIFY(cursor.AbsolutePosition() < 1);
        STORE_REFUSES(cursor.CurrentRow(), Kind::NoCurrentRow);
        STORE_REFUSES(cursor.MoveNext(), Kind::NoCurrentRow);
        cursor.MovePrevious();
        QCOMPARE(numberAt(cursor), 5);

        cursor.MoveFirst();
        QCOMPARE(numberAt(cursor), 1);
        cursor.MovePrevious();
        QVERIFY(cursor.IsBOF() && !cursor.IsEOF());
        QVERIFY(cursor.AbsolutePosition() < 1);
        STORE_REFUSES(cursor.MovePrevious(), Kind::NoCurrentRow);
        cursor.MoveNext();
        QCOMPARE(numberAt(cursor), 1);

        cursor.MoveLast();
        QCOMPARE(numberAt(cursor), 5);
        QCOMPARE(cursor.AbsolutePosition(), 5LL);
        cursor.MovePrevious();
        QCOMPARE(numberAt(cursor), 4);
        QCOMPARE(cursor.AbsolutePosition(), 4LL);

        // After MoveFirst, Move p-1 reaches position p.
        for (std::int64_t p = 1; p <= 5; ++p) {
            cursor.MoveFirst();
            cursor.Move(p - 1);
            QCOMPARE(numberAt(cursor), p);
            QCOMPARE(cursor.AbsolutePosition(), p);
        }
        cursor.MoveFirst();
        cursor.Move(2);
        cursor.Move(-1);
        QCOMPARE(numberAt(cursor), 2);
        cursor.Move(0);
        QCOMPARE(numberAt(cursor), 2);
        cursor.Move(3);
        QCOMPARE(numberAt(cursor), 5);
        cursor.Move(1);
        QVERIFY(cursor.IsEOF());
        cursor.MoveLast();
        cursor.Move(-4);
        QCOMPARE(numberAt(cursor), 1);
        QCOMPARE(cursor.AbsolutePosition(), 1LL);
        cursor.MoveLast();
        cursor.Move(-5);
        QVERIFY(cursor.IsBOF() && !cursor.IsEOF());
        cursor.MoveFirst();
        cursor.Move(1000);
        QVERIFY(cursor.IsEOF() && !cursor.IsBOF());
        cursor.MoveFirst();
        cursor.Move(std::numeric_limits<std::int64_t>::min());
        QVERIFY(cursor.IsBOF());
        cursor.MoveLast();
        cursor.Move(std::numeric_limits<std::int64_t>::max());
        QVERIFY(cursor.IsEOF());
    }

    void emptyTableIsAtBothEnds()
    {
        TestLedger ledger;
        RecordCursor cursor(ledger.path());
        QCOMPARE(cursor.RecordCount(), 0LL);
        QVERIFY(cursor.IsBOF());
        QVERIFY(cursor.IsEOF());
        cursor.MoveLast();
        QVERIFY(cursor.IsBOF() && cursor.IsEOF());
        cursor.MoveFirst();
        QVERIFY(cursor.IsBOF() && cursor.IsEOF());
        QVERIFY(cursor.AbsolutePosition() < 1);
        STORE_REFUSES(cursor.CurrentRow(), Kind::NoCurrentRow);
        STORE_REFUSES(cursor.MoveNext(), Kind::NoCurrentRow);
        STORE_REFUSES(cursor.MovePrevious(), Kind::NoCurrentRow);
        STORE_REFUSES(cursor.Edit(), Kind::NoCurrentRow);
        STORE_REFUSES(cursor.Delete(), Kind::NoCurrentRow);

        // Deleting the only row empties the table the same way.
        ledger.append(numberedRow(1));
        cursor.MoveFirst();
        QCOMPARE(numberAt(cursor), 1);
        cursor.Delete();
        cursor.MoveNext();
        QVERIFY(cursor.IsEOF());
        QCOMPARE(cursor.RecordCount(), 0LL);
        cursor.MoveFirst();
        QVERIFY(cursor.IsBOF() && cursor.IsEOF());

        // A row added to the empty table is the next row of the cursor.
        cursor.AddNew();
        for (const char* column : {"payment / debit", "tax deductible", "fee", "deposit / credit", "balance"})
            cursor.SetField(column, "0");
        cursor.SetField("number", "7");
        cursor.Update();
        QVERIFY(cursor.IsBOF() && !cursor.IsEOF());
        cursor.MoveNext();
        QCOMPARE(numberAt(cursor), 7);
        QCOMPARE(cursor.AbsolutePosition(), 1LL);
    }

    void addNewAppendsLast()
    {
        TestLedger ledger;
        ledger.append(numberedRows(1, 3));
        RecordCursor cursor(ledger.path());
        cursor.Move(1);

        cursor.AddNew();
        cursor.SetField("Number", "1004");
        cursor.SetField("DATE", "3/7/2004");
        cursor.SetField("Description Of Transaction", "Rent");
        cursor.SetField("Payment / Debit", "$1,250.5");
        cursor.SetField("Tax Deductible", "1");
        cursor.SetField("Fee", "2.25");
        cursor.SetField("Deposit / Credit", "");
        cursor.SetField("Balance", "-100.0001");
        cursor.Update();

        LedgerRow expected;
        expected.number = 1004;
        expected.date = LedgerDate{2004, 3, 7};
        expected.description = "Rent";
        expected.payment = Money::parse("1250.5");
        expected.taxDeductible = 1;
        expected.fee = Money::parse("2.25");
        expected.balance = Money::parse("-100.0001");
        std::vector<LedgerRow> all = numberedRows(1, 3);
        all.push_back(expected);
        QCOMPARE(ledger.rows(), all);
        QCOMPARE(cursor.RecordCount(), 4LL);
        cursor.MoveLast();
        QCOMPARE(cursor.CurrentRow(), expected);

        // Columns not written stay empty.
        cursor.AddNew();
        for (const char* amount : {"payment / debit", "fee", "deposit / credit", "balance"})
            cursor.SetField(amount, "0");
        cursor.SetField("tax deductible", std::int64_t(0));
        cursor.Update();
        all.push_back(LedgerRow{});
        QCOMPARE(ledger.rows(), all);

        // A new row that never reaches Update is not stored.
        cursor.AddNew();
        cursor.SetField("payment / debit", "5");
        cursor.CancelUpdate();
        {
            RecordCursor abandoned(ledger.path());
            abandoned.AddNew();
            abandoned.SetField("fee", "1");
        }
        QCOMPARE(ledger.rows(), all);
    }

    void editChangesTheRowInPlace()
    {
        TestLedger ledger;
        ledger.append(numberedRows(1, 5));
        RecordCursor cursor(ledger.path());
        cursor.Move(2);
        cursor.Edit();
        cursor.SetField("Payment / Debit", "50");
        cursor.SetFieldEmpty("number");
        cursor.SetField("description of transaction", "");
        cursor.SetField("date", "2004-02-29");
        cursor.Update();

        QCOMPARE(cursor.AbsolutePosition(), 3LL);
        LedgerRow changed = numberedRow(3);
        changed.payment = Money::parse("50");
        changed.number.reset();
        changed.description.reset();
        changed.date = LedgerDate{2004, 2, 29};
        QCOMPARE(cursor.CurrentRow(), changed);
        std::vector<LedgerRow> all = numberedRows(1, 5);
        all[2] = changed;
        QCOMPARE(ledger.rows(), all);
        cursor.MoveNext();
        QCOMPARE(numberAt(cursor), 4);
    }

    void columnNamesIgnoreLetterCase()
    {
        TestLedger ledger;
        ledger.append(makeRow("12.5", "0", "0", "987.5", "Check", 1001, 1));
        RecordCursor cursor(ledger.path());
        for (const char* name : {"payment / debit", "Payment / debit", "Payment / Debit", "PAYMENT / DEBIT"})
            QCOMPARE(qs(cursor.FieldText(name)), QStringLiteral("12.5"));
        QCOMPARE(qs(cursor.FieldText("NUMBER")), QStringLiteral("1001"));
        QCOMPARE(qs(cursor.FieldText("Tax deductible")), QStringLiteral("1"));

        cursor.Edit();
        cursor.SetField("Payment / Debit", "7");
        cursor.SetField("DEPOSIT / CREDIT", "3");
        cursor.Update();
        QCOMPARE(qs(cursor.FieldText("payment / debit")), QStringLiteral("7"));
        QCOMPARE(qs(cursor.FieldText("deposit / credit")), QStringLiteral("3"));

        STORE_REFUSES(cursor.FieldText("payment"), Kind::UnknownColumn);
        STORE_REFUSES(cursor.FieldText("payment/debit"), Kind::UnknownColumn);
        cursor.Edit();
        STORE_REFUSES(cursor.SetField("rowid", "1"), Kind::UnknownColumn);
        cursor.CancelUpdate();
    }

    void refusedValuesStoreNothing()
    {
        TestLedger ledger;
        const std::vector<LedgerRow> before = numberedRows(1, 2);
        ledger.append(before);
        RecordCursor cursor(ledger.path());

        cursor.AddNew();
        cursor.SetField("payment / debit", "1");
        STORE_REFUSES(cursor.SetField("number", "12a"), Kind::BadNumber);
        STORE_REFUSES(cursor.SetField("number", "1.5"), Kind::BadNumber);
        STORE_REFUSES(cursor.SetField("date", "2/30/2004"), Kind::BadDate);
        STORE_REFUSES(cursor.SetField("date", "yesterday"), Kind::BadDate);
        STORE_REFUSES(cursor.SetField("description of transaction", std::string(256, 'x')), Kind::BadDescription);
        STORE_REFUSES(cursor.SetField("fee", "abc"), Kind::BadAmount);
        STORE_REFUSES(cursor.SetField("tax deductible", "2"), Kind::BadNumber);
        cursor.CancelUpdate();
        QCOMPARE(ledger.rows(), before);

        cursor.Edit();
        cursor.SetField("payment / debit", "77");
        STORE_REFUSES(cursor.SetField("date", "13/1/2004"), Kind::BadDate);
        cursor.CancelUpdate();
        QCOMPARE(ledger.rows(), before);

        // The file refuses the same values from any writer.
        const std::string insert = "INSERT INTO Ledger VALUES (NULL, %1, %2, 0, %3, 0, 0, 0)";
        for (const auto& values : {std::array<std::string, 3>{"'2004-02-30'", "NULL", "0"},
                                   std::array<std::string, 3>{"'2003-02-29'", "NULL", "0"},
                                   std::array<std::string, 3>{"'2004-04-31'", "NULL", "0"},
                                   std::array<std::string, 3>{"'0000-01-01'", "NULL", "0"},
                                   std::array<std::string, 3>{"'2004-3-7'", "NULL", "0"},
                                   std::array<std::string, 3>{"'3/7/2004'", "NULL", "0"},
                                   std::array<std::string, 3>{"NULL", "'" + std::string(256, 'x') + "'", "0"},
                                   std::array<std::string, 3>{"NULL", "NULL", "2"},
                                   std::array<std::string, 3>{"NULL", "NULL", "'yes'"}}) {
            const QString sql = QString::fromStdString(insert).arg(qs(values[0]), qs(values[1]), qs(values[2]));
            try {
                ledger.exec(sql.toStdString());
                QFAIL(qPrintable(QStringLiteral("the file took: ") + sql.left(120)));
            } catch (const StoreError&) {
            }
        }
        QCOMPARE(ledger.rows(), before);

        // 255 characters fit however many bytes they take.
        std::string accents;
        for (int k = 0; k < 255; ++k)
            accents += "\xc3\xa9";
        cursor.MoveFirst();
        cursor.Edit();
        cursor.SetField("description of transaction", accents);
        cursor.Update();
        QCOMPARE(*cursor.CurrentRow().description, accents);
        cursor.Edit();
        STORE_REFUSES(cursor.SetField("description of transaction", accents + "\xc3\xa9"), Kind::BadDescription);
        cursor.CancelUpdate();
        QCOMPARE(*ledger.rows().front().description, accents);
    }

    void plainTextOfEveryFieldWritesBackTheSameValue()
    {
        TestLedger ledger;
        LedgerRow full = makeRow("1234.5678", "0.0001", "-0.5", "-922337203685477.5808", "Caf\xc3\xa9 \xe2\x82\xac 5", -42, 1);
        full.date = LedgerDate{2000, 2, 29};
        LedgerRow sparse = makeRow("922337203685477.5807", "0", "100", "0.01");
        ledger.append({full, sparse});

        RecordCursor cursor(ledger.path());
        for (const LedgerRow& original : {full, sparse}) {
            for (LedgerColumn column : kAllColumns) {
                const std::string name(columnName(column));
                const std::string text = cursor.FieldText(name);
                cursor.Edit();
                cursor.SetField(name, text);
                cursor.Update();
                QVERIFY2(cursor.CurrentRow() == original, qPrintable(qs(name + " from \"" + text + "\"")));
            }
            cursor.MoveNext();
        }
        QCOMPARE(ledger.rows(), (std::vector<LedgerRow>{full, sparse}));
    }

    void deleteMovesLaterRowsUp()
    {
        TestLedger ledger;
        ledger.append(numberedRows(1, 6));
        RecordCursor cursor(ledger.path());

        cursor.Move(2);
        cursor.Delete();
        QCOMPARE(cursor.RecordCount(), 5LL);
        STORE_REFUSES(cursor.CurrentRow(), Kind::NoCurrentRow);
        cursor.MoveNext();
        QCOMPARE(numberAt(cursor), 4);
        QCOMPARE(cursor.AbsolutePosition(), 3LL);

        cursor.Delete();
        cursor.MovePrevious();
        QCOMPARE(numberAt(cursor), 2);
        QCOMPARE(cursor.AbsolutePosition(), 2LL);

        cursor.MoveFirst();
        cursor.Delete();
        cursor.MoveNext();
        QCOMPARE(numberAt(cursor), 2);
        QCOMPARE(cursor.AbsolutePosition(), 1LL);

        cursor.MoveLast();
        cursor.Delete();
        cursor.MoveNext();
        QVERIFY(cursor.IsEOF());

        std::vector<LedgerRow> rest{numberedRow(2), numberedRow(5)};
        QCOMPARE(ledger.rows(), rest);
        // A position taken now names the same row in a fresh cursor.
        RecordCursor other(ledger.path());
        other.Move(1);
        QCOMPARE(numberAt(other), 5);
    }

    void walksALongLedger()
    {
        TestLedger ledger;
        ledger.append(numberedRows(1, 20'000));
        RecordCursor cursor(ledger.path());
        std::int64_t steps = 0;
        std::int64_t expected = 1;
        bool inOrder = true;
        for (cursor.MoveFirst(); !cursor.IsEOF(); cursor.MoveNext()) {
            inOrder = inOrder && numberAt(cursor) == expected++;
            ++steps;
        }
        QVERIFY(inOrder);
        QCOMPARE(steps, std::int64_t(20'000));
        cursor.MoveLast();
        QCOMPARE(cursor.AbsolutePosition(), 20'000LL);
        cursor.Move(-10'000);
        QCOMPARE(cursor.AbsolutePosition(), 10'000LL);
        QCOMPARE(numberAt(cursor), 10'000);
    }

    void openingRefusesWhatIsNotALedger()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());

        const QString missing = dir.filePath(QStringLiteral("My Tallowick.mdb"));
        expectOpenRefused(missing, Kind::MissingFile, "does not exist");
        QVERIFY(!QFile::exists(missing));
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());

        const QString text = dir.filePath(QStringLiteral("notes.mdb"));
        {
            QFile file(text);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("Groceries 12.50\nRent 900\n").repeated(200));
        }
        const QByteArray textBefore = contentOf(text);
        expectOpenRefused(text, Kind::NotALedger, "not a ledger");
        QCOMPARE(contentOf(text), textBefore);

        const QString empty = dir.filePath(QStringLiteral("empty.mdb"));
        QVERIFY(QFile(empty).open(QIODevice::WriteOnly));
        expectOpenRefused(empty, Kind::NotALedger, "no Ledger table");

        const QString other = dir.filePath(QStringLiteral("other.mdb"));
        makeDatabase(other, "CREATE TABLE Accounts (name TEXT)");
        expectOpenRefused(other, Kind::NotALedger, "no Ledger table");

        const QString partial = dir.filePath(QStringLiteral("partial.mdb"));
        makeDatabase(partial, "CREATE TABLE Ledger (number INTEGER, date TEXT, \"description of transaction\" TEXT, "
                              "\"payment / debit\" INTEGER, \"tax deductible\" INTEGER, \"deposit / credit\" INTEGER, "
                              "balance INTEGER)");
        expectOpenRefused(partial, Kind::NotALedger, "no column \"fee\"");

        try {
            RecordCursor cursor(dir.path().toStdString());
            QFAIL("a folder opened as a ledger");
        } catch (const StoreError& error) {
            QVERIFY2(QString::fromUtf8(error.what()).startsWith(QLatin1String("The ledger file")), error.what());
        }
    }

    // Another program holding the write lock: a sentence about the lock, the
    // row is not stored, and storing works once the lock is gone.
    void lockedFileIsReportedAndNothingStored()
    {
        TestLedger ledger;
        ledger.append(numberedRows(1, 2));
        auto other = LedgerConnection::open(ledger.path());
        other->begin();
        RecordCursor cursor(ledger.path());
        cursor.Edit();
        cursor.SetField("fee", "3");
        STORE_REFUSES(cursor.Update(), Kind::Locked);
        other->rollback();
        QCOMPARE(ledger.rows(), numberedRows(1, 2));
        cursor.Update();
        QCOMPARE(cursor.CurrentRow().fee, Money::parse("3"));
    }

    void createLedgerFileNeverOverwrites()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QString::fromUtf8(kLedgerFileName));

        const mode_t previous = ::umask(0);
        createLedgerFile(path.toStdString());
        ::umask(previous);
        struct stat info {};
        QCOMPARE(::stat(path.toUtf8().constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 07777), 0600);
        RecordCursor cursor(path.toStdString());
        QCOMPARE(cursor.RecordCount(), 0LL);
        cursor.AddNew();
        for (const char* amount : {"payment / debit", "fee", "deposit / credit"})
            cursor.SetField(amount, "0");
        cursor.SetField("tax deductible", "0");
        cursor.SetField("balance", "1000");
        cursor.Update();

        const QByteArray ledgerBefore = contentOf(path);
        STORE_REFUSES(createLedgerFile(path.toStdString()), Kind::Engine);
        QCOMPARE(contentOf(path), ledgerBefore);
        QCOMPARE(cursor.RecordCount(), 1LL);

        const QString precious = dir.filePath(QStringLiteral("precious.txt"));
        {
            QFile file(precious);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("keep me");
        }
        try {
            createLedgerFile(precious.toStdString());
            QFAIL("an existing file was replaced");
        } catch (const StoreError& error) {
            QVERIFY2(QString::fromUtf8(error.what()).contains(QLatin1String("exists")), error.what());
        }
        QCOMPARE(contentOf(precious), QByteArray("keep me"));
    }
};

QTEST_GUILESS_MAIN(CursorTest)
#include "CursorTest.moc"
