// Creates an empty ledger file; used by the install step and never touches a
// file that exists already.
#include "LedgerFile.h"
#include "StoreError.h"

#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: tallowick-create-ledger FILE\n";
        return 2;
    }
    try {
        tallowick::createLedgerFile(argv[1]);
    } catch (const tallowick::StoreError& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
    return 0;
}
