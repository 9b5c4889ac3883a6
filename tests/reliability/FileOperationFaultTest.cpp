// Every change the program makes, and its undo and redo, interrupted at
// each of their file operations in turn: a crash, a power cut (unsynced
// writes lost, or some lost and one torn) and, for the change, an I/O error
// (once, or from then on). After each run the file is sound and holds
// exactly the table and the reconciliation's marks from before or after; a failed call reports the store's
// sentence and its connection takes the same change again.
//
// The tables are built and computed here from plain SQL and arithmetic, not
// through the store under test.
#include "ChangeHistory.h"
#include "FaultInjectingVfs.h"
#include "InsertRow.h"
#include "LedgerChanges.h"
#include "Reconciliation.h"
#include "RecordCursor.h"
#include "StatementImport.h"
#include "StoreError.h"
#include "StoreText.h"
#include "TestLedger.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sqlite3.h>

#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <functional>
#include <optional>

using namespace tallowick;
using namespace tallowick::test;

namespace {

constexpr int kLedgerRows = 300;
// The row that updates, deletions and insertions work on: near the top, so
// that every later row moves or changes its balance.
constexpr int kChangedPosition = 3;

// One row of the table; amounts in ten-thousandths.
struct Row {
    std::optional<long long> number;
    std::optional<std::string> date;
    std::optional<std::string> description;
    long long payment = 0, tax = 0, fee = 0, deposit = 0, balance = 0;
    bool operator==(const Row&) const = default;
};

using Table = std::vector<Row>;
// The reconciliation's marks (with the bank's id of a transaction imported into the row, in hexadecimal),
// statements and draft, one text a row, sorted; none without the tables.
using Marks = std::vector<std::string>;

struct State {
    Table table;
    Marks marks;
    bool operator==(const State&) const = default;
};

// The row's values as SQL literals, in column order.
std::string sqlValues(const Row& row)
{
    const auto quoted = [](const std::optional<std::string>& text) {
        return text ? "'" + *text + "'" : "NULL";
    };
    return (row.number ? std::to_string(*row.number) : "NULL") + "," + quoted(row.date) + ","
           + quoted(row.description) + "," + std::to_string(row.payment) + "," + std::to_string(row.tax) + ","
           + std::to_string(row.fee) + "," + std::to_string(row.deposit) + "," + std::to_string(row.balance);
}

// The running-balance rule, from the first row's balance on.
void rebalance(Table& table)
{
    for (std::size_t k = 1; k < table.size(); ++k)
        table[k].balance = table[k - 1].balance - table[k].payment - table[k].fee + table[k].deposit;
}

// Ten-thousandths in the plain text form the editor sends ("-12.5000").
std::string amountText(long long amount)
{
    const long long magnitude = amount < 0 ? -amount : amount;
    const std::string fraction = std::to_string(10000 + magnitude % 10000).substr(1);
    return (amount < 0 ? "-" : "") + std::to_string(magnitude / 10000) + "." + fraction;
}

Table sampleTable(int rows = kLedgerRows)
{
    Table table;
    table.push_back({std::nullopt, "2024-01-01", "Initial Balance", 0, 0, 0, 0, 50000000});
    for (int k = 1; k < rows; ++k) {
        Row row;
        if (k % 5)
            row.number = 1000 + k;
        if (k % 4)
            row.date = "2024-" + std::to_string(10 + k % 3) + "-" + std::to_string(10 + k % 19);
        if (k % 6)
            row.description = k % 2 ? "Check to the market" : "Rent";
        row.payment = k % 3 ? 125000 + k : 0;
        row.tax = k % 7 == 0;
        row.fee = k % 40 ? 0 : 12500;
        row.deposit = k % 3 ? 0 : 400000;
        table.push_back(row);
    }
    rebalance(table);
    return table;
}

// Writes the rows under rowids step, 2 * step, ...
void writeTable(TestLedger& ledger, const Table& table, long long rowidStep)
{
    std::string sql = "BEGIN;";
    for (std::size_t k = 0; k < table.size(); ++k)
        sql += "INSERT INTO Ledger (rowid, \"number\", \"date\", \"description of transaction\", "
               "\"payment / debit\", \"tax deductible\", fee, \"deposit / credit\", balance) VALUES ("
               + std::to_string(rowidStep * (long long)(k + 1)) + "," + sqlValues(table[k]) + ");";
    ledger.exec(sql + "COMMIT;");
}

// What the engine's integrity check says of the file ("ok": it is sound), and its rows in rowid order,
// read with plain SQLite; read-write, so that a journal a failed run left is rolled back first, as any
// writer would.
std::pair<std::string, State> storedLedger(const std::string& path)
{
    sqlite3* db = nullptr;
    sqlite3_stmt* read = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_prepare_v2(db, "SELECT * FROM pragma_integrity_check", -1, &read, nullptr);
    const auto text = [&read](int column) -> std::optional<std::string> {
        const unsigned char* value = sqlite3_column_text(read, column);
        return value ? std::optional<std::string>(reinterpret_cast<const char*>(value)) : std::nullopt;
    };
    std::pair<std::string, State> stored;
    while (sqlite3_step(read) == SQLITE_ROW)
        stored.first += text(0).value_or("");
    sqlite3_finalize(read);
    sqlite3_prepare_v2(db, "SELECT * FROM Ledger ORDER BY rowid", -1, &read, nullptr);
    const auto integer = [&read](int column) { return sqlite3_column_int64(read, column); };
    while (sqlite3_step(read) == SQLITE_ROW)
        stored.second.table.push_back({text(0) ? std::optional(integer(0)) : std::nullopt, text(1), text(2),
                                       integer(3), integer(4), integer(5), integer(6), integer(7)});
    if (sqlite3_finalize(read) != SQLITE_OK || !read)
        stored.first += std::string(" ") + sqlite3_errmsg(db);
    // A file that never reconciled has none of these tables: no marks.
    if (sqlite3_prepare_v2(
            db,
            "SELECT 'm|' || \"ledger rowid\" || '|' || status || '|' || quote(statement) || "
            "ifnull('|' || nullif(hex(fitid), ''), '') FROM ReconcileMark UNION ALL SELECT 's|' || id || '|' "
            "|| \"statement date\" || '|' || \"ending balance\" || '|' || finished FROM ReconcileStatement "
            "UNION ALL SELECT 'd|' || quote(\"statement date\") || '|' || quote(\"ending balance\") FROM "
            "ReconcileDraft ORDER BY 1",
            -1, &read, nullptr)
        == SQLITE_OK) {
        while (sqlite3_step(read) == SQLITE_ROW)
            stored.second.marks.push_back(*text(0));
        if (sqlite3_finalize(read) != SQLITE_OK)
            stored.first += std::string(" ") + sqlite3_errmsg(db);
    }
    sqlite3_close_v2(db);
    return stored;
}

// One change as a window makes it. `prepare` only reads (it places the
// cursor as the window has it); `write` is the window's command, and is
// run again as it stands when a failed change is retried.
struct Change {
    const char* name;
    long long rowidStep; // 0: an empty ledger
    std::function<void(RecordCursor&)> prepare;
    std::function<void(RecordCursor&)> write;
    std::function<Table(Table)> expected;
    // The reconciliation: marks made through the store before the change, and the marks after it.
    std::function<void(LedgerConnection&)> setup = {};
    std::function<Marks()> marks = {};
    int rows = kLedgerRows;
};

Marks sorted(Marks marks)
{
    std::sort(marks.begin(), marks.end());
    return marks;
}

// The rows at these 1-based positions of a ledger written `step` apart.
std::vector<std::int64_t> rowidsAt(int first, int last, long long step)
{
    std::vector<std::int64_t> rowids;
    for (int k = first; k <= last; ++k)
        rowids.push_back(k * step);
    return rowids;
}

// A bank's statement of 50 transactions for the sample table, and the rows and marks it leaves: 15 checks
// with a row's number and amount, 10 payments with an unnumbered row's amount two days after its date,
// a check whose amount differs from its row's and a transaction listed twice (neither stores anything),
// and 23 new ones (fees and deposits among them, every third without the bank's id) appended.
struct SampleStatement {
    std::vector<StatementTransaction> transactions;
    Table table;
    Marks marks;
};

SampleStatement sampleStatement()
{
    SampleStatement statement{{}, sampleTable(), {}};
    const auto hex = [](const std::string& text) {
        std::string digits;
        for (const unsigned char c : text)
            digits += {"0123456789ABCDEF"[c >> 4], "0123456789ABCDEF"[c & 15]};
        return digits;
    };
    const auto add = [&](std::optional<std::string> date, long long amount, std::optional<long long> number,
                         const std::string& fitid, bool fee = false,
                         const std::string& description = "Bank") {
        StatementTransaction& t = statement.transactions.emplace_back();
        t.date = date ? std::optional(LedgerDate::fromIso(*date)) : std::nullopt;
        t.amount = Money::fromTenThousandths(amount);
        t.fee = fee;
        t.number = number;
        t.description = description;
        t.fitid = fitid;
        // A transaction without an id is known by its day, amount, number and description.
        return fitid.empty() ? std::string(1, '\0') + date.value_or("") + "|" + std::to_string(amount) + "|"
                                   + (number ? std::to_string(*number) : "") + "|" + description
                             : fitid;
    };
    const auto matched = [&](int k, const std::string& key) {
        statement.marks.push_back("m|" + std::to_string((k + 1) * 1024) + "|1|NULL|" + hex(key));
    };
    const Table& rows = statement.table;
    for (int k : {1, 2, 3, 4, 6, 7, 8, 9, 11, 12, 13, 14, 16, 17, 18})
        matched(k, add("2024-12-01", rows[k].deposit - rows[k].payment - rows[k].fee, rows[k].number,
                       "K" + std::to_string(k)));
    for (int k : {5, 10, 25, 35, 50, 55, 65, 70, 85, 95}) {
        std::string date = *rows[k].date;
        date.replace(8, 2, std::to_string(std::stoi(date.substr(8)) + 2));
        matched(k, add(date, -rows[k].payment, std::nullopt, "A" + std::to_string(k)));
    }
    add(std::nullopt, -999999, rows[19].number, "D19");
    for (int i = 1; i <= 23; ++i) {
        const long long amount = (i % 4 ? -1 : 1) * (5000000 + i * 1234);
        const bool fee = i % 5 == 0 && amount < 0;
        const std::string date = "2025-01-" + std::to_string(10 + i % 18);
        const std::optional<long long> number = i % 2 ? std::optional(5000LL + i) : std::nullopt;
        const std::string key = add(date, amount, number, i % 3 ? "N" + std::to_string(i) : "", fee,
                                    "Statement line " + std::to_string(i));
        if (i == 2)
            add(date, amount, number, key, fee, "Statement line 2"); // listed twice
        statement.table.push_back({number, date, "Statement line " + std::to_string(i),
                                   amount < 0 && !fee ? -amount : 0, 0, fee ? -amount : 0,
                                   amount > 0 ? amount : 0, 0});
        statement.marks.push_back("m|" + std::to_string((kLedgerRows + i) * 1024) + "|1|NULL|" + hex(key));
    }
    rebalance(statement.table);
    statement.marks = sorted(statement.marks);
    return statement;
}

const Row kAddedRow{4321, "2025-03-07", "Hardware store", 459900, 1, 0, 0, 0};
const Row kEditedRow{77, "2025-01-02", "Corrected", 995000, 0, 12500, 0, 0};

// The editor's boxes, all eight written as its "Add" and "Update" do.
void writeEditorBoxes(RecordCursor& cursor, const Row& row, long long balance)
{
    cursor.SetField("number", std::to_string(*row.number));
    cursor.SetField("date", *row.date);
    cursor.SetField("description of transaction", *row.description);
    cursor.SetField("payment / debit", amountText(row.payment));
    cursor.SetField("tax deductible", std::int64_t(row.tax));
    cursor.SetField("fee", amountText(row.fee));
    cursor.SetField("deposit / credit", amountText(row.deposit));
    cursor.SetField("balance", amountText(balance));
}

long long balanceAfter(long long prior, const Row& row)
{
    return prior - row.payment - row.fee + row.deposit;
}

std::vector<Change> everyChange()
{
    const Table sample = sampleTable();
    const Row placeholder{std::nullopt, std::nullopt, "INSERTED ROW", 0, 0, 0, 0, 0};
    auto nothing = [](RecordCursor&) {};
    // What the statement window proposes, read before the import as the user reviews it.
    const auto proposal = std::make_shared<StatementProposal>();
    auto insert = [](RecordCursor& cursor) { InsertPlaceholderAfter(cursor, kChangedPosition); };
    auto withPlaceholder = [placeholder](Table table) {
        table.insert(table.begin() + kChangedPosition, placeholder);
        return table;
    };
    return {
        {"initial balance", 0, nothing, [](RecordCursor& cursor) { AddInitialBalance(cursor, "1234.56"); },
         [](Table) {
             return Table{{std::nullopt, std::nullopt, "Initial Balance", 0, 0, 0, 0, 12345600}};
         }},
        {"add", 1024, nothing,
         [last = sample.back().balance](RecordCursor& cursor) {
             cursor.AddNew();
             writeEditorBoxes(cursor, kAddedRow, balanceAfter(last, kAddedRow));
             cursor.Update();
         },
         [](Table table) {
             Row added = kAddedRow;
             added.balance = balanceAfter(table.back().balance, added);
             table.push_back(added);
             return table;
         }},
        {"update", 1024,
         [](RecordCursor& cursor) {
             cursor.MoveFirst();
             cursor.Move(kChangedPosition - 1);
         },
         [prior = sample[kChangedPosition - 2].balance](RecordCursor& cursor) {
             cursor.Edit();
             writeEditorBoxes(cursor, kEditedRow, balanceAfter(prior, kEditedRow));
             UpdateAndRebalance(cursor);
         },
         [](Table table) {
             table[kChangedPosition - 1] = kEditedRow;
             rebalance(table);
             return table;
         }},
        {"delete", 1024, nothing, [](RecordCursor& cursor) { DeleteAndRebalance(cursor, kChangedPosition); },
         [](Table table) {
             table.erase(table.begin() + kChangedPosition - 1);
             rebalance(table);
             return table;
         }},
        {"insert between spaced rowids", 1024, nothing, insert, withPlaceholder},
        {"insert between packed rowids", 1, nothing, insert, withPlaceholder},
        {"postpone",
         1024,
         nothing,
         [](RecordCursor& cursor) {
             postponeReconciliation(cursor.connection(), rowidsAt(2, 11, 1024),
                                    {LedgerDate{2024, 10, 31}, Money::parse("1234.5")}, {});
         },
         [](Table table) { return table; },
         {},
         [] {
             Marks marks{"d|'2024-10-31'|12345000"};
             for (int k = 2; k <= 11; ++k)
                 marks.push_back("m|" + std::to_string(k * 1024) + "|1|NULL");
             return sorted(marks);
         }},
        {"finish of 300 ticked rows",
         1024,
         nothing,
         [ending = sampleTable(kLedgerRows + 1).back().balance](RecordCursor& cursor) {
             finishReconciliation(cursor.connection(), rowidsAt(2, kLedgerRows + 1, 1024), {2024, 12, 31},
                                  Money::fromTenThousandths(ending), {2025, 1, 5}, {});
         },
         [](Table table) { return table; },
         {},
         [ending = sampleTable(kLedgerRows + 1).back().balance] {
             Marks marks{"s|1|2024-12-31|" + std::to_string(ending) + "|2025-01-05"};
             for (int k = 2; k <= kLedgerRows + 1; ++k)
                 marks.push_back("m|" + std::to_string(k * 1024) + "|2|1");
             return sorted(marks);
         },
         kLedgerRows + 1},
        {"import of a statement of 50 transactions",
         1024,
         [proposal](RecordCursor& cursor) {
             *proposal = proposeStatement(cursor.connection(), sampleStatement().transactions);
         },
         [proposal](RecordCursor& cursor) {
             importStatement(cursor.connection(), sampleStatement().transactions, proposal->decisions,
                             proposal->counter);
         },
         [](Table) { return sampleStatement().table; },
         {},
         [] { return sampleStatement().marks; }},
        {"insert between packed rowids, marks carried", 1, nothing, insert, withPlaceholder,
         [](LedgerConnection& connection) {
             postponeReconciliation(connection, {2, 4, 5, kLedgerRows}, {}, {});
         },
         [] { // rows 4 .. 299 move down one rowid, the last row to the rowid after it
             return sorted({"d|NULL|NULL", "m|2|1|NULL", "m|5|1|NULL", "m|6|1|NULL",
                            "m|" + std::to_string(kLedgerRows + 1024) + "|1|NULL"});
         }},
    };
}

// What the faults strike: the change, or its undo or its redo made after it.
enum class Step { Change, Undo, Redo };

// Opens what the step writes with, as the window has it, and returns the write.
std::function<void()> readyToWrite(const Change& change, Step step, const std::string& path)
{
    if (step == Step::Change) {
        auto cursor = std::make_shared<RecordCursor>(path);
        change.prepare(*cursor);
        return [cursor, write = change.write] { write(*cursor); };
    }
    std::shared_ptr<LedgerConnection> connection = LedgerConnection::open(path);
    return [connection, undo = step == Step::Undo] {
        undo ? ChangeHistory::instance().undo(*connection) : ChangeHistory::instance().redo(*connection);
    };
}

// An alarm ends a run's child after this long; its parent waits a little longer.
constexpr unsigned kRunSeconds = 3;

// The child's wait status, or nothing when it has not ended within `ms` (it is then killed). Without
// pidfd (Linux before 5.3) the child's alarm alone bounds the wait.
std::optional<int> waitFor(pid_t child, int ms)
{
    const auto fd = int(::syscall(SYS_pidfd_open, child, 0));
    pollfd ended{fd, POLLIN, 0};
    const bool inTime = fd < 0 || ::poll(&ended, 1, ms) == 1;
    if (fd >= 0)
        ::close(fd);
    if (!inTime)
        ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    return inTime ? std::optional(status) : std::nullopt;
}

const char* faultName(FileFault fault)
{
    return std::array{"crash", "power cut", "torn power cut", "transient I/O error",
                      "persistent I/O error"}[std::size_t(fault)];
}

} // namespace

