// Times tallowick-ledger's export, import and check on ledgers of 100,000
// and 1,000,000 rows, each run as its own process, and prints each run's
// wall time and peak resident memory: memory that stays flat from the small
// ledger to the large one shows that the tool streams.
#include "BenchLedger.h"

#include "LedgerFile.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

using namespace tallowick;

namespace {

struct Run {
    double seconds = 0;
    double cpuSeconds = 0; // user and system: what the run costs on an otherwise idle machine
    double peakMiB = 0;
    int status = -1;
};

// Runs the tool with `arguments`, its standard output into `outputPath`.
Run runTool(const std::vector<std::string>& arguments, const std::string& outputPath)
{
    std::vector<std::string> words{LEDGER_TOOL_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    Run run;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::perror("posix_spawn");
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                     + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.peakMiB = double(usage.ru_maxrss) / 1024.0;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    posix_spawn_file_actions_destroy(&actions);
    return run;
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
    createLedgerFile(copy);

    report("export --csv", rows, runTool({"export", "--csv", ledger}, csv), csv);
    report("export --qif", rows, runTool({"export", "--qif", ledger}, qif), qif);
    report("import", rows, runTool({"import", csv, copy}, messages), messages);
    report("check", rows, runTool({"check", copy}, messages), messages);
}

} // namespace

int main()
{
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
