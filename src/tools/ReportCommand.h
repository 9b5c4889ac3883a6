#pragma once

#include "ReportRows.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tallowick::tool {

struct ReportArguments {
    bool help = false;
    ReportChoice choice;
    // The reconciliation of a statement instead: --statement's date, else the last finished.
    bool reconciliation = false;
    std::optional<LedgerDate> statement;
    std::string pdfPath;
    std::string ledgerPath; // empty: the ledger beside the program
};

// Reads the arguments of "report" (the command's name first); throws UsageError.
ReportArguments parseReportArguments(const std::vector<std::string>& arguments);

// The whole of "tallowick-ledger report ...": writes the PDF and says on `out`
// how many pages it has. Returns the exit status: 0 written, 1 refused (the
// store's or the file's sentence on standard error), 2 usage error.
int reportMain(const std::vector<std::string>& arguments, std::ostream& out);

} // namespace tallowick::tool
