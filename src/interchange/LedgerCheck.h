#pragma once

#include "LedgerFile.h"
#include "Money.h"

#include <optional>
#include <string>
#include <vector>

namespace tallowick {

// A row whose stored balance is not the previous row's balance minus its
// payment and fee plus its deposit. `expected` is none where that sum
// overflows.
struct BalanceBreak {
    long long position = 0; // 1-based, in stored order
    Money stored;
    std::optional<Money> expected;
};

struct CheckReport {
    // What the engine's integrity check and the table's design found wrong:
    // the engine's own lines, then each row that holds a value the ledger
    // cannot hold (the first kMostListedBreaks) and their count.
    std::vector<std::string> problems;
    std::vector<BalanceBreak> breaks; // the first kMostListedBreaks
    long long breakCount = 0;
    // What is wrong with the reconciliation: marks tied to no row, the first
    // finished statement that no longer balances.
    std::vector<std::string> reconciliation;
    bool sound() const { return problems.empty() && breakCount == 0 && reconciliation.empty(); }
};

inline constexpr std::size_t kMostListedBreaks = 100;

// Checks a ledger without changing it: the engine's integrity check, every
// value of its column's kind and range, then the running-balance rule on
// every row after the first. Values are checked unless the integrity check
// found the file itself damaged (a failed constraint or type is no damage);
// the rule and the reconciliation's tables only when the file and the values
// are sound. The table's design
// was checked when `connection` opened. Throws StoreError when the file
// cannot be read at all.
CheckReport checkLedger(LedgerConnection& connection);

// What a repair rewrote: how many balances, and the first of them.
struct RepairReport {
    long long rewritten = 0;
    long long firstPosition = 0; // 1-based, in stored order
    Money firstBefore;
    Money firstAfter;
};

// Rebuilds every balance after the first by RecomputeBalances, in one
// transaction; the ledger is unchanged on failure (thrown).
RepairReport repairBalances(const std::string& ledgerPath);

} // namespace tallowick
