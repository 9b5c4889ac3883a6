// The Reconcile window's buttons: each change is one transaction of the
// store, noted for the undo history like any other.
#include "frmReconcile.h"

#include "BusyPointer.h"
#include "LedgerDate.h"
#include "MessageBox.h"
#include "Module1.h"
#include "ReconcileListModel.h"
#include "StoreText.h"
#include "WindowRegistry.h"

#include <QDate>
#include <QLineEdit>
#include <QPushButton>

#include <set>

namespace tallowick {

namespace {

const QString kName = QStringLiteral("frmReconcile");

LedgerDate today()
{
    const QDate date = QDate::currentDate();
    return {date.year(), date.month(), date.day()};
}

} // namespace

void frmReconcile::handBack()
{
    WindowRegistry::instance().HandOver(kName, QStringLiteral("frmLedger"));
}

void frmReconcile::cmdFinish_Click()
{
    const std::optional<LedgerDate> date = StatementDate();
    const std::optional<Money> ending = EndingBalance();
    const std::optional<Money> difference = Difference();
    if (!date || !ending || !difference || *difference != Money())
        return;
    try {
        BusyPointer busy;
        auto connection = LedgerConnection::open(Module1::ledgerPath());
        finishReconciliation(*connection, model_->tickedRowids(), *date, *ending, today(),
                             model_->view().counter);
    } catch (const std::exception& error) {
        ShowMessage(this, describe(error));
        return;
    }
    handBack();
}

void frmReconcile::cmdAdjust_Click()
{
    const std::optional<LedgerDate> date = StatementDate();
    const std::optional<Money> difference = Difference();
    if (!date || !difference || *difference == Money())
        return;
    const QString question =
        QStringLiteral(
            "Add the row \"Balance adjustment\" dated %1 for %2, ticked, so that the difference is "
            "$0.00?")
            .arg(toQt(date->shortText()), toQt(difference->displayText()));
    const bool proceed = AskToProceed(this, question);
    activateWindow(); // the keys go on here once the question has gone
    if (!proceed)
        return;
    try {
        BusyPointer busy;
        // The ticks not stored yet stay, and the new row comes ticked.
        const std::vector<std::int64_t> ticked = model_->tickedRowids();
        std::set<std::int64_t> keep(ticked.begin(), ticked.end());
        auto connection = LedgerConnection::open(Module1::ledgerPath());
        keep.insert(appendBalanceAdjustment(*connection, *date, *difference, model_->view().counter));
        connection.reset();
        model_->open(Module1::ledgerPath(), keep);
    } catch (const std::exception& error) {
        ShowMessage(this, describe(error));
        return;
    }
    relist();
}

void frmReconcile::cmdPostpone_Click()
{
    ReconcileDraft draft;
    draft.statementDate = StatementDate();
    draft.endingBalance = EndingBalance();
    try {
        BusyPointer busy;
        auto connection = LedgerConnection::open(Module1::ledgerPath());
        postponeReconciliation(*connection, model_->tickedRowids(), draft, model_->view().counter);
    } catch (const std::exception& error) {
        ShowMessage(this, describe(error));
        return;
    }
    handBack();
}

void frmReconcile::cmdCancel_Click()
{
    handBack();
}

} // namespace tallowick
