// libFuzzer target: a CSV file from elsewhere, imported whole into a fresh ledger. Only the store's
// refusal may escape the import. A refused file leaves the ledger as it was; an accepted one leaves a
// sound table that follows the running-balance rule, whose own export imports to the same table.
#include "LedgerExport.h"
#include "LedgerFile.h"
#include "LedgerImport.h"
#include "StoreError.h"

#include <sqlite3.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

std::string readFile(const std::string& path)
{
    std::string bytes(std::filesystem::file_size(path), '\0');
    const int file = open(path.c_str(), O_RDONLY);
    require(file >= 0 && read(file, bytes.data(), bytes.size()) == ssize_t(bytes.size()) && close(file) == 0,
            "a file in the temporary folder could not be read");
    return bytes;
}

void writeFile(const std::string& path, std::string_view bytes)
{
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    require(file >= 0 && write(file, bytes.data(), bytes.size()) == ssize_t(bytes.size()) && close(file) == 0,
            "a file in the temporary folder could not be written");
}

// One folder for the whole run, in memory where the system has it: the store syncs every commit.
// A fresh ledger per input is the bytes of one made at the start.
struct Workspace {
    std::filesystem::path folder;
    std::string csv, ledger, emptyLedger;

    Workspace()
    {
        std::string pattern =
            std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : P_tmpdir) + "/tallowick-fuzz-XXXXXX";
        require(mkdtemp(pattern.data()) != nullptr, "no temporary folder");
        folder = pattern;
        csv = folder / "input.csv";
        ledger = folder / kLedgerFileName;
        createLedgerFile(ledger);
        emptyLedger = readFile(ledger);
    }
    ~Workspace() { std::filesystem::remove_all(folder); }
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

void checkStored(const std::string& ledger, const ImportSummary& summary)
{
    sqlite3* db = nullptr;
    require(sqlite3_open_v2(ledger.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK, "no ledger");
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
    sqlite3_close(db);
}

std::string exported(const std::string& ledger)
{
    std::ostringstream out;
    exportCsv(*LedgerConnection::open(ledger), ExportChoice(), out);
    return out.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const Workspace space;
    static bool ledgerEmpty = false; // the file is byte for byte the empty ledger
    writeFile(space.csv, {reinterpret_cast<const char*>(data), size});
    if (!ledgerEmpty)
        writeFile(space.ledger, space.emptyLedger);
    ImportSummary summary;
    try {
        summary = importCsvFile(space.csv, space.ledger);
    } catch (const StoreError&) {
        require(readFile(space.ledger) == space.emptyLedger, "a refused import changed the ledger");
        ledgerEmpty = true;
        return 0;
    }
    ledgerEmpty = false;
    checkStored(space.ledger, summary);

    // A StoreError from here on escapes: the program's own export must always be read back.
    const std::string ownExport = exported(space.ledger);
    writeFile(space.csv, ownExport);
    writeFile(space.ledger, space.emptyLedger);
    importCsvFile(space.csv, space.ledger);
    require(exported(space.ledger) == ownExport, "the imported table's own export imports to another table");
    return 0;
}
