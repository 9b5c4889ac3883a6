#include "LedgerRecordset.h"

#include "LedgerTableModel.h"
#include "Module1.h"

#include <QItemSelectionModel>
#include <QTableView>

#include <algorithm>

namespace tallowick {

LedgerRecordset::LedgerRecordset(QTableView* grid, QObject* parent)
    : QObject(parent)
    , grid_(grid)
    , model_(new LedgerTableModel(this))
{
    setObjectName(QStringLiteral("datPrimaryRS"));
    grid_->setModel(model_);
}

void LedgerRecordset::open(bool sameReading)
{
    model_->open(Module1::ledgerPath(), sameReading);
}

void LedgerRecordset::Refresh(bool sameReading)
{
    open(sameReading);
    makeCurrent(0);
}

void LedgerRecordset::RefreshIfChanged()
{
    if (!model_->fileChanged())
        return;
    const int position = AbsolutePosition();
    open();
    if (position >= 1)
        makeCurrent(std::min(position, model_->rowCount()) - 1);
}

void LedgerRecordset::MoveLast()
{
    makeCurrent(model_->rowCount() - 1);
}

void LedgerRecordset::MoveTo(int position)
{
    makeCurrent(position - 1);
}

void LedgerRecordset::makeCurrent(int row)
{
    if (row < 0 || row >= model_->rowCount())
        return;
    const QModelIndex index = model_->index(row, LedgerTableModel::NumberColumn);
    grid_->selectionModel()->setCurrentIndex(index,
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grid_->scrollTo(index);
}

int LedgerRecordset::AbsolutePosition() const
{
    const QModelIndex current = grid_->currentIndex();
    return current.isValid() ? current.row() + 1 : -1;
}

long long LedgerRecordset::RecordCount() const
{
    return model_->rowCount();
}

} // namespace tallowick
