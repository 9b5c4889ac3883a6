#pragma once

#include <QWidget>

class QPrinter;
class QPushButton;
class QTableView;
class QTimer;

namespace tallowick {

class LedgerRecordset;

// The main window: every row of the ledger in a grid, the last row current
// after opening, and the strip of commands that start the work on rows.
class frmLedger : public QWidget {
    Q_OBJECT

public:
    explicit frmLedger(QWidget* parent = nullptr);
    ~frmLedger() override;

    QTableView* grdDataGrid;
    LedgerRecordset* datPrimaryRS;
    QWidget* picButtons;
    QTimer* Timer1;

    QPushButton* cmdAdd; // "&Add"
    QPushButton* Command1; // "&Edit"
    QPushButton* cmdDelete; // "&Delete"
    QPushButton* Command3; // "&Insert"
    QPushButton* cmdRefresh; // "&Refresh"
    QPushButton* cmdClose; // "&Close"
    QPushButton* Command4; // "&Help"
    QPushButton* Command2; // "&Print"

    // Draws the client area (visible grid and strip) onto one page of the printer.
    void PrintClientArea(QPrinter& printer);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QPushButton* makeButton(const char* name, const QString& caption, int leftTwips);
    void applyResizeRule();
    void showDataError(const QString& description);
    // After an undo or redo: the table read again, the row at `position` current.
    void showChangedRow(int position);

    void Timer1_Timer();
    void cmdRefresh_Click();
    void cmdClose_Click();
    void cmdAdd_Click();
    void Command1_Click();
    void cmdDelete_Click();
    void Command3_Click();
    void Command4_Click();
    void Command2_Click();
};

} // namespace tallowick
