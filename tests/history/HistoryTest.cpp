// Undo and redo over a real ledger file: a model-based random run, names, refusals, atomicity, bounds, files.
#include "ChangeHistory.h"
#include "FaultInjectingVfs.h"
#include "InsertRow.h"
#include "LedgerChanges.h"
#include "RecomputeBalances.h"
#include "Reconciliation.h"
#include "StoreTestSupport.h"
#include "TestLedger.h"
#include <QFile>
#include <algorithm>
#include <functional>
#include <map>
#include <sqlite3.h>
using namespace tallowick::test;

// rowid -> the row as the engine holds it, read without the store; in rowid order, so equal tables have
// equal rows at equal positions, and equal rowids besides.
using FileTable = std::map<std::int64_t, QString>;
static FileTable fileTable(const std::string& path)
{
    FileTable table;
    for (const QString& row : storedRows(path))
        table[row.section(QLatin1Char('|'), 0, 0).toLongLong()] = row;
    return table;
}

// Where the first rowid that differs between two tables stands in `now`, as the window selects it after undo.
static std::int64_t firstTouchedPosition(const FileTable& was, const FileTable& now)
{
    const auto differs = std::mismatch(was.begin(), was.end(), now.begin(), now.end()).second;
    return std::distance(now.begin(), differs) + (differs != now.end());
}

// A ledger of `rows` rows, the first half packed (insertions move rows), the rest 3 apart; balances
// arbitrary, below zero from row 73 on. Gives the ledger's path.
static std::string fill(TestLedger& ledger, int rows)
{
    ledger.exec("WITH RECURSIVE t(total) AS (SELECT " + std::to_string(rows)
                + "), n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n, t WHERE i < total) "
                  "INSERT INTO Ledger (rowid, \"number\", \"date\", \"description of transaction\", "
                  "\"payment / debit\", \"tax deductible\", fee, \"deposit / credit\", balance) "
                  "SELECT CASE WHEN i <= total / 2 THEN i ELSE i * 3 END, CASE WHEN i % 4 THEN 1000 + i END, "
                  "CASE WHEN i % 3 THEN date('2020-01-01', '+' || i || ' days') END, "
                  "CASE WHEN i % 5 THEN 'Row ' || i END, (i % 7) * 10000, i % 2, (i % 5 = 0) * 2500, "
                  "(i % 6 = 0) * 500000, 900000 - i * 12345 FROM n, t");
    return ledger.path();
}

// The changes as the windows make them, each through the store call its window uses.
static void addRow(const std::string& path, int payment)
{
    RecordCursor cursor(path);
    cursor.MoveLast();
    const Money last = cursor.IsEOF() ? Money() : cursor.CurrentRow().balance;
    cursor.AddNew();
    cursor.SetField("number", std::int64_t(payment));
    cursor.SetField("description of transaction", "Added " + std::to_string(payment));
    cursor.SetField("payment / debit", units(payment).plainText());
    cursor.SetField("tax deductible", std::int64_t(payment % 2));
    cursor.SetField("fee", "0");
    cursor.SetField("deposit / credit", "0");
    cursor.SetField("balance", (last - units(payment)).plainText());
    cursor.Update();
}
static void updateRow(const std::string& path, std::int64_t position, const std::string& payment)
{
    RecordCursor cursor(path);
    cursor.Move(position - 1);
    cursor.Edit();
    cursor.SetField("payment / debit", payment);
    cursor.SetFieldEmpty("date");
    UpdateAndRebalance(cursor);
}
// One store call on a cursor of its own, as each window's command makes it.
template <typename... Args>
static void onCursor(const std::string& path, void (*call)(RecordCursor&, Args...),
                     std::type_identity_t<Args>... args)
{
    RecordCursor cursor(path);
    call(cursor, args...);
}

// A write this program makes without noting a change: the history trusts its own commits.
static void writeHere(const std::string& path, const std::string& sql)
{
    auto connection = LedgerConnection::open(path);
    Transaction transaction(*connection);
    execute(connection->db(), sql.c_str());
    transaction.commit();
}

