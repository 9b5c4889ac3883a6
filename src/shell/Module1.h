#pragma once

#include <QString>

#include <cstdint>
#include <string>

namespace tallowick {

// The one value the windows share, and where the program's files live.
struct Module1 {
    // The 1-based position of the row chosen in the ledger grid; set by the
    // ledger window's row commands and read by the windows they open. It is
    // never reset while the program runs.
    static inline std::int32_t SelectedRowPosition = 0;

    // The folder that holds the executable, the ledger file and the help page.
    // Tests point it at a temporary folder.
    static QString installFolder();
    static void setInstallFolder(const QString& folder);

    static std::string ledgerPath();
    static QString helpPagePath();
};

} // namespace tallowick
