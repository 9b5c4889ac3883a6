#pragma once

#include <cstdint>

namespace tallowick {

class ChangeRecord;
class LedgerConnection;

enum class ChangeDirection { Undo, Redo };

// Puts a recorded change's before-images back (Undo) or its after-images
// again (Redo), in one transaction (nested in the caller's, if any). Every
// rowid the change touched must still hold the image the change left there
// (Undo) or found there (Redo); for a row whose balance alone changed, that
// is its balance.
//
// Returns the 1-based position of the first row touched: the row now
// standing at that place when that row is gone, the last row when no row
// follows it, 0 for an empty table. Throws StoreError (NotUndoable) when a
// row differs, any other StoreError when the file fails; either way the
// ledger is as it was.
std::int64_t applyChange(LedgerConnection& connection, const ChangeRecord& change, ChangeDirection direction);

} // namespace tallowick
