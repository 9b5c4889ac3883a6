#pragma once

#include "Money.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace tallowick {

class RecordCursor;

// The record editor: one row typed in as a new row (add mode), or shown,
// changed and stored in place with every balance recomputed (edit mode).
// The opener chooses the mode by the buttons it shows and by leaving Timer2
// running (edit) or stopping it (add).
class Form3 : public QWidget {
    Q_OBJECT

public:
    explicit Form3(QWidget* parent = nullptr);
    ~Form3() override;

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label11;
    QLineEdit* Text1; // number
    QLineEdit* Text2; // date
    QLineEdit* Text5; // description of transaction
    QLineEdit* Text6; // payment / debit
    QCheckBox* Check1; // tax deductible
    QLineEdit* Text7; // fee
    QLineEdit* Text8; // deposit / credit
    QLineEdit* Text9; // balance, display only
    QPushButton* Command1; // "Add"
    QPushButton* Command2; // "Cancel"
    QPushButton* Command3; // "Update"
    QPushButton* Command4; // "<<"
    QPushButton* Command5; // "<"
    QPushButton* Command6; // ">"
    QPushButton* Command7; // ">>"
    QTimer* Timer1; // add-mode opening work, 100 ms
    QTimer* Timer2; // edit-mode opening work, 200 ms

    // The editor's own cursor over the ledger; null when the file could not be opened.
    std::unique_ptr<RecordCursor> Data1;

    Money PriorBalance;
    Money PaymentAmount;
    Money FeeAmount;
    Money DepositAmount;

    // Copies the row under the cursor into the boxes.
    void ShowCurrentRow();

    // What an opener sets before the timers tick: edit mode shows "Update"
    // and the navigation buttons and lets Timer2 run; add mode shows "Add"
    // as the default button and stops Timer2.
    void PrepareEditMode();
    void PrepareAddMode();

    // Makes `button` the one that Enter presses.
    void setDefaultButton(QPushButton* button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void AmountChanged();
    void HideNavigation();

    void Timer1_Timer();
    void Timer2_Timer();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void returnToLedger();
    void takePriorBalanceFromRowBefore();
    void navigate(const std::function<void()>& move);
    bool ensureCursor();
    void fillEmptyAmounts();
    bool writeBoxes(bool clearEmptyFields);

    void readLastBalance();
    void showRow(bool emptyFirst);
    bool positionOnShownRow();

    QPushButton* defaultButton_ = nullptr;
    // The row the boxes show in edit mode, once it was shown in full: the
    // only row "Update" may write. Empty while no row is fully shown.
    std::optional<std::int64_t> shownRowid_;
    // Add mode's base was read from the last row.
    bool lastBalanceRead_ = false;
    // Text9 holds the balance for the boxes: the amount rule's last run
    // succeeded, or a stored row was shown since. While it does not, Text9
    // is stale and "Add" and "Update" store nothing.
    bool balanceShown_ = true;
};

} // namespace tallowick
