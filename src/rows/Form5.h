#pragma once

#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;

namespace tallowick {

class RecordCursor;

// Asks before deleting the row at SelectedRowPosition; "Delete" removes it
// and recomputes the balances, "Cancel" changes nothing. Either way the
// ledger window comes back.
class Form5 : public QWidget {
    Q_OBJECT

public:
    explicit Form5(QWidget* parent = nullptr);
    ~Form5() override;

    QLabel* Label1;
    QPushButton* Command2; // "Cancel"
    QPushButton* Command1; // "Delete"
    std::unique_ptr<RecordCursor> Data1;

    void setDefaultButton(QPushButton* button);

private:
    void Command1_Click();
    void Command2_Click();
    void returnToLedger();
};

} // namespace tallowick
