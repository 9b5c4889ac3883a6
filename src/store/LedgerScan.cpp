#include "LedgerScan.h"

#include "RowCodec.h"

namespace tallowick {

void forEachLedgerRow(LedgerConnection& connection, const std::function<void(const LedgerRow&)>& visit)
{
    Statement all(connection.db(), std::string("SELECT ") + kRowColumnsSql + " FROM Ledger ORDER BY rowid");
    try {
        while (all.step())
            visit(readRow(all, 0));
    } catch (...) {
        all.reset();
        throw;
    }
    all.reset();
}

} // namespace tallowick
