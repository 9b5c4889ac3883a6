#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace tallowick {

// The no-warranty agreement shown at every start. "I Agree" opens the first
// run's opening-balance window or the ledger; "Cancel" ends the program.
class Form2 : public QWidget {
    Q_OBJECT

public:
    explicit Form2(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QPushButton* Command1; // "I Agree"
    QPushButton* Command2; // "Cancel"

private:
    void Command1_Click();
    void Command2_Click();
};

} // namespace tallowick
