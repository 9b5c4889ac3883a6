#include "LedgerTableModel.h"

#include "LedgerPageReader.h"
#include "StoreError.h"
#include "StoreText.h"

#include <climits>
#include <optional>

namespace tallowick {

LedgerTableModel::LedgerTableModel(QObject* parent) : QAbstractTableModel(parent) {}

LedgerTableModel::~LedgerTableModel() = default;

void LedgerTableModel::open(const std::string& ledgerPath, bool sameReading)
{
    // The file is opened and counted before anything changes: when it cannot
    // be read, the grid keeps showing the rows it had. A fresh connection
    // each time also notices a ledger file replaced or removed meanwhile.
    auto reader = std::make_unique<LedgerPageReader>(ledgerPath);
    // The view counts rows in int; a ledger beyond that shows its first rows.
    const int rows = int(std::min<long long>(reader->rowCount(), INT_MAX));
    beginResetModel();
    reader_ = std::move(reader);
    pages_.clear();
    rows_ = rows;
    errorReported_ = errorReported_ && sameReading;
    endResetModel();
}

bool LedgerTableModel::fileChanged() const
{
    return reader_ && reader_->changedSinceCounted();
}

int LedgerTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int LedgerTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

int LedgerTableModel::columnWidthTwips(int column)
{
    static constexpr int kWidths[ColumnCount] = {675, 930, 45, 4575, 45, 1290, 210, 660, 45, 1290, 45, 1695};
    return (column >= 0 && column < ColumnCount) ? kWidths[column] : 0;
}

const LedgerRow& LedgerTableModel::rowAt(int row) const
{
    const long long page = row / kPageRows;
    for (auto it = pages_.begin(); it != pages_.end(); ++it) {
        if (it->first == page) {
            pages_.splice(pages_.begin(), pages_, it);
            return pages_.front().second.at(std::size_t(row % kPageRows));
        }
    }
    if (!reader_)
        throw StoreError(StoreError::Kind::NoCurrentRow, "The ledger is not open.");
    std::vector<LedgerRow> rows = reader_->readRows(page * kPageRows + 1, kPageRows);
    if (std::size_t(row % kPageRows) >= rows.size())
        throw StoreError(StoreError::Kind::NoCurrentRow, "The ledger changed while it was read.");
    pages_.emplace_front(page, std::move(rows));
    if (pages_.size() > kMostPages)
        pages_.pop_back();
    return pages_.front().second.at(std::size_t(row % kPageRows));
}

QVariant LedgerTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_)
        return {};
    if (role == Qt::TextAlignmentRole) {
        switch (index.column()) {
        case NumberColumn:
        case PaymentColumn:
        case FeeColumn:
        case DepositColumn:
        case BalanceColumn: return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        default: return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
    if (role != Qt::DisplayRole)
        return {};

    static constexpr std::optional<LedgerColumn> kShown[ColumnCount] = {
        LedgerColumn::Number,        LedgerColumn::Date, std::nullopt,
        LedgerColumn::Description,   std::nullopt,       LedgerColumn::Payment,
        LedgerColumn::TaxDeductible, LedgerColumn::Fee,  std::nullopt,
        LedgerColumn::Deposit,       std::nullopt,       LedgerColumn::Balance};
    const std::optional<LedgerColumn> shown = kShown[index.column()];
    if (!shown)
        return QString();
    try {
        // The store's display forms, which Find matches against as well.
        return toQt(displayFieldText(rowAt(index.row()), *shown));
    } catch (const std::exception& error) {
        // Report once per reading of the table, not once per painted cell.
        if (!errorReported_) {
            errorReported_ = true;
            emit dataError(describe(error));
        }
        return {};
    }
}

QVariant LedgerTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case NumberColumn: return QStringLiteral("Number");
    case DateColumn: return QStringLiteral("Date");
    case DescriptionColumn: return QStringLiteral("Description of Transaction");
    case PaymentColumn: return QStringLiteral("Payment / Debit");
    case TaxColumn: return QStringLiteral("T");
    case FeeColumn: return QStringLiteral("Fee");
    case DepositColumn: return QStringLiteral("Deposit / Credit");
    case BalanceColumn: return QStringLiteral("Balance");
    default: return QString();
    }
}

} // namespace tallowick
