#pragma once

#include <string>

namespace tallowick::bench {

// Fills an empty ledger file with `rows` realistic rows (check numbers,
// dates, descriptions, mixed payments, fees and deposits) whose balances
// follow the running-balance rule.
void fillLedger(const std::string& path, long long rows);

// The engine's own limit for rebalancing: one statement that recomputes
// every balance with a window function, in one transaction. Returns seconds.
double rebalanceWithOneStatement(const std::string& path);

// Sets every balance after the first to a wrong value.
void spoilBalances(const std::string& path);

// Peak resident memory of this process so far, and the current one, in MiB.
double peakMemoryMiB();
double currentMemoryMiB();

} // namespace tallowick::bench
