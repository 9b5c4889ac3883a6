#include "LedgerScan.h"

#include "RowCodec.h"

namespace tallowick {

void forEachLedgerRow(LedgerConnection& connection, const std::function<void(const LedgerRow&)>& visit)
{
    Statement all(connection.db(), std::string("SELECT ") + kRowColumnsSql + " FROM Ledger ORDER BY rowid");
    try {
        for (long long position = 1; all.step(); ++position)
            visit(readRow(all, 0, position));
    } catch (...) {
        all.reset();
        throw;
    }
    all.reset();
}

} // namespace tallowick
