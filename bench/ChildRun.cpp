#include "ChildRun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace tallowick::bench {

namespace {

constexpr const char* kMeasure = "--measure";

Run spawnAndWait(std::vector<std::string> words, const std::string& outputPath, const std::string& inputPath)
{
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!inputPath.empty())
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, inputPath.c_str(), O_RDONLY, 0);
    Run run;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
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

} // namespace

Run runProgram(const std::vector<std::string>& words, const std::string& outputPath,
               const std::string& inputPath)
{
    const std::string result = outputPath + ".run";
    std::vector<std::string> launcher{"/proc/self/exe", kMeasure, result, outputPath, inputPath};
    launcher.insert(launcher.end(), words.begin(), words.end());
    spawnAndWait(launcher, "/dev/null", "");
    Run run;
    std::ifstream(result) >> run.seconds >> run.cpuSeconds >> run.peakMiB >> run.status;
    std::filesystem::remove(result);
    return run;
}

bool measureIfAsked(int argc, char** argv)
{
    if (argc < 6 || std::string(argv[1]) != kMeasure)
        return false;
    const Run run = spawnAndWait(std::vector<std::string>(argv + 5, argv + argc), argv[3], argv[4]);
    std::ofstream(argv[2]) << run.seconds << ' ' << run.cpuSeconds << ' ' << run.peakMiB << ' ' << run.status;
    return true;
}

} // namespace tallowick::bench
