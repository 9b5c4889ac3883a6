#pragma once

#include <QWidget>

class QPushButton;
class QTextBrowser;

namespace tallowick {

// The help viewer: the help page from the install folder, beside the ledger
// window. Only local files are shown; links to the web open nothing.
class Form6 : public QWidget {
    Q_OBJECT

public:
    explicit Form6(QWidget* parent = nullptr);

    QTextBrowser* WebBrowser1;
    QPushButton* Command1; // "OK"

private:
    void Command1_Click();
};

} // namespace tallowick
