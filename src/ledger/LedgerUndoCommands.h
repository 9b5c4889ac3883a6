#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace tallowick {

// Undo and redo from the ledger window, over the store's ChangeHistory of
// the ledger file. Each command runs in one transaction of its own; a
// refusal or a failure is shown in a message box and changes nothing.
class LedgerUndoCommands : public QObject {
    Q_OBJECT

public:
    explicit LedgerUndoCommands(QWidget* window);

    // "Undo Delete of row 5", or "Undo" when there is nothing to undo.
    QString undoText() const;
    QString redoText() const;
    bool canUndo() const;
    bool canRedo() const;

    void undo();
    void redo();

signals:
    // An undo or redo was written: the 1-based position of the first row it
    // touched, 0 when the table is now empty.
    void applied(int position);

private:
    void apply(bool undoing);

    QWidget* window_;
};

} // namespace tallowick
