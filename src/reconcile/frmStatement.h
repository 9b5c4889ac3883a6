#pragma once

#include "OfxStatement.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace tallowick {

class StatementListModel;

// "Import Statement": a bank's statement file, each transaction beside what
// importing it would do (matched to a row the user typed, a new row, already
// imported...). The user may change any outcome among the transaction's
// choices; "Import" stores the whole statement as one change and offers to
// open Reconcile with the statement's date and ending balance filled in;
// "Cancel" stores nothing. Either hands back to the ledger window, which is
// unloaded while this one works.
class frmStatement : public QWidget {
    Q_OBJECT

public:
    explicit frmStatement(QWidget* parent = nullptr);

    QLabel* lblAccount; // the account, the statement's date and ending balance
    QTableView* grdTransactions;
    QLabel* lblOutcome; // "&Outcome:"
    QComboBox* cboOutcome; // the selected transaction's choices
    QLabel* lblCounts; // "2 matched, 1 new, ..."
    QPushButton* cmdImport; // "&Import"
    QPushButton* cmdCancel; // "Cancel", Esc

    StatementListModel* model() const { return model_; }

    // Reads the statement file at `path` and proposes an outcome for each of
    // its transactions; a file with several bank accounts asks which. False,
    // with the reason shown, when the file or the ledger cannot be read.
    Q_INVOKABLE bool OpenStatement(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void layOut();
    void showChoices();
    void cboOutcome_Activated(int choice);
    void cmdImport_Click();
    void handBack();

    StatementListModel* model_;
    OfxAccountStatement statement_;
    bool closeWatched_ = false;
};

} // namespace tallowick
