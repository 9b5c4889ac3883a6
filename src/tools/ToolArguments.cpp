#include "ToolArguments.h"

namespace tallowick::tool {

int yearOf(const std::string& text)
{
    if (text.size() != 4 || text.find_first_not_of("0123456789") != std::string::npos || text == "0000")
        throw UsageError("--year needs a year of four digits, such as 2024");
    return std::stoi(text);
}

namespace {

// Takes the positional arguments in order into `slots`; one too many is a usage error.
void takePositional(const std::string& argument, const std::vector<std::string*>& slots, std::size_t& filled)
{
    if (filled == slots.size())
        throw UsageError("unexpected argument \"" + argument + "\"");
    *slots[filled++] = argument;
}

} // namespace

const char* usageText()
{
    return "usage: tallowick-ledger COMMAND [OPTIONS] [LEDGER]\n"
           "\n"
           "  export --csv|--qif [--tax-deductible] [--year YYYY] [--output FILE] [LEDGER]\n"
           "      Write the ledger's rows as CSV or QIF to standard output, or whole or not at all to FILE.\n"
           "  import FILE.csv|- [LEDGER]\n"
           "      Fill an empty ledger from a CSV file (- reads standard input); nothing is written if any\n"
           "      line is refused.\n"
           "  import-statement FILE.ofx|FILE.qfx|- [--account ACCTID[/TYPE]] [--dry-run] [LEDGER]\n"
           "      Bring a bank's statement in: each transaction is matched to the row typed for it or\n"
           "      added, and cleared; one already imported is skipped. --dry-run stores nothing.\n"
           "  check [--repair] [LEDGER]\n"
           "      Check the file, the table, the running balances and the reconciliation's marks and\n"
           "      statements; --repair recomputes the balances.\n"
           "  status [LEDGER]\n"
           "      Show the last bank statement and the cleared rows not yet reconciled.\n"
           "  report --register|--tax-deductible [--year YYYY | --from DATE --to DATE] --pdf FILE [LEDGER]\n"
           "      Print the register or the tax deductible payments of a period to a PDF file.\n"
           "  report --reconciliation [--statement DATE] --pdf FILE [LEDGER]\n"
           "      Print a statement's reconciliation (the last finished one unless given) to a PDF file.\n"
           "\n"
           "LEDGER is \"My Tallowick.mdb\" beside this program unless given. No command creates a ledger.\n"
           "Exit status: 0 done or sound, 1 refused or not sound, 2 usage error.\n";
}

ToolArguments parseArguments(const std::vector<std::string>& arguments)
{
    ToolArguments parsed;
    for (const std::string& argument : arguments)
        if (argument == "--help" || argument == "-h")
            return parsed;
    if (arguments.empty())
        throw UsageError("a command is needed: export, import, import-statement, check, status or report");

    const std::string& command = arguments[0];
    bool csv = false;
    bool qif = false;
    std::vector<std::string*> positional{&parsed.ledgerPath};
    if (command == "import") {
        parsed.command = Command::Import;
        positional.insert(positional.begin(), &parsed.csvPath);
    } else if (command == "check") {
        parsed.command = Command::Check;
    } else if (command == "status") {
        parsed.command = Command::Status;
    } else if (command != "export") {
        throw UsageError("unknown command \"" + command
                         + "\"; the commands are export, import, import-statement, check, status and report");
    }

    std::size_t filled = 0;
    for (std::size_t k = 1; k < arguments.size(); ++k) {
        const std::string& argument = arguments[k];
        const bool exporting = command == "export";
        if (exporting && argument == "--csv") {
            csv = true;
        } else if (exporting && argument == "--qif") {
            qif = true;
        } else if (exporting && argument == "--tax-deductible") {
            parsed.choice.taxDeductibleOnly = true;
        } else if (exporting && argument == "--year") {
            if (++k == arguments.size())
                throw UsageError("--year needs a year of four digits, such as 2024");
            parsed.choice.year = yearOf(arguments[k]);
        } else if (exporting && argument.rfind("--year=", 0) == 0) {
            parsed.choice.year = yearOf(argument.substr(7));
        } else if (exporting && (argument == "--output" || argument.rfind("--output=", 0) == 0)) {
            if (argument == "--output" && ++k == arguments.size())
                throw UsageError("--output needs the file to write");
            parsed.outputPath = argument == "--output" ? arguments[k] : argument.substr(9);
            if (parsed.outputPath.empty())
                throw UsageError("--output needs the file to write");
        } else if (command == "check" && argument == "--repair") {
            parsed.repair = true;
        } else if (argument.size() > 1 && argument[0] == '-') {
            throw UsageError("unknown option \"" + argument + "\" for " + command);
        } else {
            takePositional(argument, positional, filled);
        }
    }
    if (command == "export") {
        if (csv == qif)
            throw UsageError("export needs exactly one of --csv and --qif");
        parsed.command = csv ? Command::ExportCsv : Command::ExportQif;
    }
    if (parsed.command == Command::Import && parsed.csvPath.empty())
        throw UsageError("import needs the CSV file to read");
    return parsed;
}

} // namespace tallowick::tool
