#pragma once

#include <string>

namespace tallowick::bench {

// Fills an empty ledger file with `rows` realistic rows (check numbers,
// dates, descriptions, mixed payments, fees and deposits) whose balances
// follow the running-balance rule. Rows are stored `rowidStep` apart, as the
// program stores the rows it adds (1 gives the densely packed worst case).
void fillLedger(const std::string& path, long long rows, long long rowidStep);

// The engine's own limit for rebalancing: one statement that recomputes
// every balance with a window function, in one transaction. Returns seconds.
double rebalanceWithOneStatement(const std::string& path);

// The engine's limit for an insertion: one statement that gives every row
// after the second the content of the row before it, timed in a transaction
// that is then rolled back. Returns seconds.
double shiftWithOneStatement(const std::string& path);

// The engine's limit for a search: one SELECT of every column of every row
// in stored order, stepped to the end with nothing done per row. Returns seconds.
double selectEveryRow(const std::string& path);

// Sets every balance after the first to a wrong value.
void spoilBalances(const std::string& path);

// Peak resident memory of this process so far, and the current one, in MiB.
double peakMemoryMiB();
double currentMemoryMiB();

} // namespace tallowick::bench