class FileOperationFaultTest : public QObject {
    Q_OBJECT

    TestLedger ledger_;
    QByteArray pristine_;
    State before_;
    State after_;
    QStringList failures_;
    QString where_; // the change, the fault and the operation now run
    std::array<std::string, 3> outcomeFolders_; // what a crash, a power cut and a torn one leave

    // No journal is left beside it.
    void restoreLedger()
    {
        QFile::remove(QString::fromStdString(ledger_.path() + "-journal"));
        QFile file(QString::fromStdString(ledger_.path()));
        const bool opened = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        if (!opened || file.write(pristine_) != pristine_.size())
            qFatal("the ledger could not be restored");
    }

    void setWhere(const char* fault, int at)
    {
        where_ = QStringLiteral("%1, %2 at operation %3: ").arg(QTest::currentDataTag(), fault).arg(at);
    }

    // Puts the ledger back as the step found it, for the run with `fault` at operation `at`.
    void startRun(const char* fault, int at)
    {
        setWhere(fault, at);
        restoreLedger();
    }

    void fail(const QString& what) { failures_ << where_ + what; }

    // The file is sound and holds the table and marks from before, from after, or the ones required.
    void checkLedger(const State* required, const std::string& path)
    {
        const auto [integrity, found] = storedLedger(path);
        if (integrity != "ok")
            return fail(QStringLiteral("integrity check: ") + QString::fromStdString(integrity));
        if (required && found != *required)
            fail(found == before_ ? QStringLiteral("the old table, not the new one")
                                  : QStringLiteral("not the required table"));
        else if (found != before_ && found != after_)
            fail(QStringLiteral("neither the old nor the new table"));
    }

