#pragma once

#include "LedgerRow.h"

#include <QAbstractTableModel>

#include <list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tallowick {

class LedgerPageReader;

// The grid's view of the Ledger table: twelve columns (four of them empty
// spacers) in the grid's display formats. It knows the row count and keeps
// only a few pages of rows, so a ledger of any length opens at once.
class LedgerTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        NumberColumn,
        DateColumn,
        Spacer1,
        DescriptionColumn,
        Spacer2,
        PaymentColumn,
        TaxColumn,
        FeeColumn,
        Spacer3,
        DepositColumn,
        Spacer4,
        BalanceColumn,
        ColumnCount
    };

    explicit LedgerTableModel(QObject* parent = nullptr);
    ~LedgerTableModel() override;

    // Opens the ledger file (again) and reads its row count; throws
    // StoreError and then keeps what it showed.
    // A read error is reported once per opening; `sameReading` keeps the
    // earlier report (the window's first tick re-reads what it just opened).
    void open(const std::string& ledgerPath, bool sameReading = false);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Whether the file changed since the rows were counted (another program
    // wrote): the rows shown may be stale. Throws StoreError.
    bool fileChanged() const;

    // Width of each column in twips, as the grid is designed.
    static int columnWidthTwips(int column);

    // The row at a 0-based grid row, read through the page cache. Throws StoreError.
    const LedgerRow& rowAt(int row) const;

signals:
    // A read failed while the grid was drawing; the description is the store's.
    void dataError(const QString& description) const;

private:
    static constexpr int kPageRows = 128;
    static constexpr std::size_t kMostPages = 12;

    std::unique_ptr<LedgerPageReader> reader_;
    int rows_ = 0;
    // Most recently used page first: (page number, rows).
    mutable std::list<std::pair<long long, std::vector<LedgerRow>>> pages_;
    mutable bool errorReported_ = false;
};

} // namespace tallowick
