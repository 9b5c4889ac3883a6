#pragma once

#include "LedgerFile.h"
#include "LedgerRow.h"

#include <functional>

namespace tallowick {

// Calls `visit` with every row in stored order, one row in memory at a time.
// The walk is one read of the file, so it sees the ledger as it was when the
// walk began even if another program writes meanwhile. Throws StoreError; a
// row that holds a value the ledger cannot hold is refused naming its position.
void forEachLedgerRow(LedgerConnection& connection, const std::function<void(const LedgerRow&)>& visit);
// The same, with each row's rowid.
void forEachRowAndRowid(LedgerConnection& connection,
                        const std::function<void(const LedgerRow&, std::int64_t rowid)>& visit);

} // namespace tallowick