    // Runs the step in a child process that ends at operation `at`, leaving what a crash, a power cut
    // and a torn one would leave; the child holds the history as this process has it. False when the run
    // did not end in time.
    bool runInterrupted(const Change& change, Step step, int at, int operations)
    {
        startRun("crash or power cut", at);
        const std::string name = ledger_.path().substr(ledger_.path().rfind('/'));
        for (const std::string& folder : outcomeFolders_)
            for (const char* suffix : {"", "-journal"})
                QFile::remove(QString::fromStdString(folder + name + suffix));
        const pid_t child = ::fork();
        if (child == 0) {
            ::alarm(kRunSeconds);
            try {
                const std::function<void()> write = readyToWrite(change, step, ledger_.path());
                FaultInjectingVfs& vfs = FaultInjectingVfs::install();
                vfs.armInterruption(at, ledger_.path(), outcomeFolders_, std::uint32_t(at) * 7919u);
                write();
                vfs.strikeNow(); // past the last operation: the step has returned
            } catch (...) {
            }
            ::_exit(1);
        }
        const std::optional<int> status = waitFor(child, int(kRunSeconds) * 1000 + 2000);
        if (!status || (WIFSIGNALED(*status) && WTERMSIG(*status) == SIGALRM)) {
            fail(QStringLiteral("did not end within %1 seconds").arg(kRunSeconds));
            return false;
        }
        if (!WIFEXITED(*status) || WEXITSTATUS(*status) != kCrashedExitCode)
            fail(QStringLiteral("the process ended with wait status %1, not by the fault").arg(*status));
        else // up to the journal's deletion the engine rolls the step back; after it the step stays
            for (FileFault fault : {FileFault::Crash, FileFault::PowerCut, FileFault::TornPowerCut}) {
                setWhere(faultName(fault), at);
                checkLedger(at <= operations ? &before_ : &after_,
                            outcomeFolders_[std::size_t(fault)] + name);
            }
        return true;
    }

