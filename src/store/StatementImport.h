#pragma once

#include "LedgerFile.h"
#include "LedgerRow.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tallowick {

// Bringing a bank's statement into the ledger. Each transaction of the
// statement is matched to a row the user typed, or appended as a new row;
// either way the row becomes cleared and remembers the bank's id of the
// transaction (its FITID), so that importing the same or an overlapping
// statement again adds nothing twice.

// One transaction of the statement, as the ledger would store it.
struct StatementTransaction {
    std::optional<LedgerDate> date;
    Money amount; // what it adds to the balance: negative for a payment or a fee
    bool fee = false; // a bank's fee or service charge, kept in the fee column
    std::optional<std::int64_t> number;
    std::string description;
    std::string fitid; // empty when the bank gave none
};

enum class StatementOutcome {
    AlreadyImported, // its id was imported into this ledger before: skipped
    Matched, // the row the user typed
    AmountDiffers, // a row with its number but another amount: skipped unless decided otherwise
    New, // appended
    Skip, // the user's choice: nothing stored
    TakeBankAmount, // the differing row takes the bank's amount, then is matched
};

struct StatementDecision {
    StatementOutcome outcome = StatementOutcome::New;
    std::int64_t rowid = 0; // the row matched or differing; a new row's once stored
    long long position = 0; // that row's 1-based position in stored order
    Money rowAmount; // the row's amount (deposit less payment and fee) where it differs
    bool operator==(const StatementDecision&) const = default;
};

// A row that a transaction may be matched to, as the statement window lists it.
struct StatementCandidate {
    std::int64_t rowid = 0;
    long long position = 0;
    std::optional<LedgerDate> date;
    Money amount; // deposit less payment and fee
};

struct StatementProposal {
    std::vector<StatementDecision> decisions; // one per transaction, in order
    // For each transaction, the rows not reconciled and without a bank's id
    // that have its amount, nearest in date first (at most a few).
    std::vector<std::vector<StatementCandidate>> choices;
    long long rowCount = 0;
    std::optional<std::uint32_t> counter; // the file's change counter it was read at
};

// Proposes an outcome for every transaction, in the statement's order, each
// transaction once and each row once. Candidates are the rows that are not
// reconciled and remember no bank's id:
//   - its id was imported before: AlreadyImported (a transaction without an
//     id is known by its date, amount, number and description);
//   - a candidate with the same number and amount: Matched, that row kept for
//     it before any transaction is matched by amount;
//   - a candidate not matched yet with the same amount, dated within 7 days:
//     Matched, the nearest in date, then the first stored;
//   - a candidate with the same number and another amount: AmountDiffers;
//   - else New.
// Reads only.
StatementProposal proposeStatement(LedgerConnection& connection,
                                   const std::vector<StatementTransaction>& transactions);

struct StatementResult {
    std::vector<StatementDecision> decisions; // as stored, new rows with their rowid and position
    long long matched = 0, added = 0, known = 0, differs = 0, skipped = 0;
    Money clearedBalance; // the starting balance plus every cleared row, after the import
};

// Stores the decisions as one change, "Import of Statement": matched rows
// become cleared and remember the bank's id, keeping what the user typed; a
// TakeBankAmount row first takes the bank's amount (every balance after it
// recomputed); new rows are appended as the program appends, cleared, with
// the id. AlreadyImported, AmountDiffers and Skip store nothing. Refuses
// (StoreError) a decision that names a row which is no candidate, a row named
// twice, or a view older than the file (`seen`, as the reconciliation's
// changes do). On failure nothing has changed and the error is thrown. Run
// inside a caller's transaction that is then rolled back, it is a dry run.
StatementResult importStatement(LedgerConnection& connection,
                                const std::vector<StatementTransaction>& transactions,
                                const std::vector<StatementDecision>& decisions,
                                std::optional<std::uint32_t> seen);

// The key a transaction is remembered by: its id, or for one without, its
// date, amount, number and description with a count that tells identical
// transactions of one statement apart.
std::vector<std::string> statementKeys(const std::vector<StatementTransaction>& transactions);

// The row a new transaction becomes, before its balance.
LedgerRow statementRow(const StatementTransaction& transaction);

} // namespace tallowick
