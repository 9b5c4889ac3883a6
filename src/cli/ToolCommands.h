#pragma once

#include "ToolArguments.h"

#include <ostream>

namespace tallowick::tool {

// Runs one parsed command against its ledger; returns the exit status
// (0 done or sound, 1 not sound). Store failures throw StoreError.
int runCommand(const ToolArguments& arguments, std::ostream& out);

} // namespace tallowick::tool
