#pragma once

#include "LedgerFile.h"
#include "ToolArguments.h"

#include <memory>
#include <ostream>
#include <string>

namespace tallowick::tool {

// Runs one parsed command against its ledger; returns the exit status
// (0 done or sound, 1 not sound). Store failures throw StoreError.
int runCommand(const ToolArguments& arguments, std::ostream& out);

// Opens the ledger for a command that only reads it. A ledger that cannot be
// switched back to the rollback journal is still read; standard error says
// why no change could be made to it.
std::unique_ptr<LedgerConnection> openForReading(const std::string& ledgerPath);

// "My Tallowick.mdb" in the folder of this program's own executable.
std::string ledgerBesideProgram();

} // namespace tallowick::tool
