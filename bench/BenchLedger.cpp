#include "BenchLedger.h"

#include "LedgerFile.h"
#include "RecomputeBalances.h"
#include "RecordCursor.h"
#include "RowCodec.h"

#include <sys/resource.h>

#include <chrono>
#include <fstream>

namespace tallowick::bench {

void fillLedger(const std::string& path, long long rows, long long rowidStep)
{
    auto connection = LedgerConnection::open(path);
    Transaction transaction(*connection);
    execute(connection->db(),
            "INSERT INTO Ledger (rowid, \"number\", \"date\", \"description of transaction\", "
            "\"payment / debit\", \"tax deductible\", fee, \"deposit / credit\", balance) "
            "VALUES (1, NULL, NULL, 'Initial Balance', 0, 0, 0, 0, 25000000)");
    Statement fill(connection->db(), R"sql(
        WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < ?1)
        INSERT INTO Ledger (rowid, "number", "date", "description of transaction", "payment / debit",
                            "tax deductible", fee, "deposit / credit", balance)
        SELECT 1 + (i - 1) * ?2,
               CASE WHEN i % 5 = 0 THEN NULL ELSE 1000 + i END,
               date('2015-01-01', '+' || (i / 40) || ' days'),
               CASE i % 4 WHEN 0 THEN 'Paycheck deposit'
                          WHEN 1 THEN 'Groceries, Market Street store #' || (i % 97)
                          WHEN 2 THEN 'Electric company, monthly bill' ELSE 'Check to landlord' END,
               CASE WHEN i % 5 = 0 THEN 0 ELSE (i % 300) * 1250 + 99 END,
               i % 7 = 0,
               CASE WHEN i % 50 = 0 THEN 25000 ELSE 0 END,
               CASE WHEN i % 5 = 0 THEN 1500000 + (i % 13) * 10000 ELSE 0 END,
               0
        FROM n)sql");
    fill.bind(1, std::int64_t(rows)).bind(2, std::int64_t(rowidStep));
    fill.run();
    transaction.commit();
    connection.reset();
    RecordCursor cursor(path);
    RecomputeBalances(cursor);
}

double rebalanceWithOneStatement(const std::string& path)
{
    auto connection = LedgerConnection::open(path);
    const auto start = std::chrono::steady_clock::now();
    Transaction transaction(*connection);
    execute(connection->db(), R"sql(
        UPDATE Ledger SET balance = running.balance
        FROM (SELECT rowid AS id,
                     first_value(balance) OVER win
                       + sum(CASE WHEN rowid = (SELECT min(rowid) FROM Ledger) THEN 0
                                  ELSE "deposit / credit" - "payment / debit" - fee END) OVER win AS balance
              FROM Ledger WINDOW win AS (ORDER BY rowid ROWS UNBOUNDED PRECEDING)) AS running
        WHERE Ledger.rowid = running.id)sql");
    transaction.commit();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double shiftWithOneStatement(const std::string& path)
{
    auto connection = LedgerConnection::open(path);
    const auto start = std::chrono::steady_clock::now();
    connection->begin();
    execute(connection->db(), R"sql(
        UPDATE Ledger SET ("number", "date", "description of transaction", "payment / debit",
                           "tax deductible", fee, "deposit / credit", balance) =
                          (before.n, before.d, before.t, before.p, before.x, before.f, before.c, before.b)
        FROM (SELECT rowid AS id, lag("number") OVER win AS n, lag("date") OVER win AS d,
                     lag("description of transaction") OVER win AS t, lag("payment / debit") OVER win AS p,
                     lag("tax deductible") OVER win AS x, lag(fee) OVER win AS f,
                     lag("deposit / credit") OVER win AS c, lag(balance) OVER win AS b
              FROM Ledger WINDOW win AS (ORDER BY rowid)) AS before
        WHERE Ledger.rowid = before.id
          AND before.id > (SELECT rowid FROM Ledger ORDER BY rowid LIMIT 1 OFFSET 1))sql");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    connection->rollback();
    return seconds;
}

double selectEveryRow(const std::string& path)
{
    auto connection = LedgerConnection::open(path);
    const auto start = std::chrono::steady_clock::now();
    Statement all(connection->db(), std::string("SELECT ") + kRowColumnsSql + " FROM Ledger ORDER BY rowid");
    while (all.step()) {}
    all.reset();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void spoilBalances(const std::string& path)
{
    auto connection = LedgerConnection::open(path);
    execute(connection->db(),
            "UPDATE Ledger SET balance = balance + 1 WHERE rowid > (SELECT min(rowid) FROM Ledger)");
}

double peakMemoryMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

double currentMemoryMiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kib = 0;
            status >> kib;
            return kib / 1024.0;
        }
        std::getline(status, key);
    }
    return 0;
}

} // namespace tallowick::bench
