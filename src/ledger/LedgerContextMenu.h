#pragma once

#include <QObject>

class QPoint;
class QTableView;

namespace tallowick {

class LedgerUndoCommands;

// The grid's context menu, opened by a right-click, the menu key or
// Shift+F10, with "Undo …" and "Redo …" first; and the window's keys for the
// same commands: Ctrl+Z, and Ctrl+Y or Ctrl+Shift+Z. The menu is built
// afresh at each opening, so that its entries name the changes of the moment.
class LedgerContextMenu : public QObject {
    Q_OBJECT

public:
    // Attaches the menu and the keys to the grid, which owns the result.
    static LedgerContextMenu* attach(QTableView* grid, LedgerUndoCommands* undo);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    LedgerContextMenu(QTableView* grid, LedgerUndoCommands* undo);
    void popup(const QPoint& globalPosition);
    // From the keyboard the menu opens beside the current row.
    void popupAtCurrentRow();

    QTableView* grid_;
    LedgerUndoCommands* undo_;
};

} // namespace tallowick
