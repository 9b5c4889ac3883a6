// Creates an empty ledger file; used by the install step and never touches a
// file that exists already.
#include "LedgerFile.h"
#include "StoreError.h"

#include <iostream>

int main(int argc, char** argv)
{
    // An option such as --help is never taken for the name of a new file;
    // a name that starts with "-" can be given as ./-name.
    if (argc != 2 || argv[1][0] == '-') {
        std::cerr << "usage: tallowick-create-ledger FILE (a FILE whose name starts with \"-\" is written "
                     "./-FILE)\n";
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
