#include "StatementCommand.h"

#include "OfxStatement.h"
#include "StoreError.h"
#include "ToolArguments.h"
#include "ToolCommands.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace tallowick::tool {

namespace {

std::string readStatementBytes(const std::string& path)
{
    std::ifstream file;
    std::istream* in = &std::cin;
    if (path != "-") {
        file.open(path, std::ios::binary);
        if (!file)
            throw StoreError(StoreError::Kind::MissingFile, "The file \"" + path + "\" could not be opened.");
        in = &file;
    }
    std::ostringstream bytes;
    bytes << in->rdbuf();
    if (in->bad())
        throw StoreError(StoreError::Kind::FileAccess, "The file \"" + path + "\" could not be read.");
    return std::move(bytes).str();
}

std::string outcomeText(const StatementDecision& decision, const StatementTransaction& transaction)
{
    switch (decision.outcome) {
    case StatementOutcome::AlreadyImported: return "already imported";
    case StatementOutcome::Matched:
    case StatementOutcome::TakeBankAmount: return "matched row " + std::to_string(decision.position);
    case StatementOutcome::New: return "new row " + std::to_string(decision.position);
    case StatementOutcome::Skip: return "skipped";
    case StatementOutcome::AmountDiffers: break;
    }
    return "amount differs from row " + std::to_string(decision.position) + " (the ledger says "
           + decision.rowAmount.displayText() + ", the statement " + transaction.amount.displayText()
           + "); skipped";
}

void printResult(const OfxAccountStatement& account, const StatementResult& result, bool dryRun,
                 std::ostream& out)
{
    for (std::size_t t = 0; t < account.transactions.size(); ++t) {
        const StatementTransaction& transaction = account.transactions[t];
        out << (transaction.date ? transaction.date->shortText() : std::string("(no date)")) << "  "
            << transaction.amount.displayText() << "  " << transaction.description << "  "
            << outcomeText(result.decisions[t], transaction) << '\n';
    }
    out << result.matched << " matched, " << result.added << " new, " << result.known << " already imported, "
        << result.differs << " with another amount than their row";
    if (account.withoutAmount > 0)
        out << ", " << account.withoutAmount << " without an amount, left out";
    out << ".\n";
    if (account.endingBalance)
        out << "Statement ending balance"
            << (account.balanceDate ? " on " + account.balanceDate->shortText() : std::string()) << ": "
            << account.endingBalance->displayText();
    else
        out << "The statement gives no ending balance";
    out << "; cleared balance of the ledger: " << result.clearedBalance.displayText() << ".\n";
    if (dryRun)
        out << "Nothing was stored (--dry-run).\n";
}

} // namespace

StatementArguments parseStatementArguments(const std::vector<std::string>& arguments)
{
    StatementArguments parsed;
    std::vector<std::string*> positional{&parsed.statementPath, &parsed.ledgerPath};
    std::size_t filled = 0;
    for (std::size_t k = 1; k < arguments.size(); ++k) {
        const std::string& argument = arguments[k];
        if (argument == "--help" || argument == "-h") {
            parsed.help = true;
            return parsed;
        } else if (argument == "--dry-run") {
            parsed.dryRun = true;
        } else if (argument == "--account" || argument.rfind("--account=", 0) == 0) {
            if (argument == "--account" && ++k == arguments.size())
                throw UsageError("--account needs an account's ACCTID, or ACCTID/TYPE");
            parsed.account = argument == "--account" ? arguments[k] : argument.substr(10);
            if (parsed.account.empty())
                throw UsageError("--account needs an account's ACCTID, or ACCTID/TYPE");
        } else if (argument.size() > 1 && argument[0] == '-') {
            throw UsageError("unknown option \"" + argument + "\" for import-statement");
        } else if (filled == positional.size()) {
            throw UsageError("too many arguments for import-statement");
        } else {
            *positional[filled++] = argument;
        }
    }
    if (parsed.statementPath.empty())
        throw UsageError("import-statement needs the OFX or QFX file to read");
    return parsed;
}

int statementMain(const std::vector<std::string>& arguments, std::ostream& out)
{
    StatementArguments parsed;
    try {
        parsed = parseStatementArguments(arguments);
    } catch (const UsageError& error) {
        std::cerr << "tallowick-ledger: " << error.what() << " (see tallowick-ledger --help)\n";
        return 2;
    }
    if (parsed.help) {
        out << usageText();
        return 0;
    }
    try {
        const std::string name = parsed.statementPath == "-" ? "standard input" : parsed.statementPath;
        const OfxFile file = readOfxFile(readStatementBytes(parsed.statementPath), name);
        bool byDefault = false;
        const OfxAccountStatement& account = chooseAccount(file, parsed.account, name, &byDefault);
        const auto connection =
            LedgerConnection::open(parsed.ledgerPath.empty() ? ledgerBesideProgram() : parsed.ledgerPath);
        // Proposed and stored in one transaction: nothing can come between, and a dry run rolls it back.
        Transaction transaction(*connection);
        const StatementProposal proposal = proposeStatement(*connection, account.transactions);
        const StatementResult result =
            importStatement(*connection, account.transactions, proposal.decisions, std::nullopt);
        if (byDefault)
            out << "Read account " << account.label() << ", the file's only checking account.\n";
        printResult(account, result, parsed.dryRun, out);
        if (!out.flush())
            return 1; // nothing is stored; the program says why standard output failed
        if (!parsed.dryRun)
            transaction.commit();
    } catch (const StoreError& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
    return 0;
}

} // namespace tallowick::tool
