#pragma once

#include "LedgerFile.h"
#include "Reconciliation.h"

#include <QAbstractTableModel>

#include <climits>

#include <list>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace tallowick {

// The Reconcile window's list: the rows not yet reconciled that the
// statement covers, each with its tick, in stored order. The ticks are the
// window's own until a button stores them. It reads the rows' texts in
// pages on demand, as the grid does, and keeps the ticked totals by
// difference, so that a tick costs the same on a million rows as on ten.
class ReconcileListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        TickColumn,
        NumberColumn,
        DateColumn,
        DescriptionColumn,
        PaymentColumn,
        FeeColumn,
        DepositColumn,
        ColumnCount
    };

    explicit ReconcileListModel(QObject* parent = nullptr);
    ~ReconcileListModel() override;

    // Reads the file's reconciliation on a connection of its own; rows
    // stored as cleared start ticked, and so do those in `alsoTicked`.
    // Throws StoreError and then keeps what it had.
    void open(const std::string& ledgerPath, const std::set<std::int64_t>& alsoTicked = {});
    const ReconciliationView& view() const { return view_; }

    // Lists the rows dated on or before `date` (every row when none), or
    // every row with `laterToo`. A tick on a row that leaves the list goes.
    void list(const std::optional<LedgerDate>& date, bool laterToo);

    void toggle(int row);
    bool isTicked(int row) const;
    // The rowids of the ticked rows, in stored order.
    std::vector<std::int64_t> tickedRowids() const;
    Money tickedPayments() const { return tickedOutflow_; } // payments and fees
    Money tickedDeposits() const { return tickedInflow_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void ticksChanged();
    // A read failed while the list was drawing; the description is the store's.
    void dataError(const QString& description) const;

private:
    static constexpr int kPageRows = 128;
    static constexpr std::size_t kMostPages = 12;
    const LedgerRow* rowAt(int row) const;
    void tick(std::size_t entry, bool on);
    void knowAmounts(std::size_t entry, const LedgerRow& row);

    std::unique_ptr<LedgerConnection> connection_;
    ReconciliationView view_;
    std::vector<std::size_t> listed_; // entry index per list row
    std::vector<char> ticked_; // per entry
    std::vector<char> amountsRead_; // per entry: its amounts are in view_ (the others read as zero)
    Money tickedOutflow_;
    Money tickedInflow_;
    mutable std::list<std::pair<int, std::vector<LedgerRow>>> pages_; // most recently used first
    mutable bool errorReported_ = false;
};

} // namespace tallowick
