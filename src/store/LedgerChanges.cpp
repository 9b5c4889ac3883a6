#include "LedgerChanges.h"

#include "LedgerFile.h"
#include "RecomputeBalances.h"
#include "RecordCursor.h"

namespace tallowick {

void UpdateAndRebalance(RecordCursor& cursor)
{
    const RecordCursor::Place edited = cursor.place();
    try {
        Transaction transaction(cursor.connection());
        cursor.Update();
        RecomputeBalances(cursor);
        transaction.commit();
    } catch (...) {
        cursor.CancelUpdate();
        cursor.returnTo(edited);
        throw;
    }
}

void DeleteAndRebalance(RecordCursor& cursor, std::int64_t position)
{
    Transaction transaction(cursor.connection());
    cursor.connection().changes().name(ChangeRecord::Kind::Delete, position);
    cursor.MoveFirst();
    cursor.Move(position - 1);
    cursor.Delete();
    RecomputeBalances(cursor);
    transaction.commit();
}

} // namespace tallowick
