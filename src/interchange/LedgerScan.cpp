#include "LedgerScan.h"

#include "RowCodec.h"

namespace tallowick {

void forEachLedgerRow(LedgerConnection& connection, const std::function<void(const LedgerRow&)>& visit)
{
    forEachRowAndRowid(connection, [&visit](const LedgerRow& row, std::int64_t) { visit(row); });
}

void forEachRowAndRowid(LedgerConnection& connection,
                        const std::function<void(const LedgerRow&, std::int64_t rowid)>& visit)
{
    Statement all(connection.db(),
                  std::string("SELECT ") + kRowColumnsSql + ", rowid FROM Ledger ORDER BY rowid");
    try {
        for (long long position = 1; all.step(); ++position)
            visit(readRow(all, 0, position), all.integer(8));
    } catch (...) {
        all.reset();
        throw;
    }
    all.reset();
}

} // namespace tallowick
