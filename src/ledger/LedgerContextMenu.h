#pragma once

#include <QObject>

class QAction;
class QMenu;
class QPoint;
class QTableView;

namespace tallowick {

class LedgerUndoCommands;

// The grid's context menu: it opens on a right-click, the Menu key or
// Shift+F10. "Undo …" and "Redo …" come first, named after the changes of
// the moment and greyed when there is none; their keys (Ctrl+Z; Ctrl+Y and
// Ctrl+Shift+Z) answer anywhere in the window, as do "Find…" (Ctrl+F) and
// "Reconcile…" (Ctrl+R). The
// other commands keep their shortcuts (Ctrl+C) while the grid has the focus. The menu lives as long as
// the grid.
class LedgerContextMenu : public QObject {
    Q_OBJECT

public:
    // Gives the grid its menu; called once by the window that owns the grid.
    static LedgerContextMenu* attach(QTableView* grid, LedgerUndoCommands* undo);

    QMenu* menu() const { return menu_; }

private:
    LedgerContextMenu(QTableView* grid, LedgerUndoCommands* undo);
    void addUndoCommands(LedgerUndoCommands* undo);
    QAction* addCommand(const QString& objectName, const QString& caption);
    // Opens the menu at a point of the grid's viewport.
    void popupAt(const QPoint& viewportPoint);
    // Opens the menu at the current row, for the keys that ask for it.
    void popupAtCurrentRow();

    QTableView* grid_;
    QMenu* menu_;
};

} // namespace tallowick