    // Fails operation `at` (and, persistent, every later one) inside the change.
    void runFailing(const Change& change, FileFault fault, int at, int writeError,
                    const std::vector<FileOperation>& kinds)
    {
        startRun(faultName(fault), at);
        RecordCursor cursor(ledger_.path());
        change.prepare(cursor);
        FaultInjectingVfs& vfs = FaultInjectingVfs::install();
        vfs.arm(fault, at, writeError);
        std::optional<StoreError> error;
        try {
            change.write(cursor);
        } catch (const StoreError& thrown) {
            error = thrown;
        } catch (const std::exception& thrown) {
            vfs.stop();
            return fail(QStringLiteral("not the store's error: ") + thrown.what());
        }
        vfs.stop();
        if (!error)
            return fail(QStringLiteral("the failed change was reported as a success"));
        const bool diskFull = writeError == SQLITE_FULL && kinds[std::size_t(at - 1)] == FileOperation::Write;
        const std::string sentence = diskFull ? "The disk is full, so the change cannot be saved."
                                              : "The ledger file could not be read or written.";
        if (error->what() != sentence)
            return fail(QStringLiteral("not the store's sentence: ") + error->what());
        checkLedger(&before_, ledger_.path());
        try {
            if (std::size_t(cursor.RecordCount()) != before_.table.size())
                return fail(QStringLiteral("the connection counts the wrong rows"));
            change.write(cursor);
        } catch (const std::exception& thrown) {
            return fail(QStringLiteral("the retry failed: ") + thrown.what());
        }
        checkLedger(&after_, ledger_.path());
    }

