#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tallowick::tool {

struct StatementArguments {
    bool help = false;
    std::string statementPath; // "-" is standard input
    std::string account; // ACCTID or ACCTID/TYPE; empty: the file's only bank or checking account
    bool dryRun = false;
    std::string ledgerPath; // empty: the ledger beside the program
};

// Reads the arguments of "import-statement" (the command's name first); throws UsageError.
StatementArguments parseStatementArguments(const std::vector<std::string>& arguments);

// The whole of "tallowick-ledger import-statement ...": one line per
// transaction saying what became of it, the counts, and the statement's ending
// balance beside the ledger's cleared balance. Returns the exit status: 0
// imported (or worked out, with --dry-run), 1 refused with nothing stored
// (the sentence on standard error), 2 usage error.
int statementMain(const std::vector<std::string>& arguments, std::ostream& out);

} // namespace tallowick::tool
