#include "LedgerChanges.h"

#include "LedgerFile.h"
#include "RecomputeBalances.h"
#include "RecordCursor.h"

namespace tallowick {

void AddInitialBalance(RecordCursor& cursor, std::string_view balanceText)
{
    cursor.AddNew();
    cursor.SetField("Description of Transaction", "Initial Balance");
    cursor.SetField("Payment / debit", std::int64_t(0));
    cursor.SetField("tax deductible", std::int64_t(0));
    cursor.SetField("fee", std::int64_t(0));
    cursor.SetField("deposit / credit", std::int64_t(0));
    cursor.SetField("Balance", balanceText);
    cursor.Update();
}

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
    cursor.connection().changes().name(ChangeKind::Delete, position);
    cursor.MoveFirst();
    cursor.Move(position - 1);
    cursor.Delete();
    RecomputeBalances(cursor);
    transaction.commit();
}

} // namespace tallowick
