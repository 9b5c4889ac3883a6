#pragma once

#include "LedgerFind.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tallowick {

// The Find window: beside the ledger window, it selects the next or the
// previous row that shows its text. It serves the ledger window only and is
// unloaded with it, so it never reaches a grid that is gone; its text
// stays for the next opening while the program runs.
class frmFind : public QWidget {
    Q_OBJECT

public:
    explicit frmFind(QWidget* parent = nullptr);

    QLabel* Label1; // "Find what:"
    QLineEdit* Text1;
    QLabel* Label2; // "Not found", or nothing
    QPushButton* Command1; // "Find Next", F3
    QPushButton* Command2; // "Find Previous", Shift+F3
    QPushButton* Command3; // "Close", Esc

    // Loads and shows the window beside `ledger` (over its edge where the
    // screen has no room), its text selected for typing over.
    static frmFind* ShowBeside(QWidget* ledger);

private:
    void Search(FindDirection direction);
    void Command3_Click();
};

} // namespace tallowick
