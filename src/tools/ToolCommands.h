#pragma once

#include "ToolArguments.h"

#include <ostream>
#include <string>

namespace tallowick::tool {

// Runs one parsed command against its ledger; returns the exit status
// (0 done or sound, 1 not sound). Store failures throw StoreError.
int runCommand(const ToolArguments& arguments, std::ostream& out);

// "My Tallowick.mdb" in the folder of this program's own executable.
std::string ledgerBesideProgram();

} // namespace tallowick::tool