// The undo (or, `redoing`, the redo) that a window makes on a connection of its own; the row it selects.
static std::optional<std::int64_t> undo(const std::string& path, bool redoing = false)
{
    auto connection = LedgerConnection::open(path);
    return redoing ? ChangeHistory::instance().redo(*connection)
                   : ChangeHistory::instance().undo(*connection);
}

// The sentence of the StoreError of `kind` that an undo, or a redo, on `connection` throws; empty when it
// throws none or another kind.
static QByteArray refusal(LedgerConnection& connection, bool redoing, Kind kind = Kind::NotUndoable)
{
    try {
        redoing ? ChangeHistory::instance().redo(connection) : ChangeHistory::instance().undo(connection);
    } catch (const StoreError& error) {
        return error.kind() == kind ? error.what() : "";
    }
    return {};
}

// Each kind of change the windows make: its name, the change, and a write by another program to a row it
// touched (on a ledger filled with 40 rows).
const std::tuple<const char*, void (*)(const std::string& path), const char*> kChanges[] = {
    {"add", [](const std::string& path) { addRow(path, 5); }, // the row added at 120 + 1024
     "INSERT OR REPLACE INTO Ledger (rowid, \"payment / debit\", \"tax deductible\", fee, "
     "\"deposit / credit\", balance) VALUES (1144, 0, 0, 0, 0, 0)"},
    {"update row 2", [](const std::string& path) { updateRow(path, 2, "3"); },
     "UPDATE Ledger SET balance = balance + 1 WHERE rowid = (SELECT max(rowid) FROM Ledger)"},
    {"delete row 2", [](const std::string& path) { onCursor(path, DeleteAndRebalance, 2); },
     "INSERT OR REPLACE INTO Ledger (rowid, \"payment / debit\", \"tax deductible\", fee, "
     "\"deposit / credit\", balance) VALUES (2, 0, 0, 0, 0, 0)"},
    {"insert after row 1", [](const std::string& path) { onCursor(path, InsertPlaceholderAfter, 1); },
     "DELETE FROM Ledger WHERE rowid = 2"},
};

class HistoryTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        ChangeHistory::instance().setLimits(ChangeHistory::kMostChanges, ChangeHistory::kMostBytes);
    }

    // Random changes, undos and redos against a model that keeps the table of every step: undoing k changes
    // gives exactly the table of k changes earlier, redoing gives the later table back.
    void randomChangesUndosAndRedos()
    {
        ChangeHistory& history = ChangeHistory::instance();
        for (unsigned seed : {1u, 2u, 3u}) {
            TestLedger ledger;
            const std::string path = fill(ledger, 300);
            std::mt19937 random(seed);
            std::vector<FileTable> past, future; // the tables an undo and a redo lead to
            FileTable now = fileTable(path);
            std::int64_t placeholder = 0; // where the latest change, an insertion, put its row
            for (int step = 0; step < 160 && !QTest::currentTestFailed(); ++step) {
                const auto rows = std::int64_t(now.size());
                const std::int64_t position = rows ? 1 + std::int64_t(random() % rows) : 0;
                const unsigned roll = random() % 20;
                const QByteArray where = QString("seed %1 step %2").arg(seed).arg(step).toUtf8();
                if (roll < 7) {
                    const FileTable before = now;
                    const unsigned kind = rows < 2 ? 0 : random() % 6;
                    const std::int64_t at = kind == 5 && placeholder ? placeholder : position;
                    switch (kind) {
                    case 0: addRow(path, int(random() % 100000)); break;
                    case 1:
                    case 5: updateRow(path, at, std::to_string(random() % 3)); break;
                    case 2: onCursor(path, DeleteAndRebalance, position); break;
                    case 3: onCursor(path, InsertPlaceholderAfter, position); break;
                    default: onCursor(path, RecomputeBalances);
                    }
                    now = fileTable(path);
                    const bool joined = (kind == 1 || kind == 5) && at == placeholder;
                    if (now != before) { // a change that wrote nothing is not kept, and keeps the redo stack
                        if (!joined) // the placeholder's update joins the insertion: one undo for both
                            past.push_back(before);
                        future.clear();
                        placeholder = kind == 3 ? position + 1 : 0;
                    }
                } else {
                    const bool redoing = roll >= 15;
                    std::vector<FileTable>& from = redoing ? future : past;
                    std::vector<FileTable>& to = redoing ? past : future;
                    const std::optional<std::int64_t> selected = undo(path, redoing);
                    QVERIFY2(selected.has_value() == !from.empty(), where);
                    if (!selected)
                        continue;
                    to.push_back(std::exchange(now, fileTable(path)));
                    QVERIFY2(now == from.back(), where);
                    QCOMPARE(*selected, firstTouchedPosition(to.back(), now));
                    from.pop_back();
                    placeholder = 0;
                }
                QVERIFY2(history.undoCount() == past.size() && history.redoCount() == future.size(), where);
            }
            for (; !past.empty(); past.pop_back()) // all the way back
                QVERIFY(undo(path) && fileTable(path) == past.back());
        }
    }

    // Each change names itself for the menu, the first Update of an inserted row joining the insertion; the
    // undone change names the redo.
    void changesAreNamed()
    {
        TestLedger ledger;
        const std::string path = ledger.path();
        ChangeHistory& history = ChangeHistory::instance();
        const std::pair<std::function<void()>, std::string> changes[] = {
            {[&] { addRow(path, 100); }, "Initial Balance"},
            {[&] {
                 for (int k = 1; k < 6; ++k)
                     addRow(path, k);
             },
             "Add"},
            {[&] { updateRow(path, 3, "7"); }, "Update of row 3"},
            {[&] { onCursor(path, InsertPlaceholderAfter, 2); }, "Insert after row 2"},
            {[&] { updateRow(path, 3, "4"); }, "Insert after row 2"},
            {[&] { updateRow(path, 3, "5"); }, "Update of row 3"},
            {[&] { onCursor(path, DeleteAndRebalance, 5); }, "Delete of row 5"},
            {[&] { writeHere(path, "UPDATE Ledger SET balance = 0"); }, "Delete of row 5"},
            {[&] { onCursor(path, RecomputeBalances); }, "Recomputation of Balances"},
        };
        QVERIFY(!history.nextUndo(path) && !history.nextRedo(path));
        for (const auto& [change, name] : changes) {
            change();
            QCOMPARE(history.nextUndo(path).value_or("-"), name);
            QVERIFY(!history.nextRedo(path));
        }
        undo(path);
        QCOMPARE(history.nextRedo(path).value_or("-"), std::string("Recomputation of Balances"));
        QCOMPARE(history.nextUndo(path).value_or("-"), std::string("Delete of row 5"));
    }

    // A touched row changed by another connection of this program makes undo and redo refuse and write
    // nothing; a change elsewhere in the file does not.
    void changedRowsRefuseUndoAndRedo()
    {
        ChangeHistory& history = ChangeHistory::instance();
        for (const auto& [name, change, foreign] : kChanges) {
            for (bool redoing : {false, true}) {
                TestLedger ledger;
                const std::string path = fill(ledger, 40);
                change(path);
                if (redoing)
                    undo(path);
                writeHere(path, foreign);
                const FileTable changed = fileTable(path);
                const QByteArray said = refusal(*LedgerConnection::open(path), redoing);
                QVERIFY2(said.contains("changed by another program") && fileTable(path) == changed, name);
                QVERIFY2(history.undoCount() == !redoing && history.redoCount() == redoing, name);
            }
        }
        TestLedger ledger;
        const std::string path = fill(ledger, 40);
        addRow(path, 5);
        writeHere(path, "UPDATE Ledger SET \"description of transaction\" = 'x' WHERE rowid = 1");
        FileTable expected = fileTable(path);
        expected.erase(1144);
        QVERIFY(undo(path) && fileTable(path) == expected);
    }

    // Another program's commit since our last: undo and redo refuse, write nothing and empty the history,
    // which starts again with the next change. Each case broke the running-balance rule when only the
    // touched rows were checked.
    void outsideWritesRefuseUndoAndRedo()
    {
        ChangeHistory& history = ChangeHistory::instance();
        const char* const since = "Another program has changed the ledger file since, so the ";
        const std::string insert =
            "INSERT INTO Ledger (rowid, \"description of transaction\", \"payment / debit\", "
            "\"tax deductible\", fee, \"deposit / credit\", balance) VALUES ";
        // Each case: its name, our deletions of row 1 (none: an update of row 2), and their write.
        const std::tuple<const char*, int, std::string> cases[] = {
            {"an empty row inserted after the updated one", 0,
             insert + "(3, 'Theirs', 0, 0, 0, 0, (SELECT balance FROM Ledger WHERE rowid = 2))"},
            {"rowids renumbered", 1, "VACUUM"},
            {"every row deleted, two imported", 4,
             "DELETE FROM Ledger; " + insert
                 + "(1024, 'Opening', 0, 0, 0, 0, 50000), (2048, 'Rent', 20000, 0, 0, 0, 30000)"},
        };
        for (const auto& [name, deletions, theirs] : cases) {
            for (int variant : {0, 1, 2}) { // undo refused, redo refused, our next change comes first
                const bool redoing = variant == 1;
                TestLedger ledger;
                const std::string path = ledger.path();
                ledger.append(paymentRows(4));
                ledger.exec("UPDATE Ledger SET rowid = rowid * 2 WHERE rowid > 2"); // room for theirs at 3
                for (int k = 0; k < deletions; ++k)
                    onCursor(path, DeleteAndRebalance, 1);
                if (!deletions)
                    updateRow(path, 2, "50");
                if (redoing)
                    undo(path);
                ledger.exec(theirs);
                const FileTable changed = fileTable(path);
                for (int attempt = 0; attempt < (variant == 2 ? 0 : 2); ++attempt) { // the second finds none
                    const QByteArray said = refusal(*LedgerConnection::open(path), redoing && attempt == 0);
                    QVERIFY2(said.startsWith(since) && fileTable(path) == changed, name);
                    QVERIFY2(!history.undoCount() && !history.redoCount(), name);
                }
                addRow(path, 7);
                QVERIFY2(undo(path) && fileTable(path) == changed && balancesFollowRule(ledger.rows()), name);
                REFUSES(undo(path), Kind::NotUndoable);
            }
        }
    }

    // Finish, Postpone and an adjustment are one change each, and the marks an insertion carried, an Update
    // dropped and a Delete removed come back exactly with the ledger on undo and go again on redo.
    void reconciliationUndoesExactly()
    {
        ChangeHistory& history = ChangeHistory::instance();
        TestLedger ledger;
        const std::string path = fill(ledger, 40); // rowids 1 .. 20 packed, then 63, 66, ...
        const auto state = [&] { return std::pair(fileTable(path), storedMarks(path)); };
        const auto finish = [&] {
            auto connection = LedgerConnection::open(path);
            const ReconciliationView view = readReconciliation(*connection);
            Money ending = view.startingBalance();
            for (std::size_t k = 0; k < 5; ++k) // rowids 2 .. 6
                ending += view.unreconciled[k].inflow - view.unreconciled[k].outflow;
            finishReconciliation(*connection, {2, 3, 4, 5, 6}, {2020, 1, 9}, ending, {2020, 2, 1},
                                 view.counter);
        };
        const auto postpone = [&] {
            postponeReconciliation(*LedgerConnection::open(path), {8, 9, 10, 63},
                                   {LedgerDate{2020, 2, 9}, Money::parse("12.5")}, {});
        };
        const auto adjust = [&] {
            appendBalanceAdjustment(*LedgerConnection::open(path), {2020, 2, 9}, Money::parse("-3"), {});
        };
        const std::pair<std::function<void()>, std::string> changes[] = {
            {finish, "Finish of Reconciliation"},
            {postpone, "Postpone of Reconciliation"},
            {[&] { onCursor(path, InsertPlaceholderAfter, 7); }, "Insert after row 7"}, // moves 8 .. 20
            {[&] { updateRow(path, 10, "3"); },
             "Update of row 10"}, // the row of rowid 9 first, its mark dropped
            {[&] { onCursor(path, DeleteAndRebalance, 9); }, "Delete of row 9"},
            {adjust, "Balance adjustment"},
        };
        std::vector<std::pair<FileTable, QStringList>> states{state()};
        for (const auto& [change, name] : changes) {
            change();
            states.push_back(state());
            QCOMPARE(history.nextUndo(path).value_or("-"), name);
        }
        QCOMPARE(markLetters(path).substr(0, 12), std::string("yyyyyynnncnn"));
        QCOMPARE(markLetters(path).back(), 'c');
        QCOMPARE(states[2].second.size(), 11); // five reconciled, four cleared, a statement, the draft
        for (std::size_t k = states.size() - 1; k > 0; --k)
            QVERIFY2(undo(path) && state() == states[k - 1], changes[k - 1].second.c_str());
        for (std::size_t k = 1; k < states.size(); ++k)
            QVERIFY2(undo(path, true) && state() == states[k], changes[k - 1].second.c_str());
        // Another program's write, to the marks alone: undo refuses and writes nothing.
        ledger.exec("UPDATE ReconcileDraft SET \"ending balance\" = 0");
        const auto changed = state();
        QVERIFY(refusal(*LedgerConnection::open(path), false).startsWith("Another program"));
        QVERIFY(state() == changed && !history.undoCount());
    }

    // A ledger another program left in write-ahead logging goes back to the rollback journal when it is
    // opened, and a change then undoes. While that program still has the file open, the mode stays, every
    // change is refused in one sentence and nothing is written, until it lets go.
    void walLedgerGoesBackToRollbackJournal()
    {
        TestLedger ledger;
        const std::string path = fill(ledger, 10);
        const auto mode = [&path] { return firstColumn(path, "PRAGMA journal_mode").value(0); };
        sqlite3* theirs = nullptr;
        sqlite3_open(path.c_str(), &theirs);
        sqlite3_exec(theirs, "PRAGMA journal_mode = WAL; SELECT count(*) FROM Ledger", nullptr, nullptr,
                     nullptr);
        const FileTable before = fileTable(path);
        QVERIFY(LedgerConnection::open(path)->journalRefusal().value_or("").starts_with(
            "The ledger file \"" + path
            + "\" is kept in the journal mode \"wal\" and could not be switched"));
        REFUSES(addRow(path, 5), Kind::Locked);
        QVERIFY(fileTable(path) == before && mode() == "wal");
        sqlite3_close(theirs);
        addRow(path, 5);
        QCOMPARE(mode(), QString("delete"));
        QVERIFY(undo(path) && fileTable(path) == before);
    }

    // A change whose nested recomputation rolled back records only the rows that stayed changed.
    void rolledBackRowsAreNotRecorded()
    {
        TestLedger ledger;
        fill(ledger, 10);
        const FileTable before = fileTable(ledger.path());
        ledger.exec("CREATE TRIGGER fail BEFORE UPDATE ON Ledger "
                    "BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
        RecordCursor cursor(ledger.path());
        {
            Transaction transaction(cursor.connection());
            cursor.Move(3);
            cursor.Delete();
            REFUSES(RecomputeBalances(cursor), Kind::Engine);
            transaction.commit();
        }
        QVERIFY(ChangeHistory::instance().nextUndo(ledger.path()) == "Delete of row 4");
        QVERIFY(undo(ledger.path()) == 4 && fileTable(ledger.path()) == before);
    }

    // An I/O error at each file operation of the undo and the redo of every kind of change, once or from then
    // on: the call reports the store's sentence, the table and both stacks stay as they were, and the same
    // call then succeeds.
    void undoFailsAtEveryFileOperation()
    {
        ChangeHistory& history = ChangeHistory::instance();
        FaultInjectingVfs& vfs = FaultInjectingVfs::install();
        for (const auto& [name, change, foreign] : kChanges) {
            TestLedger ledger;
            const std::string path = fill(ledger, 200);
            const FileTable before = fileTable(path);
            change(path);
            const FileTable after = fileTable(path);
            for (bool undoing : {true, false}) {
                const auto apply = [&](bool forward) { return undo(path, forward != undoing); };
                vfs.startCounting();
                QVERIFY(apply(true));
                vfs.stop();
                const int operations = vfs.count();
                qInfo("%s, %s: %d file operations", name, undoing ? "undo" : "redo", operations);
                QVERIFY(operations > 3 && apply(false));
                for (int at = 1; at <= operations; ++at) {
                    for (FileFault fault : {FileFault::TransientError, FileFault::PersistentError}) {
                        const QByteArray where = QByteArray(name) + (undoing ? ", undo" : ", redo")
                                                 + ", operation " + QByteArray::number(at)
                                                 + (fault == FileFault::PersistentError ? " on" : "");
                        auto connection = LedgerConnection::open(path);
                        vfs.arm(fault, at, SQLITE_IOERR_WRITE);
                        QVERIFY2(!refusal(*connection, !undoing, Kind::FileAccess).isEmpty(), where);
                        vfs.stop();
                        connection.reset();
                        QVERIFY2(fileTable(path) == (undoing ? after : before), where);
                        QVERIFY2(history.undoCount() == undoing && history.redoCount() == !undoing, where);
                    }
                }
                QVERIFY(apply(true) && fileTable(path) == (undoing ? before : after));
            }
        }
    }

    // Past the count or the memory bound the oldest changes go, and undo then says so; a recomputation keeps
    // at most 32 bytes a changed row.
    void historyIsBounded()
    {
        ChangeHistory& history = ChangeHistory::instance();
        TestLedger ledger;
        const std::string path = fill(ledger, 2000);
        updateRow(path, 2, "1");
        const double perRow = double(history.bytes()) / 1999; // each row after the second changed
        QVERIFY2(perRow <= 32, QByteArray::number(perRow));
        history.setLimits(3, history.bytes() * 2);
        std::vector<FileTable> tables{fileTable(path)};
        for (int k = 1; k <= 4; ++k) {
            addRow(path, k);
            tables.push_back(fileTable(path));
        }
        QVERIFY(history.undoCount() == 3 && history.droppedEarlier(path));
        for (int k = 3; k >= 1; --k)
            QVERIFY(undo(path) && fileTable(path) == tables[std::size_t(k)]);
        REFUSES(undo(path), Kind::NotUndoable);
        QVERIFY(fileTable(path) == tables[1] && history.redoCount() == 3);
        history.setLimits(100, 1000); // a change too large to keep leaves nothing to undo
        updateRow(path, 2, "2");
        QVERIFY(history.undoCount() == 0 && history.redoCount() == 0 && history.droppedEarlier(path));
        REFUSES(undo(path), Kind::NotUndoable);
    }

    // The history belongs to one file: another path, or another file put in its place, finds nothing.
    void historyBelongsToItsFile()
    {
        ChangeHistory& history = ChangeHistory::instance();
        TestLedger first, second;
        fill(first, 5);
        fill(second, 5);
        addRow(first.path(), 1);
        QVERIFY(!history.nextUndo(second.path()) && !undo(second.path()) && history.nextUndo(first.path()));
        addRow(second.path(), 2); // a change to another file starts a new history
        QVERIFY(!history.nextUndo(first.path()) && history.undoCount() == 1);
        const QString path = QString::fromStdString(second.path());
        const QString copy = path + ".copy";
        QVERIFY(QFile::copy(path, copy) && QFile::remove(path) && QFile::rename(copy, path));
        QVERIFY(!history.nextUndo(second.path()) && !undo(second.path()));
    }
};

QTEST_GUILESS_MAIN(HistoryTest)
#include "HistoryTest.moc"
