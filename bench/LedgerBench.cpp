// Times the ledger's actions on 10,000, 100,000 and 1,000,000 rows through
// the windows and store calls the program uses, beside the engine's own limit
// for rebalancing. Prints a table and writes bench-results/bench.csv.
#include "BenchLedger.h"

#include "ChangeHistory.h"
#include "Form3.h"
#include "InsertRow.h"
#include "LedgerChanges.h"
#include "LedgerFile.h"
#include "LedgerRecordset.h"
#include "Module1.h"
#include "RecomputeBalances.h"
#include "Reconciliation.h"
#include "ReconcileListModel.h"
#include "RecordCursor.h"
#include "RegisterWindows.h"
#include "RowCodec.h"
#include "StatementImport.h"
#include "WindowRegistry.h"
#include "frmFind.h"
#include "frmLedger.h"
#include "frmReconcile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace tallowick;

namespace {

struct Figure {
    std::string operation;
    long long rows = 0;
    double medianMs = 0;
    double limitMs = 0; // the one-statement rebalance on the same data, where it applies
    double peakMiB = 0;
    std::string note;
};

std::vector<Figure> figures;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs `prepare` untimed and `work` timed, `runs` times; returns the median in ms.
double timeIt(int runs, const std::function<void()>& prepare, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        prepare();
        QElapsedTimer clock;
        clock.start();
        work();
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return median(times);
}

void record(const std::string& operation, long long rows, double ms, double limitMs = 0,
            std::string note = {})
{
    figures.push_back({operation, rows, ms, limitMs, bench::peakMemoryMiB(), std::move(note)});
    const Figure& f = figures.back();
    std::printf("%-42s %9lld %11.1f", f.operation.c_str(), f.rows, f.medianMs);
    if (f.limitMs > 0)
        std::printf(" %8.2fx", f.medianMs / f.limitMs);
    else
        std::printf("          ");
    std::printf(" %9.1f  %s\n", f.peakMiB, f.note.c_str());
    std::fflush(stdout);
}

void settle()
{
    WindowRegistry::instance().endProgram();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

template <class Done> void waitUntil(Done done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void updateRow(const std::string& path, std::int64_t position, const std::string& payment)
{
    // What the editor's "Update" does with the row under its cursor.
    RecordCursor cursor(path);
    cursor.MoveFirst();
    cursor.Move(position - 1);
    cursor.Edit();
    cursor.SetField("payment / debit", payment);
    UpdateAndRebalance(cursor);
}

// A bank's statement of `count` transactions for the ledger: `matched` checks with the number and amount
// of the last numbered rows, then new ones, each dated after every row so that none matches by amount.
std::vector<StatementTransaction> statementFor(const std::string& path, int count, int matched)
{
    auto connection = LedgerConnection::open(path);
    std::vector<StatementTransaction> statement;
    Statement checks(
        connection->db(),
        "SELECT \"number\", \"date\", \"deposit / credit\" - \"payment / debit\" - fee FROM Ledger "
        "WHERE \"number\" IS NOT NULL ORDER BY rowid DESC LIMIT ?1");
    checks.bind(1, std::int64_t(matched));
    while (checks.step())
        statement.push_back({LedgerDate::fromIso(checks.textView(1)),
                             Money::fromTenThousandths(checks.integer(2)), false, checks.integer(0), "Check",
                             "M" + std::to_string(statement.size())});
    checks.reset();
    Statement last(connection->db(), "SELECT max(\"date\") FROM Ledger");
    last.step();
    const LedgerDate lastDay = LedgerDate::fromIso(last.textView(0));
    last.reset();
    using namespace std::chrono;
    const sys_days after =
        sys_days(year(lastDay.year) / month(unsigned(lastDay.month)) / day(unsigned(lastDay.day)));
    for (int k = int(statement.size()); k < count; ++k) {
        const year_month_day date{after + days(8 + k / 40)};
        const bool deposit = k % 5 == 0;
        const std::int64_t amount = deposit ? 1500000 + (k % 13) * 10000 : -((k % 300) * 1250 + 137);
        statement.push_back(
            {LedgerDate{int(date.year()), int(unsigned(date.month())), int(unsigned(date.day()))},
             Money::fromTenThousandths(amount), !deposit && k % 50 == 0, std::nullopt,
             "Card payment, store #" + std::to_string(k % 97), "N" + std::to_string(k)});
    }
    return statement;
}

// The engine's own insertion of the rows a statement adds: one prepared INSERT run for each, in one
// transaction, committed; the rows are then deleted, untimed. Returns milliseconds.
double insertInOneTransaction(const std::string& path, const std::vector<StatementTransaction>& statement)
{
    auto connection = LedgerConnection::open(path);
    sqlite3* db = connection->db();
    Statement last(db, "SELECT rowid, balance FROM Ledger ORDER BY rowid DESC LIMIT 1");
    last.step();
    const std::int64_t lastRowid = last.integer(0);
    Money running = Money::fromTenThousandths(last.integer(1));
    last.reset();
    std::vector<LedgerRow> rows;
    for (const StatementTransaction& transaction : statement) {
        rows.push_back(statementRow(transaction));
        running = running - rows.back().payment - rows.back().fee + rows.back().deposit;
        rows.back().balance = running;
    }
    QElapsedTimer clock;
    clock.start();
    execute(db, "BEGIN IMMEDIATE");
    Statement insert(db, std::string("INSERT INTO Ledger (rowid, ") + kRowColumnsSql
                             + ") VALUES (?9, ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    std::int64_t rowid = lastRowid;
    for (const LedgerRow& row : rows) {
        bindRow(insert, row, 1);
        insert.bind(9, rowid += kRowidStep).run();
    }
    execute(db, "COMMIT");
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    Statement drop(db, "DELETE FROM Ledger WHERE rowid > ?1");
    drop.bind(1, lastRowid).run();
    return ms;
}

void benchmark(long long rows, int runs)
{
    QTemporaryDir folder;
    Module1::setInstallFolder(folder.path());
    const std::string path = Module1::ledgerPath();
    createLedgerFile(path);
    QElapsedTimer build;
    build.start();
    bench::fillLedger(path, rows, kRowidStep);
    std::printf("-- built %lld rows in %.1f s\n", rows, double(build.elapsed()) / 1000.0);
    execute(LedgerConnection::open(path)->db(),
            "UPDATE Ledger SET \"description of transaction\" = 'Plumber, emergency call' "
            "WHERE rowid = (SELECT max(rowid) FROM Ledger)");
    ChangeHistory::instance().clear(); // each size starts, as the program does, with no history

    auto& registry = WindowRegistry::instance();
    const auto noPrep = [] {};

    // The engine's limit: every balance rewritten by one statement.
    std::vector<double> limits;
    for (int run = 0; run < runs; ++run)
        limits.push_back(bench::rebalanceWithOneStatement(path) * 1000.0);
    const double limitMs = median(limits);
    record("limit: one-statement rebalance", rows, limitMs, limitMs);

    // Opening the ledger window until its last row is current.
    double openedDeltaMiB = 0;
    const double open = timeIt(runs, settle, [&] {
        const double before = bench::currentMemoryMiB();
        auto* ledger = registry.Show<frmLedger>(QStringLiteral("frmLedger"));
        ledger->Timer1->setInterval(0); // the design's 100 ms wait is not work
        waitUntil(
            [&] { return !ledger->Timer1->isActive() && ledger->datPrimaryRS->AbsolutePosition() == rows; });
        openedDeltaMiB = std::max(openedDeltaMiB, bench::currentMemoryMiB() - before);
    });
    char note[64];
    std::snprintf(note, sizeof note, "+%.1f MiB resident", openedDeltaMiB);
    record("open ledger window, last row current", rows, open, 0, note);

    // Find Next from the first row, through the Find window beside the open
    // ledger window, against the engine's own reading of every row; the two
    // take turns, so that both meet the same load of the machine.
    auto* ledger = registry.Show<frmLedger>(QStringLiteral("frmLedger"));
    auto* find = frmFind::ShowBeside(ledger);
    const struct {
        const char* operation;
        const char* text;
        long long found; // 0: found nowhere
    } searches[]{{"Find Next: a word in the last row only", "plumber", rows},
                 {"Find Next: a word found nowhere", "Nowhere Inc", 0},
                 {"Find Next: an amount found nowhere", "$0.07", 0},
                 {"Find Next: digits nowhere (every field)", "0000000", 0}};
    std::vector<double> scans;
    std::vector<std::vector<double>> finds(std::size(searches));
    std::vector<bool> right(std::size(searches), true);
    for (int run = 0; run < runs; ++run) {
        scans.push_back(bench::selectEveryRow(path) * 1000.0);
        for (std::size_t k = 0; k < std::size(searches); ++k) {
            find->Text1->setText(QString::fromLatin1(searches[k].text));
            ledger->datPrimaryRS->MoveTo(1);
            QElapsedTimer clock;
            clock.start();
            find->Command1->click();
            finds[k].push_back(double(clock.nsecsElapsed()) / 1e6);
            right[k] = right[k]
                       && (searches[k].found ? ledger->datPrimaryRS->AbsolutePosition() == searches[k].found
                                             : find->Label2->text() == QLatin1String("Not found"));
        }
    }
    const double scanMs = median(scans);
    record("limit: one SELECT of every row", rows, scanMs, scanMs);
    for (std::size_t k = 0; k < std::size(searches); ++k)
        record(searches[k].operation, rows, median(finds[k]), scanMs,
               right[k] ? "x = beside the SELECT" : "WRONG RESULT");
    settle();

    // The Reconcile window on a ledger never reconciled (every row listed) until its list is drawn,
    // against one SELECT of every row, taking turns; then what one tick costs with its totals shown.
    // A statement date after every row, as a postponed reconciliation keeps it, lists them all.
    postponeReconciliation(*LedgerConnection::open(path), {}, ReconcileDraft{LedgerDate{9999, 12, 31}, {}},
                           std::nullopt);
    std::vector<double> reconcileOpens, reconcileScans;
    for (int run = 0; run < runs; ++run) {
        reconcileScans.push_back(bench::selectEveryRow(path) * 1000.0);
        QElapsedTimer clock;
        clock.start();
        auto* reconcile = registry.Show<frmReconcile>(QStringLiteral("frmReconcile"));
        reconcile->grdRows->repaint();
        reconcileOpens.push_back(double(clock.nsecsElapsed()) / 1e6);
        registry.Unload(QStringLiteral("frmReconcile"));
        settle();
    }
    const double reconcileScanMs = median(reconcileScans);
    auto* reconcile = registry.Show<frmReconcile>(QStringLiteral("frmReconcile"));
    const bool allListed = reconcile->model()->rowCount() == rows - 1; // all but the opening row
    record("limit: one SELECT of every row", rows, reconcileScanMs, reconcileScanMs);
    record("open Reconcile window, every row listed", rows, median(reconcileOpens), reconcileScanMs,
           allListed ? "x = beside the SELECT" : "WRONG RESULT");
    constexpr int kTicks = 10000;
    const int ticked = std::max(1, std::min(64, reconcile->model()->rowCount())); // the rows ticked in turn
    const double ticksMs = timeIt(runs, noPrep, [&] {
        for (int k = 0; k < kTicks; ++k)
            reconcile->model()->toggle(k % ticked);
    });
    std::snprintf(note, sizeof note, "%.2f us a tick", ticksMs * 1000.0 / kTicks);
    record("Reconcile: 10,000 ticks, totals shown", rows, ticksMs, 0, note);
    registry.Unload(QStringLiteral("frmReconcile"));
    settle();

    record("RecomputeBalances, all balances wrong", rows,
           timeIt(
               runs, [&] { bench::spoilBalances(path); },
               [&] {
                   RecordCursor cursor(path);
                   RecomputeBalances(cursor);
               }),
           limitMs);
    record("RecomputeBalances, all balances right", rows, timeIt(runs, noPrep, [&] {
               RecordCursor cursor(path);
               RecomputeBalances(cursor);
           }));

    int flip = 0;
    // A new amount each time, so that every run changes every later balance.
    const auto updateRowTwo = [&] { updateRow(path, 2, std::to_string(++flip) + ".25"); };
    const double updateMs = timeIt(runs, noPrep, updateRowTwo);
    record("update row 2 + recompute", rows, updateMs, limitMs);

    // Undo and redo of that change, their ratio beside the change itself, and the memory the history
    // keeps for it.
    ChangeHistory& history = ChangeHistory::instance();
    const auto undoOrRedo = [&](bool undoing) {
        auto connection = LedgerConnection::open(path);
        undoing ? history.undo(*connection) : history.redo(*connection);
    };
    const auto undo = [&] { undoOrRedo(true); };
    const char* const besideChange = "x = beside the change";
    const double undoMs = timeIt(runs, updateRowTwo, undo);
    record("undo of update row 2 + recompute", rows, undoMs, updateMs, besideChange);
    const auto redo = [&] { undoOrRedo(false); };
    record("redo of update row 2 + recompute", rows, timeIt(runs, undo, redo), updateMs, besideChange);
    history.clear();
    updateRowTwo();
    const auto held = double(history.bytes());
    std::snprintf(note, sizeof note, "%.1f MiB, %.1f bytes a changed row", held / (1 << 20),
                  held / double(rows - 1));
    record("history kept for update row 2 + recompute", rows, 0, 0, note);
    record("update last row + recompute", rows,
           timeIt(runs, noPrep, [&] { updateRow(path, rows, (++flip % 2) ? "12.34" : "43.21"); }));

    record("insert after row 1", rows, timeIt(runs, noPrep, [&] {
               RecordCursor cursor(path);
               InsertPlaceholderAfter(cursor, 1);
           }));

    // The worst case for insertion: rows packed without room between them,
    // so that every later row moves (a ledger written by another program).
    {
        QTemporaryDir denseFolder;
        const std::string densePath =
            QDir(denseFolder.path()).filePath(QStringLiteral("dense.mdb")).toStdString();
        createLedgerFile(densePath);
        bench::fillLedger(densePath, rows, 1);
        std::vector<double> shifts;
        for (int run = 0; run < runs; ++run)
            shifts.push_back(bench::shiftWithOneStatement(densePath) * 1000.0);
        const double shiftMs = median(shifts);
        record("limit: one-statement shift of later rows", rows, shiftMs, shiftMs, "packed rowids");
        record("insert after row 1, packed rowids", rows,
               timeIt(runs, noPrep,
                      [&] {
                          RecordCursor cursor(densePath);
                          InsertPlaceholderAfter(cursor, 1);
                      }),
               shiftMs);
    }
    // The placeholders above have balance 0; put the ledger right again.
    {
        RecordCursor cursor(path);
        RecomputeBalances(cursor);
    }
    record("delete row 1 + recompute", rows,
           timeIt(runs, noPrep,
                  [&] {
                      RecordCursor cursor(path);
                      DeleteAndRebalance(cursor, 1);
                  }),
           limitMs);

    record("add at end", rows, timeIt(runs, noPrep, [&] {
               // What the editor's add mode does: the last balance, then the new row.
               RecordCursor cursor(path);
               cursor.MoveLast();
               const Money last = cursor.CurrentRow().balance;
               cursor.AddNew();
               cursor.SetField("number", "5001");
               cursor.SetField("date", "3/7/2026");
               cursor.SetField("description of transaction", "Hardware store");
               cursor.SetField("payment / debit", "19.99");
               cursor.SetField("tax deductible", std::int64_t(0));
               cursor.SetField("fee", "0");
               cursor.SetField("deposit / credit", "0");
               cursor.SetField("balance", (last - Money::parse("19.99")).plainText());
               cursor.Update();
           }));

    // A statement of 10,000 transactions, 1,000 of them checks typed near the end, proposed and imported
    // as the statement window does, beside the engine inserting the same 10,000 rows in one transaction;
    // the two take turns, and each import is undone before the next run.
    {
        constexpr int kTransactions = 10000, kMatched = 1000;
        const std::vector<StatementTransaction> statement = statementFor(path, kTransactions, kMatched);
        std::vector<double> inserts, imports, undos;
        bool right = true;
        for (int run = 0; run < runs; ++run) {
            inserts.push_back(insertInOneTransaction(path, statement));
            auto connection = LedgerConnection::open(path);
            QElapsedTimer clock;
            clock.start();
            const StatementProposal proposal = proposeStatement(*connection, statement);
            const StatementResult result =
                importStatement(*connection, statement, proposal.decisions, proposal.counter);
            imports.push_back(double(clock.nsecsElapsed()) / 1e6);
            right = right && result.matched == kMatched && result.added == kTransactions - kMatched;
            clock.restart();
            history.undo(*connection);
            undos.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
        const double insertMs = median(inserts), importMs = median(imports);
        record("limit: 10,000 INSERTs in one transaction", rows, insertMs, insertMs);
        record("import statement, 10,000 (1,000 matched)", rows, importMs, insertMs,
               right ? "x = beside the INSERT" : "WRONG RESULT");
        record("undo of that import", rows, median(undos), importMs, besideChange);
    }

    // The editor opening in edit mode on the last row, then ">>" and "<<".
    long long count = 0;
    {
        RecordCursor cursor(path);
        count = cursor.RecordCount();
    }
    Form3* editor = nullptr;
    const double editorOpen = timeIt(runs, settle, [&] {
        Module1::SelectedRowPosition = std::int32_t(count);
        editor = registry.Show<Form3>(QStringLiteral("Form3"));
        editor->Command1->setVisible(false);
        editor->Command3->setVisible(true);
        editor->Timer1->setInterval(0); // the designed waits are not work
        editor->Timer2->setInterval(0);
        waitUntil([&] { return !editor->Timer1->isActive() && !editor->Timer2->isActive(); });
    });
    record("editor opens in edit mode on last row", rows, editorOpen);
    record("editor \">>\"", rows, timeIt(runs, noPrep, [&] { editor->Command7->click(); }));
    record("editor \"<<\"", rows, timeIt(runs, noPrep, [&] { editor->Command4->click(); }));
    settle();

    record("MoveNext walk over every row", rows, timeIt(1, noPrep, [&] {
               RecordCursor cursor(path);
               for (cursor.MoveFirst(); !cursor.IsEOF(); cursor.MoveNext()) {}
           }));
}

} // namespace

int main(int argc, char** argv)
{
    // The offscreen platform's complaints about raising windows are noise here.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type != QtDebugMsg && !message.contains(QLatin1String("does not support")))
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    RegisterWindows();

    std::vector<long long> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoll(argv[i]));
    if (sizes.empty())
        sizes = {10000, 100000, 1000000};

    std::printf("%-42s %9s %11s %9s %9s\n", "operation", "rows", "median ms", "x limit", "peak MiB");
    for (long long rows : sizes)
        benchmark(rows, rows >= 1000000 ? 3 : 5);

    QDir().mkpath(QStringLiteral("bench-results"));
    std::ofstream csv("bench-results/bench.csv");
    csv << "operation,rows,median_ms,ratio_to_limit,peak_mib,note\n";
    for (const Figure& f : figures)
        csv << '"' << f.operation << "\"," << f.rows << ',' << f.medianMs << ','
            << (f.limitMs > 0 ? f.medianMs / f.limitMs : 0.0) << ',' << f.peakMiB << ",\"" << f.note
            << "\"\n";
    std::printf("-- written to bench-results/bench.csv\n");
    return 0;
}
