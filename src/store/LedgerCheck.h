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
    // What the engine's integrity check and the table's design found wrong.
    std::vector<std::string> problems;
    std::vector<BalanceBreak> breaks; // the first kMostListedBreaks
    long long breakCount = 0;
    bool sound() const { return problems.empty() && breakCount == 0; }
};

inline constexpr std::size_t kMostListedBreaks = 100;

// Checks a ledger without changing it: the engine's integrity check, the
// Ledger table's design (STRICT, the eight columns with their types and
// NOT NULL, every value of its column's kind and range), then the
// running-balance rule on every row after the first. The rule is checked
// only when the file and the table are sound. Throws StoreError when the
// file cannot be read at all.
CheckReport checkLedger(LedgerConnection& connection);

// Rebuilds every balance after the first by RecomputeBalances, in one
// transaction; the ledger is unchanged on failure (thrown).
void repairBalances(const std::string& ledgerPath);

} // namespace tallowick
