// tallowick-ledger: export, import, check and report a ledger from the command line.
#include "ReportCommand.h"
#include "StoreError.h"
#include "ToolArguments.h"
#include "ToolCommands.h"

#include <iostream>

int main(int argc, char** argv)
{
    using namespace tallowick::tool;
    std::ios::sync_with_stdio(false);
    if (argc > 1 && std::string(argv[1]) == "report")
        return reportMain(std::vector<std::string>(argv + 1, argv + argc));
    ToolArguments arguments;
    try {
        arguments = parseArguments(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& error) {
        std::cerr << "tallowick-ledger: " << error.what() << " (see tallowick-ledger --help)\n";
        return 2;
    }
    try {
        return runCommand(arguments, std::cout);
    } catch (const tallowick::StoreError& error) {
        std::cout.flush();
        std::cerr << error.what() << '\n';
        return 1;
    }
}
