// Times tallowick-ledger's export, import and check on ledgers of 100,000
// and 1,000,000 rows, each run as its own process, and prints each run's
// wall time and peak resident memory: memory that stays flat from the small
// ledger to the large one shows that the tool streams. The import is timed
// beside the engine's own import of the same rows into the same table: the
// sqlite3 shell's .import of the stored integer form into a staging table,
// then one INSERT ... SELECT, in one transaction.
#include "BenchLedger.h"
#include "ChildRun.h"

#include "LedgerFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace tallowick;
using bench::Run;
using bench::runProgram;

namespace {

Run runTool(const std::vector<std::string>& arguments, const std::string& outputPath)
{
    std::vector<std::string> words{LEDGER_TOOL_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return runProgram(words, outputPath);
}

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// The table as the file stores it (whole numbers of ten-thousandths, ISO
// days, the rowids the tool gives), as CSV with a header, by the sqlite3 shell.
void writeStoredForm(const std::string& ledger, const std::string& folder, const std::string& csv)
{
    const std::string script = folder + "/stored-form.sql";
    writeText(script, ".headers on\n.mode csv\n"
                      "SELECT row_number() OVER (ORDER BY rowid) * 1024 AS id, * FROM Ledger;\n");
    runProgram({"sqlite3", ledger}, csv, script);
}

// The engine's own import of the stored form into an empty ledger.
Run engineImport(const std::string& ledger, const std::string& folder, const std::string& csv,
                 const std::string& messages)
{
    const std::string script = folder + "/engine-import.sql";
    writeText(
        script,
        "PRAGMA synchronous = FULL;\nBEGIN;\n"
        ".import --csv --schema temp '"
            + csv
            + "' Staging\n"
              "INSERT INTO Ledger (rowid, \"number\", \"date\", \"description of transaction\", "
              "\"payment / debit\", \"tax deductible\", fee, \"deposit / credit\", balance) "
              "SELECT id, NULLIF(\"number\", ''), NULLIF(\"date\", ''), "
              "NULLIF(\"description of transaction\", ''), \"payment / debit\", \"tax deductible\", fee, "
              "\"deposit / credit\", balance FROM temp.Staging;\n"
              "COMMIT;\n");
    return runProgram({"sqlite3", "-bail", ledger}, messages, script);
}

// The run of median wall time among `count` runs, each on a fresh empty ledger.
template <class Action> Run medianRun(int count, const std::string& ledger, Action action)
{
    std::vector<Run> runs;
    for (int k = 0; k < count; ++k) {
        std::filesystem::remove(ledger);
        createLedgerFile(ledger);
        runs.push_back(action());
    }
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
    return runs[runs.size() / 2];
}

void report(const char* operation, long long rows, const Run& run, const std::string& outputPath)
{
    const auto bytes = std::filesystem::file_size(outputPath);
    std::printf("%-22s %9lld %9.2f %9.2f %10.1f %12.1f  %s\n", operation, rows, run.seconds, run.cpuSeconds,
                run.peakMiB, double(bytes) / (1024.0 * 1024.0), run.status == 0 ? "ok" : "FAILED");
    std::fflush(stdout);
}

void benchmark(const std::filesystem::path& folder, long long rows)
{
    const std::string ledger = (folder / ("ledger-" + std::to_string(rows) + ".mdb")).string();
    const std::string copy = (folder / ("copy-" + std::to_string(rows) + ".mdb")).string();
    const std::string csv = (folder / ("ledger-" + std::to_string(rows) + ".csv")).string();
    const std::string qif = (folder / ("ledger-" + std::to_string(rows) + ".qif")).string();
    const std::string messages = (folder / "messages.txt").string();
    createLedgerFile(ledger);
    bench::fillLedger(ledger, rows, kRowidStep);

    report("export --csv", rows, runTool({"export", "--csv", ledger}, csv), csv);
    report("export --qif", rows, runTool({"export", "--qif", ledger}, qif), qif);
    const std::string stored = (folder / ("stored-" + std::to_string(rows) + ".csv")).string();
    writeStoredForm(ledger, folder.string(), stored);
    const Run engine =
        medianRun(3, copy, [&] { return engineImport(copy, folder.string(), stored, messages); });
    report("limit: sqlite3 .import", rows, engine, messages);
    const Run import = medianRun(3, copy, [&] { return runTool({"import", csv, copy}, messages); });
    report("import", rows, import, messages);
    std::printf("%-22s %9lld %8.2fx %8.2fx\n", "import beside limit", rows, import.seconds / engine.seconds,
                import.cpuSeconds / engine.cpuSeconds);
    report("check", rows, runTool({"check", copy}, messages), messages);
}

} // namespace

int main(int argc, char** argv)
{
    if (bench::measureIfAsked(argc, argv))
        return 0;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tallowick-interchange-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::printf("%-22s %9s %9s %9s %10s %12s\n", "operation", "rows", "seconds", "cpu s", "peak MiB",
                "output MiB");
    for (long long rows : {100000LL, 1000000LL})
        benchmark(folder, rows);
    std::filesystem::remove_all(folder);
    return 0;
}
