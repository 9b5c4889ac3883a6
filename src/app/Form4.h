#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tallowick {

// First run: asks for the account's opening amount and stores it as the
// first row of the ledger, the anchor of every later balance.
class Form4 : public QWidget {
    Q_OBJECT

public:
    explicit Form4(QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* Text1;
    QPushButton* Command1; // "OK"

private:
    void Command1_Click();
};

} // namespace tallowick
