#pragma once

namespace tallowick {

class LedgerConnection;
class RecordCursor;

// Keeps the first row's stored balance and rebuilds every later row's by the
// running-balance rule: balance(k) = balance(k-1) - payment - fee + deposit,
// in stored order and exact Money arithmetic.
//
// Needs: a cursor over the ledger. Guarantees: one transaction (nested in the
// caller's, if any); only rows whose balance changes are written; on any
// failure, an overflow included, nothing is changed and the error is thrown.
// Leaves the cursor past the last row. A table of 0 or 1 rows is not written.
void RecomputeBalances(RecordCursor& cursor);

// The same on an open connection, for the store's own changes that alter
// amounts inside their transaction.
void recomputeStoredBalances(LedgerConnection& connection);

} // namespace tallowick
