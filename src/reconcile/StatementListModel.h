#pragma once

#include "StatementImport.h"

#include <QAbstractTableModel>
#include <QString>

#include <vector>

namespace tallowick {

// The Statement window's list: the statement's transactions in its order,
// each with the outcome proposed for it, which the user may change to any
// of the transaction's choices before anything is stored.
class StatementListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { DateColumn, NumberColumn, DescriptionColumn, AmountColumn, OutcomeColumn, ColumnCount };

    explicit StatementListModel(QObject* parent = nullptr);

    void reset(std::vector<StatementTransaction> transactions, StatementProposal proposal);
    const std::vector<StatementTransaction>& transactions() const { return transactions_; }
    const std::vector<StatementDecision>& decisions() const { return decisions_; }
    const StatementProposal& proposal() const { return proposal_; }

    // What the transaction in `row` may become, the current outcome among them.
    std::vector<StatementDecision> choices(int row) const;
    void decide(int row, const StatementDecision& decision);
    // "Matched row 3", "New row", "Amount differs from row 7"...
    static QString outcomeText(const StatementDecision& decision);
    // "2 matched, 1 new, ..." for the decisions as they stand.
    QString countsText() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<StatementTransaction> transactions_;
    StatementProposal proposal_;
    std::vector<StatementDecision> decisions_;
};

} // namespace tallowick
