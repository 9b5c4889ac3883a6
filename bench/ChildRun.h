#pragma once

#include <string>
#include <vector>

namespace tallowick::bench {

// What one program run cost, measured as its own process.
struct Run {
    double seconds = 0;
    double cpuSeconds = 0; // user and system: what the run costs on an otherwise idle machine
    double peakMiB = 0;
    int status = -1;
};

// Runs `words` (a program found on PATH, then its arguments), its standard
// output into `outputPath` and its standard input from `inputPath` when given.
//
// A child's peak resident memory starts from what its parent held when it
// forked, which in a benchmark grows with the ledgers it built. So the run is
// made by this benchmark started afresh, whose own memory stays small, and
// which hands back what it measured through a file: main() calls
// measureIfAsked() first.
Run runProgram(const std::vector<std::string>& words, const std::string& outputPath,
               const std::string& inputPath = "");

// True after doing a measurement that runProgram() asked this process for.
bool measureIfAsked(int argc, char** argv);

} // namespace tallowick::bench
