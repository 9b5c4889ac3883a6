// tallowick-ledger: export, import, check and report a ledger, and bring a bank's statement in,
// from the command line.
#include "FileOutput.h"
#include "ReportCommand.h"
#include "StatementCommand.h"
#include "StoreError.h"
#include "ToolArguments.h"
#include "ToolCommands.h"

#include <unistd.h>

#include <cstring>
#include <iostream>

int main(int argc, char** argv)
{
    using namespace tallowick;
    using namespace tallowick::tool;
    std::ios::sync_with_stdio(false);
    // Standard output through a buffer that keeps why a write failed: a
    // report or export that did not reach its reader is a failure.
    DescriptorBuffer output(STDOUT_FILENO);
    std::ostream out(&output);
    int status = 1;
    std::string refusal;
    const std::vector<std::string> given(argv + 1, argv + argc);
    if (!given.empty() && given.front() == "report") {
        status = reportMain(given, out);
    } else if (!given.empty() && given.front() == "import-statement") {
        status = statementMain(given, out);
    } else {
        ToolArguments arguments;
        try {
            arguments = parseArguments(given);
        } catch (const UsageError& error) {
            std::cerr << "tallowick-ledger: " << error.what() << " (see tallowick-ledger --help)\n";
            return 2;
        }
        try {
            status = runCommand(arguments, out);
        } catch (const StoreError& error) {
            refusal = error.what();
        }
    }
    out.flush();
    if (output.error() != 0) {
        std::cerr << "Standard output could not be written (" << std::strerror(output.error()) << ").\n";
        return 1;
    }
    if (!refusal.empty()) {
        std::cerr << refusal << '\n';
        return 1;
    }
    return status;
}
