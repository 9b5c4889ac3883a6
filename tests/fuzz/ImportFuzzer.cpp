// libFuzzer target: a CSV file from elsewhere, imported whole into an empty ledger. Only the store's
// refusal may escape the import. A refused file leaves the ledger empty; an accepted one leaves a sound
// table that follows the running-balance rule, whose own export imports to the same table.
#include "LedgerExport.h"
#include "LedgerFile.h"
#include "LedgerImport.h"
#include "StoreError.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

using namespace tallowick;

namespace {

// A finding: libFuzzer keeps the input that led here.
void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "ImportFuzzer: %s\n", what);
        std::abort();
    }
}

// One ledger for the whole run, in memory where the system has it (the store syncs every commit), open
// on one connection: opening does not depend on the input, and would be half of each run. Every input
// meets it empty, as a new ledger is.
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
    }
    ~Workspace()
    {
        connection.reset();
        std::filesystem::remove_all(folder);
    }
    sqlite3* db() const { return connection->db(); }
};

// The first value the engine alone gives for `sql`, so that no check shares the store's code.
std::string firstValue(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* statement = nullptr;
    require(sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK, sql.c_str());
    std::string value;
    if (sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0))
        value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    return value;
}

void checkStored(sqlite3* db, const ImportSummary& summary)
{
    require(firstValue(db, "PRAGMA integrity_check") == "ok", "the engine's integrity check fails");
    require(firstValue(db, "SELECT count(*) FROM Ledger") == std::to_string(summary.rows),
            "the summary's row count is not the table's");
    require(firstValue(db, R"sql(SELECT count(*) FROM (
                SELECT balance, (lag(balance) OVER (ORDER BY rowid)) - "payment / debit" - fee
                                + "deposit / credit" AS ruled FROM Ledger)
                WHERE ruled IS NOT NULL AND ruled IS NOT balance)sql")
                == "0",
            "a stored balance breaks the running-balance rule");
    require(summary.balancesDiffering <= summary.rows, "more balances differ than there are rows");
    if (summary.balancesDiffering > 0)
        require(summary.fileBalance != summary.storedBalance
                    && summary.firstDifferingLine > summary.firstDifferingPosition
                    && firstValue(db, "SELECT balance FROM Ledger ORDER BY rowid LIMIT 1 OFFSET "
                                          + std::to_string(summary.firstDifferingPosition - 1))
                           == std::to_string(summary.storedBalance.tenThousandths()),
                "the first differing balance is not where the summary says");
}

std::string exported(LedgerConnection& connection)
{
    std::ostringstream out;
    exportCsv(connection, ExportChoice(), out);
    return out.str();
}

void empty(sqlite3* db)
{
    require(sqlite3_exec(db, "DELETE FROM Ledger", nullptr, nullptr, nullptr) == SQLITE_OK, "rows stay");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const Workspace space;
    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    ImportSummary summary;
    try {
        summary = importCsv(*space.connection, input);
    } catch (const StoreError&) {
        require(sqlite3_get_autocommit(space.db())
                    && firstValue(space.db(), "SELECT count(*) FROM Ledger") == "0",
                "a refused import left rows or its transaction");
        return 0;
    }
    checkStored(space.db(), summary);

    // A StoreError from here on escapes: the program's own export must always be read back.
    const std::string ownExport = exported(*space.connection);
    empty(space.db());
    std::istringstream again(ownExport);
    importCsv(*space.connection, again);
    require(exported(*space.connection) == ownExport,
            "the imported table's own export imports to another table");
    empty(space.db());
    return 0;
}
