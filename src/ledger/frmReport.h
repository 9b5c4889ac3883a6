#pragma once

#include "ReportRows.h"

#include <QWidget>

class QDateEdit;
class QGroupBox;
class QLabel;
class QPrinter;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace tallowick {

// "Report": prints the register or the tax deductible payments of a period,
// previewed, on a printer or as a PDF file. It opens from the grid's "Print
// Report…" while the ledger window stays open, and reads the ledger file itself.
class frmReport : public QWidget {
    Q_OBJECT

public:
    explicit frmReport(QWidget* parent = nullptr);

    QGroupBox* fraPeriod;
    QRadioButton* optWholeLedger; // "&Whole ledger"
    QRadioButton* optYear; // "&Year:"
    QSpinBox* spnYear;
    QRadioButton* optDates; // "&From:"
    QDateEdit* dtpFrom;
    QLabel* lblTo; // "&to:"
    QDateEdit* dtpTo;
    QGroupBox* fraContent;
    QRadioButton* optRegister; // "&Register"
    QRadioButton* optTaxDeductible; // "Ta&x deductible payments"
    QRadioButton* optReconciliation; // "Reco&nciliation": the last finished statement, without a period
    QPushButton* cmdPreview; // "Pre&view…"
    QPushButton* cmdPrint; // "&Print…"
    QPushButton* cmdSavePdf; // "&Save as PDF…"
    QPushButton* cmdClose; // "&Close"

    // The report the controls choose; Choice() is the register's or the tax report's.
    ReportChoice Choice() const;
    bool ReconciliationChosen() const;

private:
    QPushButton* makeButton(const char* name, const QString& caption, int leftTwips);
    void enablePeriodBoxes();
    // "Register", "Tax deductible payments" or "Reconciliation".
    QString Title() const;
    // Paints the chosen report on the printer; a failure is shown and ends the printing.
    void paintOn(QPrinter* printer);
    // Sets the printer up for the chosen report: page size kept, turned as the columns need.
    void prepare(QPrinter& printer) const;

    void cmdPreview_Click();
    void cmdPrint_Click();
    void cmdSavePdf_Click();
    void cmdClose_Click();
};

} // namespace tallowick
