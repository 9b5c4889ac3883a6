#pragma once

#include <QApplication>

namespace tallowick {

// Shows the busy mouse pointer for as long as it lives: around work that
// rewrites the ledger and may take a while.
class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

} // namespace tallowick
