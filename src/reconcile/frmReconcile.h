#pragma once

#include "Money.h"

#include <QWidget>

#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace tallowick {

class ReconcileListModel;
struct LedgerDate;

// "Reconcile": balances the register against the bank's statement. The user
// types the statement's date and ending balance and ticks the rows the
// statement shows; the totals follow each tick. The ticks stay in the window
// until "Finish" (at a difference of $0.00) reconciles them with a new
// statement, or "Postpone" keeps them as cleared with the typed date and
// balance for the next opening; "Cancel" stores nothing. Each of the three
// hands back to the ledger window, which is unloaded while this one works.
class frmReconcile : public QWidget {
    Q_OBJECT

public:
    explicit frmReconcile(QWidget* parent = nullptr);

    QLabel* lblStatementDate; // "Statement &date:"
    QLineEdit* txtStatementDate;
    QLabel* lblEndingBalance; // "&Ending balance:"
    QLineEdit* txtEndingBalance;
    QLabel* lblStartingCaption; // "Starting balance:"
    QLabel* lblStartingBalance;
    QLabel* lblNotice; // marks another program's write cost, or nothing
    QTableView* grdRows;
    QCheckBox* chkShowLater; // "Show &later rows"
    QLabel* lblPaymentsCaption; // "Cleared payments and fees:"
    QLabel* lblPayments;
    QLabel* lblDepositsCaption; // "Cleared deposits:"
    QLabel* lblDeposits;
    QLabel* lblClearedCaption; // "Cleared balance:"
    QLabel* lblClearedBalance;
    QLabel* lblDifferenceCaption; // "Difference:"
    QLabel* lblDifference;
    QPushButton* cmdFinish; // "&Finish"
    QPushButton* cmdAdjust; // "Ad&just…"
    QPushButton* cmdPostpone; // "&Postpone"
    QPushButton* cmdCancel; // "Cancel", Esc

    ReconcileListModel* model() const { return model_; }
    // What the boxes say, when they say it in the editor's forms.
    std::optional<LedgerDate> StatementDate() const;
    std::optional<Money> EndingBalance() const;
    // The ending balance less the cleared balance; none without an ending balance.
    std::optional<Money> Difference() const;

    // Fills in the statement's date and ending balance (each in the editor's
    // forms, an empty text leaving its box as it was), as an imported
    // statement opens the window, and lists the rows again.
    Q_INVOKABLE void Prefill(const QString& statementDate, const QString& endingBalance);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void layOut();
    void showNotice();
    void txtStatementDate_LostFocus();
    void showTotals();
    void relist();
    void cmdFinish_Click();
    void cmdAdjust_Click();
    void cmdPostpone_Click();
    void cmdCancel_Click();
    void handBack();

    ReconcileListModel* model_;
    bool closeWatched_ = false;
};

} // namespace tallowick
