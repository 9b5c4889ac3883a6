#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace tallowick::test {

// Answers every "Tallowick" message box that comes up while it lives: it
// records the caption and the text and presses OK, as a user would.
class MessageAnswerer : public QObject {
    Q_OBJECT

public:
    MessageAnswerer();

    QStringList texts;
    QStringList captions;

private:
    void answer();
    QTimer timer_;
};

// Base of the window tests: the windows are registered once, and after each
// test every window is closed and destroyed.
class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
};

// Ends every window the test left open and lets Qt destroy them.
void closeAllWindows();

} // namespace tallowick::test
