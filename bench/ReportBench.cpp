// Times tallowick-ledger's register report to PDF on ledgers of 1,000,
// 10,000 and 100,000 rows, each run as its own process, and prints each
// run's wall time, CPU time, peak resident memory, pages and file size.
// The pages are laid out from the store one page at a time, so what memory
// grows by from the small report to the large one is the PDF writer's own
// record of every page and object it wrote.
#include "BenchLedger.h"
#include "ChildRun.h"

#include "LedgerFile.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace tallowick;
using bench::Run;

namespace {

Run runTool(const std::vector<std::string>& arguments, const std::string& outputPath)
{
    std::vector<std::string> words{LEDGER_TOOL_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return bench::runProgram(words, outputPath);
}

// The page count from the tool's own line: "Wrote 251 pages to FILE."
long long pagesWritten(const std::string& messagesPath)
{
    std::ifstream messages(messagesPath);
    std::string wrote;
    long long pages = -1;
    messages >> wrote >> pages;
    return wrote == "Wrote" ? pages : -1;
}

void benchmark(const std::filesystem::path& folder, long long rows)
{
    const std::string ledger = (folder / ("ledger-" + std::to_string(rows) + ".mdb")).string();
    const std::string pdf = (folder / ("register-" + std::to_string(rows) + ".pdf")).string();
    const std::string messages = (folder / "messages.txt").string();
    createLedgerFile(ledger);
    bench::fillLedger(ledger, rows, kRowidStep);

    const Run run = runTool({"report", "--register", "--pdf", pdf, ledger}, messages);
    const long long pages = pagesWritten(messages);
    const double fileMiB = run.status == 0 ? double(std::filesystem::file_size(pdf)) / (1024.0 * 1024.0) : 0;
    std::printf("%-18s %9lld %7lld %9.2f %9.2f %10.1f %10.1f  %s\n", "report --register", rows, pages,
                run.seconds, run.cpuSeconds, run.peakMiB, fileMiB, run.status == 0 ? "ok" : "FAILED");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (bench::measureIfAsked(argc, argv))
        return 0;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tallowick-report-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::printf("%-18s %9s %7s %9s %9s %10s %10s\n", "operation", "rows", "pages", "seconds", "cpu s",
                "peak MiB", "PDF MiB");
    for (long long rows : {1000LL, 10000LL, 100000LL})
        benchmark(folder, rows);
    std::filesystem::remove_all(folder);
    return 0;
}
