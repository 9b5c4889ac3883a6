#include "ToolCommands.h"

#include "LedgerCheck.h"
#include "LedgerImport.h"

#include <unistd.h>

#include <climits>

namespace tallowick::tool {

// As the windowed program finds it beside itself.
std::string ledgerBesideProgram()
{
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    std::string folder = length > 0 ? std::string(path, std::size_t(length)) : std::string(".");
    const std::size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
    return folder + "/" + kLedgerFileName;
}

namespace {

void printImport(const ImportSummary& summary, std::ostream& out)
{
    out << "Imported " << summary.rows << (summary.rows == 1 ? " row." : " rows.") << '\n';
    if (summary.balancesDiffering == 0)
        return;
    out << "The file's balance differed from the running balance on " << summary.balancesDiffering
        << (summary.balancesDiffering == 1 ? " row" : " rows") << "; the first is line "
        << summary.firstDifferingLine << " (row " << summary.firstDifferingPosition << "): the file says "
        << summary.fileBalance.plainText() << ", the ledger now holds " << summary.storedBalance.plainText()
        << ".\n";
}

void printReport(const CheckReport& report, std::ostream& out)
{
    for (const std::string& problem : report.problems)
        out << problem << '\n';
    for (const BalanceBreak& broken : report.breaks)
        out << "Row " << broken.position << ": balance " << broken.stored.plainText()
            << " where the rule gives "
            << (broken.expected ? broken.expected->plainText() : std::string("an amount too large")) << ".\n";
    if (report.breakCount > static_cast<long long>(report.breaks.size()))
        out << "... and " << report.breakCount - static_cast<long long>(report.breaks.size()) << " more.\n";
    if (report.breakCount > 0)
        out << report.breakCount << (report.breakCount == 1 ? " row breaks" : " rows break")
            << " the running-balance rule.\n";
    if (report.sound())
        out << "The ledger is sound.\n";
}

int check(const std::string& ledgerPath, bool repair, std::ostream& out)
{
    CheckReport report = checkLedger(*LedgerConnection::open(ledgerPath));
    printReport(report, out);
    if (!repair || report.sound())
        return report.sound() ? 0 : 1;
    if (!report.problems.empty()) {
        out << "Not repaired: only the balances of a sound file and table can be repaired.\n";
        return 1;
    }
    repairBalances(ledgerPath);
    report = checkLedger(*LedgerConnection::open(ledgerPath));
    out << "Repaired: the balances were recomputed from the first row's balance.\n";
    printReport(report, out);
    return report.sound() ? 0 : 1;
}

} // namespace

int runCommand(const ToolArguments& arguments, std::ostream& out)
{
    const std::string ledgerPath =
        arguments.ledgerPath.empty() ? ledgerBesideProgram() : arguments.ledgerPath;
    switch (arguments.command) {
    case Command::Help: out << usageText(); return 0;
    case Command::ExportCsv: exportCsv(*LedgerConnection::open(ledgerPath), arguments.choice, out); return 0;
    case Command::ExportQif: exportQif(*LedgerConnection::open(ledgerPath), arguments.choice, out); return 0;
    case Command::Import: printImport(importCsvFile(arguments.csvPath, ledgerPath), out); return 0;
    case Command::Check: return check(ledgerPath, arguments.repair, out);
    }
    return 2;
}

} // namespace tallowick::tool