    // The ledger and the history as the step finds them: the original ledger, after the change, or
    // after the change and its undo; `original` is the ledger before the change.
    void reachStep(const Change& change, Step step, const QByteArray& original)
    {
        pristine_ = original;
        restoreLedger();
        ChangeHistory::instance().clear();
        if (step != Step::Change) {
            readyToWrite(change, Step::Change, ledger_.path())();
            if (step == Step::Redo)
                readyToWrite(change, Step::Undo, ledger_.path())();
        }
        pristine_ = ledgerBytes();
    }

    QByteArray ledgerBytes() const
    {
        QFile file(QString::fromStdString(ledger_.path()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        FaultInjectingVfs::install();
        for (FileFault fault : {FileFault::Crash, FileFault::PowerCut, FileFault::TornPowerCut}) {
            outcomeFolders_[std::size_t(fault)] = ledger_.folder().toStdString() + "/" + faultName(fault);
            QVERIFY(QDir().mkpath(QString::fromStdString(outcomeFolders_[std::size_t(fault)])));
        }
    }

    void everyOperationOfEveryChange_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("stepIndex");
        const std::vector<Change> changes = everyChange();
        for (std::size_t k = 0; k < changes.size(); ++k)
            for (Step step : {Step::Change, Step::Undo, Step::Redo})
                QTest::addRow("%s%s", changes[k].name, std::array{"", ", undo", ", redo"}[int(step)])
                    << int(k) << int(step);
    }

    void everyOperationOfEveryChange()
    {
        QFETCH(int, index);
        QFETCH(int, stepIndex);
        const auto step = Step(stepIndex);
        const Change change = everyChange()[std::size_t(index)];
        QFile::remove(QString::fromStdString(ledger_.path()));
        createLedgerFile(ledger_.path());
        const Table before = change.rowidStep ? sampleTable(change.rows) : Table{};
        if (change.rowidStep)
            writeTable(ledger_, before, change.rowidStep);
        if (change.setup)
            change.setup(*LedgerConnection::open(ledger_.path()));
        const QByteArray original = ledgerBytes();
        before_ = {before, storedLedger(ledger_.path()).second.marks};
        after_ = {change.expected(before), change.marks ? change.marks() : before_.marks};
        QVERIFY(before_ != after_);
        if (step == Step::Undo)
            std::swap(before_, after_);

        // The operations the step makes, counted once without a fault.
        FaultInjectingVfs& vfs = FaultInjectingVfs::install();
        try {
            reachStep(change, step, original);
            const std::function<void()> write = readyToWrite(change, step, ledger_.path());
            vfs.startCounting();
            write();
            vfs.stop();
            QVERIFY(storedLedger(ledger_.path()).second == after_);
            reachStep(change, step, original);
        } catch (const std::exception& error) {
            vfs.stop();
            QFAIL(error.what());
        }
        const int operations = vfs.count();
        const std::vector<FileOperation> kinds = vfs.operations();
        QVERIFY(operations > 0);

        const int failuresBefore = int(failures_.size());
        bool inTime = true;
        for (int at = 1; inTime && at <= operations + 1; ++at)
            inTime = runInterrupted(change, step, at, operations);
        // I/O errors in undo and redo are HistoryTest's.
        for (int at = 1; step == Step::Change && at <= operations; ++at) {
            const bool write = kinds[std::size_t(at - 1)] == FileOperation::Write;
            for (FileFault fault : {FileFault::TransientError, FileFault::PersistentError}) {
                runFailing(change, fault, at, SQLITE_IOERR_WRITE, kinds);
                if (write)
                    runFailing(change, fault, at, SQLITE_FULL, kinds);
            }
        }
        qInfo("%d file operations, %d failures", operations, int(failures_.size()) - failuresBefore);
        QVERIFY2(failures_.size() == failuresBefore, qPrintable(failures_.value(failuresBefore)));
    }
};

QTEST_GUILESS_MAIN(FileOperationFaultTest)
#include "FileOperationFaultTest.moc"
