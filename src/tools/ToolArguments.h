#pragma once

#include "LedgerExport.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace tallowick::tool {

// A command line the tool cannot run; what() is the one line it prints.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Command { Help, ExportCsv, ExportQif, Import, Check, Status };

struct ToolArguments {
    Command command = Command::Help;
    ExportChoice choice;
    bool repair = false;
    std::string csvPath; // import; "-" is standard input
    std::string outputPath; // export --output; empty: standard output
    std::string ledgerPath; // empty: the ledger beside the program
};

// Reads the arguments after the program's name; throws UsageError.
ToolArguments parseArguments(const std::vector<std::string>& arguments);

// The year an option's value names (four digits); throws UsageError.
int yearOf(const std::string& text);

// The text --help prints.
const char* usageText();

} // namespace tallowick::tool
