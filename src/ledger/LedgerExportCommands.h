#pragma once

#include <QString>

class QTableView;
class QWidget;

namespace tallowick {

// "Copy": the grid's selected rows (the current row when none is selected)
// as tab-separated text in the grid's display formats, under a header line
// of the grid's captions, on the clipboard, ready to paste into a
// spreadsheet. Spacer columns are left out.
void CopySelectedRows(QTableView* grid);

// The text CopySelectedRows puts on the clipboard.
QString SelectedRowsText(QTableView* grid);

// "Export to CSV…": asks for a file in a save dialog (first offering
// "My Tallowick.csv" in the user's documents folder) and writes the whole
// ledger there as CSV (exportCsv). The file is written under a temporary name
// beside it and renamed when complete (writeFileReplacing), so it is whole or
// absent; a failure is shown in a message box and leaves any earlier file as
// it was.
void ExportLedgerToCsv(QWidget* parent);

} // namespace tallowick
