// Runs one change as the windows do, for the crash test:
//   crash-worker LEDGER insert K | update K PAYMENT | delete K
// "ready" is printed just before the change starts, so the kill lands inside it.
#include "InsertRow.h"
#include "LedgerChanges.h"
#include "RecordCursor.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace tallowick;

int main(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    try {
        RecordCursor cursor(argv[1]);
        const std::string change = argv[2];
        const std::int64_t position = std::atoll(argv[3]);
        if (change == "update" && argc == 5) {
            cursor.Move(position - 1);
            cursor.Edit();
            cursor.SetField("payment / debit", argv[4]);
        }
        std::puts("ready");
        std::fflush(stdout);
        if (change == "update")
            UpdateAndRebalance(cursor);
        else if (change == "insert")
            InsertPlaceholderAfter(cursor, position);
        else
            DeleteAndRebalance(cursor, position);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
