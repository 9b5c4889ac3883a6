#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <utility>

class QFileDialog;

namespace tallowick::test {

// A case that expects message boxes holds one while they may come: WindowTest answers each box with OK,
// as a user would, and records its caption and text in the newest answerer alive.
struct MessageAnswerer {
    MessageAnswerer() { alive << this; }
    ~MessageAnswerer() { alive.removeOne(this); }
    QStringList texts;
    QStringList captions;
    static inline QList<MessageAnswerer*> alive;
};

// While a case holds one, WindowTest answers every save dialog by typing `target` into its name box, and
// the dialog's question whether to replace an existing file with Yes. `offered`: the file first offered.
struct SaveDialogAnswerer {
    explicit SaveDialogAnswerer(QString file) : target(std::move(file)) { alive << this; }
    ~SaveDialogAnswerer() { alive.removeOne(this); }
    const QString target;
    QString offered;
    static inline QList<SaveDialogAnswerer*> alive;
};

// Base of the window tests: the windows are registered once, and after each test every window is closed
// and destroyed. Every modal box or dialog is answered at once, so that a test never waits on one: one that
// no case expects (no MessageAnswerer or SaveDialogAnswerer alive) is closed and fails the case, named.
class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

private:
    void answerModal();
    void answerSaveDialog(QFileDialog* dialog, SaveDialogAnswerer* answerer);
    void unexpected(QWidget* modal, const QString& what);

    QTimer answering_;
    QStringList unexpected_;
};

// Ends every window the test left open and lets Qt destroy them.
void closeAllWindows();

} // namespace tallowick::test
