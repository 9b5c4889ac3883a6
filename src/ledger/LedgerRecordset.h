#pragma once

#include <QObject>

class QTableView;

namespace tallowick {

class LedgerTableModel;

// The grid's own cursor over the ledger (datPrimaryRS): it feeds the grid's
// model, and its current row is the grid's current row.
class LedgerRecordset : public QObject {
    Q_OBJECT

public:
    LedgerRecordset(QTableView* grid, QObject* parent);

    LedgerTableModel* model() const { return model_; }

    // Opens the ledger file; throws StoreError.
    void open(bool sameReading = false);
    // Reads the table again through a fresh connection; the first row
    // becomes current. Throws StoreError and leaves the grid as it was.
    void Refresh(bool sameReading = false);
    // Reads the table again when the file changed since it was read, keeping
    // the current position (the last row where the table is now shorter).
    // Throws StoreError and leaves the grid as it was.
    void RefreshIfChanged();
    // Makes the last row current and scrolls it into view.
    void MoveLast();
    // Makes the row at a 1-based position current; nothing for a position without a row.
    void MoveTo(int position);
    // The 1-based position of the current row; below 1 when there is none.
    int AbsolutePosition() const;
    long long RecordCount() const;

private:
    void makeCurrent(int row);

    QTableView* grid_;
    LedgerTableModel* model_;
};

} // namespace tallowick
