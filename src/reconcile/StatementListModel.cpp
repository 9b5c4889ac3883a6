#include "StatementListModel.h"

#include "StoreText.h"

#include <algorithm>

namespace tallowick {

StatementListModel::StatementListModel(QObject* parent) : QAbstractTableModel(parent) {}

void StatementListModel::reset(std::vector<StatementTransaction> transactions, StatementProposal proposal)
{
    beginResetModel();
    transactions_ = std::move(transactions);
    proposal_ = std::move(proposal);
    decisions_ = proposal_.decisions;
    endResetModel();
}

std::vector<StatementDecision> StatementListModel::choices(int row) const
{
    const StatementDecision& proposed = proposal_.decisions.at(std::size_t(row));
    if (proposed.outcome == StatementOutcome::AlreadyImported)
        return {proposed};
    std::vector<StatementDecision> offered;
    if (proposed.outcome == StatementOutcome::AmountDiffers)
        offered = {proposed,
                   {StatementOutcome::TakeBankAmount, proposed.rowid, proposed.position, proposed.rowAmount}};
    for (const StatementCandidate& candidate : proposal_.choices.at(std::size_t(row)))
        offered.push_back({StatementOutcome::Matched, candidate.rowid, candidate.position, candidate.amount});
    offered.push_back({StatementOutcome::New, 0, 0, Money()});
    offered.push_back({StatementOutcome::Skip, 0, 0, Money()});
    return offered;
}

void StatementListModel::decide(int row, const StatementDecision& decision)
{
    decisions_.at(std::size_t(row)) = decision;
    const QModelIndex changed = index(row, OutcomeColumn);
    emit dataChanged(changed, changed);
}

QString StatementListModel::outcomeText(const StatementDecision& decision)
{
    const QString row = QString::number(decision.position);
    switch (decision.outcome) {
    case StatementOutcome::AlreadyImported: return QStringLiteral("Already imported");
    case StatementOutcome::Matched: return QStringLiteral("Matched row %1").arg(row);
    case StatementOutcome::AmountDiffers: return QStringLiteral("Amount differs from row %1").arg(row);
    case StatementOutcome::New: return QStringLiteral("New row");
    case StatementOutcome::Skip: return QStringLiteral("Skip");
    case StatementOutcome::TakeBankAmount: break;
    }
    return QStringLiteral("Take the bank's amount into row %1").arg(row);
}

QString StatementListModel::countsText() const
{
    const auto count = [this](std::initializer_list<StatementOutcome> outcomes) {
        return std::count_if(decisions_.begin(), decisions_.end(), [&](const StatementDecision& decision) {
            return std::find(outcomes.begin(), outcomes.end(), decision.outcome) != outcomes.end();
        });
    };
    return QStringLiteral("%1 matched, %2 new, %3 already imported, %4 skipped")
        .arg(count({StatementOutcome::Matched, StatementOutcome::TakeBankAmount}))
        .arg(count({StatementOutcome::New}))
        .arg(count({StatementOutcome::AlreadyImported}))
        .arg(count({StatementOutcome::Skip, StatementOutcome::AmountDiffers}));
}

int StatementListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(transactions_.size());
}

int StatementListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant StatementListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::TextAlignmentRole))
        return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() == AmountColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    const StatementTransaction& transaction = transactions_.at(std::size_t(index.row()));
    switch (index.column()) {
    case DateColumn: return transaction.date ? toQt(transaction.date->shortText()) : QString();
    case NumberColumn: return transaction.number ? QString::number(*transaction.number) : QString();
    case DescriptionColumn: return toQt(transaction.description);
    case AmountColumn: return toQt(transaction.amount.displayText());
    default: return outcomeText(decisions_.at(std::size_t(index.row())));
    }
}

QVariant StatementListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kCaptions[] = {"Date", "Number", "Description", "Amount", "Outcome"};
    return QString::fromLatin1(kCaptions[section]);
}

} // namespace tallowick
