#include "ToolCommands.h"

#include "FileOutput.h"
#include "LedgerCheck.h"
#include "LedgerImport.h"
#include "Reconciliation.h"
#include "StoreError.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <iostream>

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

std::unique_ptr<LedgerConnection> openForReading(const std::string& ledgerPath)
{
    auto connection = LedgerConnection::open(ledgerPath);
    if (connection->journalRefusal())
        std::cerr << *connection->journalRefusal() << '\n';
    return connection;
}

namespace {

void printImport(const ImportSummary& summary, std::ostream& out)
{
    out << "Imported " << summary.rows << (summary.rows == 1 ? " row." : " rows.") << '\n';
    if (summary.skippedLines > 0)
        out << "Skipped " << summary.skippedLines << (summary.skippedLines == 1 ? " line" : " lines")
            << " whose fields were all empty.\n";
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
    for (const std::string& problem : report.reconciliation)
        out << problem << '\n';
    if (report.sound())
        out << "The ledger is sound.\n";
}

int check(const std::string& ledgerPath, bool repair, std::ostream& out)
{
    CheckReport report = checkLedger(*openForReading(ledgerPath));
    printReport(report, out);
    if (!repair || report.sound())
        return report.sound() ? 0 : 1;
    if (!report.problems.empty()) {
        out << "Not repaired: only the balances of a sound file and table can be repaired.\n";
        return 1;
    }
    const RepairReport rewritten = repairBalances(ledgerPath);
    report = checkLedger(*LedgerConnection::open(ledgerPath));
    out << "Repaired: " << rewritten.rewritten
        << (rewritten.rewritten == 1 ? " balance was" : " balances were")
        << " recomputed from the first row's balance and rewritten";
    if (rewritten.rewritten > 0)
        out << "; the first is row " << rewritten.firstPosition << ", " << rewritten.firstBefore.plainText()
            << " before and " << rewritten.firstAfter.plainText() << " now";
    out << ".\n";
    printReport(report, out);
    return report.sound() ? 0 : 1;
}

// The reconciliation as it stands, as the grid shows dates and amounts; reads without writing.
void status(const std::string& ledgerPath, std::ostream& out)
{
    const auto connection = openForReading(ledgerPath);
    const ReconciliationView view = readReconciliation(*connection);
    const BankStatement* last = view.lastStatement();
    long long cleared = 0, notCleared = 0;
    Money clearedSum;
    for (const ReconcileEntry& entry : view.unreconciled) {
        if (entry.status == MarkStatus::Cleared) {
            ++cleared;
            clearedSum += entry.inflow - entry.outflow;
        } else {
            ++notCleared;
        }
    }
    out << "Last statement: " << (last ? last->date.shortText() : std::string("none")) << '\n'
        << "Last statement ending balance: "
        << (last ? last->endingBalance.displayText() : std::string("none")) << '\n'
        << "Starting balance: " << view.startingBalance().displayText() << '\n'
        << "Cleared rows: " << cleared << '\n'
        << "Cleared amount: " << clearedSum.displayText() << '\n'
        << "Cleared balance: " << (view.startingBalance() + clearedSum).displayText() << '\n'
        << "Rows not cleared: " << notCleared << '\n'
        << "Register balance: " << view.registerBalance.displayText() << '\n';
    if (view.check.dropped > 0)
        out << "Marks dropped: " << view.check.dropped << '\n';
    for (const BankStatement& statement : view.statements)
        if (std::find(view.check.unbalanced.begin(), view.check.unbalanced.end(), statement.id)
            != view.check.unbalanced.end())
            out << "Statement no longer balancing: " << statement.date.shortText() << '\n';
}

// Exports to `out`, or whole or not at all to the file --output names.
void exportLedger(const ToolArguments& arguments, const std::string& ledgerPath, std::ostream& out)
{
    const auto connection = openForReading(ledgerPath);
    const auto write = [&](std::ostream& to) {
        if (arguments.command == Command::ExportCsv)
            exportCsv(*connection, arguments.choice, to);
        else
            exportQif(*connection, arguments.choice, to);
    };
    if (arguments.outputPath.empty()) {
        write(out);
        return;
    }
    refuseOutputOverLedger(arguments.outputPath, ledgerPath);
    writeFileReplacing(arguments.outputPath, write);
}

// Imports and reports; a report that cannot be written stores nothing.
void import(const std::string& csvPath, const std::string& ledgerPath, std::ostream& out)
{
    const auto report = [&out](const ImportSummary& summary) {
        printImport(summary, out);
        if (!out.flush())
            throw StoreError(StoreError::Kind::FileAccess, "The report could not be written.");
    };
    if (csvPath == "-")
        importCsv(std::cin, ledgerPath, report);
    else
        importCsvFile(csvPath, ledgerPath, report);
}

} // namespace

int runCommand(const ToolArguments& arguments, std::ostream& out)
{
    const std::string ledgerPath =
        arguments.ledgerPath.empty() ? ledgerBesideProgram() : arguments.ledgerPath;
    switch (arguments.command) {
    case Command::Help: out << usageText(); return 0;
    case Command::ExportCsv:
    case Command::ExportQif: exportLedger(arguments, ledgerPath, out); return 0;
    case Command::Import: import(arguments.csvPath, ledgerPath, out); return 0;
    case Command::Check: return check(ledgerPath, arguments.repair, out);
    case Command::Status: status(ledgerPath, out); return 0;
    }
    return 2;
}

} // namespace tallowick::tool
