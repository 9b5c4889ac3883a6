#pragma once

class QWidget;

namespace tallowick {

// "Import Statement…": asks for a bank's statement file (OFX or QFX) in an
// open dialog, has the Statement window read it, and hands the ledger
// window over to it. A file that cannot be read is refused in a message box
// and the ledger window stays.
void ImportStatement(QWidget* ledgerWindow);

} // namespace tallowick
