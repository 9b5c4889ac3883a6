// Runs one change on a ledger exactly as the windows do, for the crash test:
//   crash-worker LEDGER insert K | update K PAYMENT | delete K
// Prints "ready" once the ledger is open and the change is about to start,
// so that the test's kill lands inside the change.
#include "InsertRow.h"
#include "LedgerChanges.h"
#include "RecordCursor.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

using namespace tallowick;

int main(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    try {
        RecordCursor cursor(argv[1]);
        const std::int64_t position = std::atoll(argv[3]);
        if (std::strcmp(argv[2], "update") == 0 && argc == 5) {
            cursor.MoveFirst();
            cursor.Move(position - 1);
            cursor.Edit();
            cursor.SetField("payment / debit", argv[4]);
            std::puts("ready");
            std::fflush(stdout);
            UpdateAndRebalance(cursor);
        } else if (std::strcmp(argv[2], "insert") == 0) {
            std::puts("ready");
            std::fflush(stdout);
            InsertPlaceholderAfter(cursor, position);
        } else if (std::strcmp(argv[2], "delete") == 0) {
            std::puts("ready");
            std::fflush(stdout);
            DeleteAndRebalance(cursor, position);
        } else {
            return 2;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    std::puts("done");
    return 0;
}
