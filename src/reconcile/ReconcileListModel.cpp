#include "ReconcileListModel.h"

#include "StoreError.h"
#include "StoreText.h"

#include <algorithm>

namespace tallowick {

ReconcileListModel::ReconcileListModel(QObject* parent) : QAbstractTableModel(parent) {}

ReconcileListModel::~ReconcileListModel() = default;

void ReconcileListModel::open(const std::string& ledgerPath, const std::set<std::int64_t>& alsoTicked)
{
    auto connection = LedgerConnection::open(ledgerPath);
    ReconciliationView view = readReconciliationList(*connection);
    // The amounts of the rows that open ticked, read in one go.
    std::vector<std::size_t> ticked;
    std::vector<std::int64_t> rowids;
    for (std::size_t entry = 0; entry < view.unreconciled.size(); ++entry) {
        const ReconcileEntry& row = view.unreconciled[entry];
        if (row.status == MarkStatus::Cleared || alsoTicked.count(row.rowid)) {
            ticked.push_back(entry);
            rowids.push_back(row.rowid);
        }
    }
    const std::vector<LedgerRow> rows = readRowsById(*connection, rowids);
    if (rows.size() != rowids.size())
        throw StoreError(StoreError::Kind::NoCurrentRow, "The ledger changed while it was read.");
    beginResetModel();
    connection_ = std::move(connection);
    view_ = std::move(view);
    listed_.clear();
    pages_.clear();
    errorReported_ = false;
    ticked_.assign(view_.unreconciled.size(), 0);
    amountsRead_.assign(view_.unreconciled.size(), 0);
    tickedOutflow_ = tickedInflow_ = Money();
    for (std::size_t k = 0; k < ticked.size(); ++k) {
        knowAmounts(ticked[k], rows[k]);
        tick(ticked[k], true);
    }
    endResetModel();
    emit ticksChanged();
}

void ReconcileListModel::list(const std::optional<LedgerDate>& date, bool laterToo)
{
    std::vector<std::size_t> listed = view_.listed(date, laterToo);
    beginResetModel();
    std::vector<char> stays(ticked_.size(), 0);
    for (std::size_t entry : listed)
        stays[entry] = 1;
    for (std::size_t entry = 0; entry < ticked_.size(); ++entry)
        if (ticked_[entry] && !stays[entry])
            tick(entry, false);
    listed_ = std::move(listed);
    pages_.clear();
    endResetModel();
    emit ticksChanged();
}

void ReconcileListModel::tick(std::size_t entry, bool on)
{
    if (bool(ticked_[entry]) == on)
        return;
    ticked_[entry] = on;
    const ReconcileEntry& row = view_.unreconciled[entry];
    if (on) {
        tickedOutflow_ += row.outflow;
        tickedInflow_ += row.inflow;
    } else {
        tickedOutflow_ -= row.outflow;
        tickedInflow_ -= row.inflow;
    }
}

void ReconcileListModel::knowAmounts(std::size_t entry, const LedgerRow& row)
{
    ReconcileEntry& known = view_.unreconciled[entry];
    known.outflow = row.payment + row.fee;
    known.inflow = row.deposit;
    amountsRead_[entry] = 1;
}

void ReconcileListModel::toggle(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    const std::size_t entry = listed_[std::size_t(row)];
    if (!amountsRead_[entry]) {
        // The list opened without amounts: the row's page holds them.
        try {
            knowAmounts(entry, *rowAt(row));
        } catch (const StoreError& error) {
            emit dataError(describe(error));
            return;
        }
    }
    tick(entry, !isTicked(row));
    const QModelIndex box = index(row, TickColumn);
    emit dataChanged(box, box, {Qt::CheckStateRole});
    emit ticksChanged();
}

bool ReconcileListModel::isTicked(int row) const
{
    return row >= 0 && row < rowCount() && ticked_[listed_[std::size_t(row)]];
}

std::vector<std::int64_t> ReconcileListModel::tickedRowids() const
{
    std::vector<std::int64_t> rowids;
    for (std::size_t entry = 0; entry < ticked_.size(); ++entry)
        if (ticked_[entry])
            rowids.push_back(view_.unreconciled[entry].rowid);
    return rowids;
}

int ReconcileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(std::min<std::size_t>(listed_.size(), INT_MAX));
}

int ReconcileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const LedgerRow* ReconcileListModel::rowAt(int row) const
{
    const int page = row / kPageRows;
    auto found = pages_.begin();
    while (found != pages_.end() && found->first != page)
        ++found;
    if (found == pages_.end()) {
        std::vector<std::int64_t> rowids;
        for (int k = page * kPageRows; k < std::min(rowCount(), (page + 1) * kPageRows); ++k)
            rowids.push_back(view_.unreconciled[listed_[std::size_t(k)]].rowid);
        std::vector<LedgerRow> rows = readRowsById(*connection_, rowids);
        if (rows.size() != rowids.size())
            throw StoreError(StoreError::Kind::NoCurrentRow, "The ledger changed while it was read.");
        pages_.emplace_front(page, std::move(rows));
        if (pages_.size() > kMostPages)
            pages_.pop_back();
    } else {
        pages_.splice(pages_.begin(), pages_, found);
    }
    return &pages_.front().second.at(std::size_t(row % kPageRows));
}

QVariant ReconcileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int column = index.column();
    if (column == TickColumn && (role == Qt::CheckStateRole || role == Qt::AccessibleTextRole)) {
        const bool ticked = isTicked(index.row());
        if (role == Qt::CheckStateRole)
            return ticked ? Qt::Checked : Qt::Unchecked;
        return ticked ? QStringLiteral("Cleared") : QStringLiteral("Not cleared");
    }
    if (role == Qt::TextAlignmentRole)
        return column == DateColumn || column == DescriptionColumn
                   ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                   : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole || column == TickColumn)
        return {};
    const LedgerRow* row = nullptr;
    try {
        row = rowAt(index.row());
    } catch (const StoreError& error) {
        if (!errorReported_) {
            errorReported_ = true;
            emit dataError(describe(error));
        }
        return {};
    }
    const auto money = [](const Money& amount) { return toQt(amount.displayText()); };
    switch (column) {
    case NumberColumn: return row->number ? QString::number(*row->number) : QString();
    case DateColumn: return row->date ? toQt(row->date->shortText()) : QString();
    case DescriptionColumn: return toQt(row->description.value_or(std::string()));
    case PaymentColumn: return money(row->payment);
    case FeeColumn: return money(row->fee);
    case DepositColumn: return money(row->deposit);
    default: return {};
    }
}

bool ReconcileListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != TickColumn || role != Qt::CheckStateRole)
        return false;
    if ((value.toInt() == Qt::Checked) != isTicked(index.row()))
        toggle(index.row());
    return true;
}

Qt::ItemFlags ReconcileListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == TickColumn)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant ReconcileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const kCaptions[ColumnCount] = {
        "Cleared", "Number",          "Date", "Description of Transaction", "Payment / Debit",
        "Fee",     "Deposit / Credit"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(kCaptions[section]) : QVariant();
}

} // namespace tallowick
