// libFuzzer target: a bank's statement file from elsewhere, read through libofx and imported into a
// ledger of one opening row. Only the store's refusal may escape. A refused import leaves the ledger
// as it was; an accepted one leaves a sound table that follows the running-balance rule, with one new
// row per transaction added, and importing the same bytes again adds and matches nothing.
#include "LedgerFile.h"
#include "OfxStatement.h"
#include "StoreError.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

using namespace tallowick;

namespace {

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "OfxImportFuzzer: %s\n", what);
        std::abort();
    }
}

long long count(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    require(sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK, sql);
    const long long value = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
    sqlite3_finalize(statement);
    return value;
}

// One ledger for the whole run, in memory where the system has it; every input meets it holding its
// opening row alone, as a user's first statement does.
struct Workspace {
    std::filesystem::path folder;
    std::unique_ptr<LedgerConnection> connection;

    Workspace()
    {
        std::string pattern =
            std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : P_tmpdir) + "/tallowick-fuzz-XXXXXX";
        require(mkdtemp(pattern.data()) != nullptr, "no temporary folder");
        folder = pattern;
        const std::string ledger = folder / kLedgerFileName;
        createLedgerFile(ledger);
        connection = LedgerConnection::open(ledger);
        run("INSERT INTO Ledger VALUES (NULL, '2009-01-01', 'Initial Balance', 0, 0, 0, 0, 10000000)");
    }
    ~Workspace()
    {
        connection.reset();
        std::filesystem::remove_all(folder);
    }
    void run(const char* sql) const
    {
        require(sqlite3_exec(db(), sql, nullptr, nullptr, nullptr) == SQLITE_OK, sql);
    }
    void reset() const
    {
        run("DELETE FROM Ledger WHERE rowid > (SELECT min(rowid) FROM Ledger)");
        run("DROP TABLE IF EXISTS ReconcileMark; DROP TABLE IF EXISTS ReconcileStatement; "
            "DROP TABLE IF EXISTS ReconcileDraft; DROP TABLE IF EXISTS ReconcileStamp");
    }
    sqlite3* db() const { return connection->db(); }
};

StatementResult importAll(LedgerConnection& connection, const std::vector<StatementTransaction>& transactions)
{
    Transaction transaction(connection);
    const StatementProposal proposal = proposeStatement(connection, transactions);
    require(proposal.decisions.size() == transactions.size(), "a transaction without a proposal");
    StatementResult result = importStatement(connection, transactions, proposal.decisions, std::nullopt);
    transaction.commit();
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const Workspace space;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    OfxFile file;
    const OfxAccountStatement* account = nullptr;
    try {
        file = readOfxFile(bytes, "input");
        account = &chooseAccount(file, "", "input");
    } catch (const StoreError&) {
        return 0;
    }
    for (const StatementTransaction& transaction : account->transactions)
        require(transaction.description.size() <= 4 * 255 && transaction.fitid.size() <= 4 * 255,
                "a text longer than the ledger keeps");
    StatementResult first;
    try {
        first = importAll(*space.connection, account->transactions);
    } catch (const StoreError&) {
        require(sqlite3_get_autocommit(space.db()) && count(space.db(), "SELECT count(*) FROM Ledger") == 1,
                "a refused import left rows or its transaction");
        space.reset();
        return 0;
    }
    require(count(space.db(), "SELECT count(*) FROM pragma_quick_check WHERE quick_check <> 'ok'") == 0,
            "the engine's check fails");
    require(count(space.db(), "SELECT count(*) FROM Ledger") == 1 + first.added, "a new row went missing");
    require(count(space.db(), R"sql(SELECT count(*) FROM (
                SELECT balance, (lag(balance) OVER (ORDER BY rowid)) - "payment / debit" - fee
                                + "deposit / credit" AS ruled FROM Ledger)
                WHERE ruled IS NOT NULL AND ruled IS NOT balance)sql")
                == 0,
            "a stored balance breaks the running-balance rule");
    require(count(space.db(), "SELECT count(*) FROM Ledger JOIN ReconcileMark ON Ledger.rowid = "
                              "\"ledger rowid\" WHERE \"status\" = 1")
                == first.added + first.matched,
            "a row the import stored is not cleared");

    const StatementResult again = importAll(*space.connection, account->transactions);
    require(again.added == 0 && again.matched == 0, "the same statement imported twice adds or matches rows");
    space.reset();
    return 0;
}
