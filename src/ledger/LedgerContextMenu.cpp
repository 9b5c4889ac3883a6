#include "LedgerContextMenu.h"

#include "LedgerUndoCommands.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QShortcut>
#include <QTableView>

namespace tallowick {

namespace {

const QKeySequence kUndoKeys(Qt::CTRL | Qt::Key_Z);
const QKeySequence kRedoKeys(Qt::CTRL | Qt::Key_Y);
const QKeySequence kOtherRedoKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);

} // namespace

LedgerContextMenu* LedgerContextMenu::attach(QTableView* grid, LedgerUndoCommands* undo)
{
    return new LedgerContextMenu(grid, undo);
}

LedgerContextMenu::LedgerContextMenu(QTableView* grid, LedgerUndoCommands* undo)
    : QObject(grid), grid_(grid), undo_(undo)
{
    setObjectName(QStringLiteral("LedgerContextMenu"));
    // Undo and redo answer anywhere in the window, whichever control has the focus.
    const auto addKeys = [this](const QKeySequence& keys, Qt::ShortcutContext context, auto command) {
        auto* shortcut = new QShortcut(keys, grid_);
        shortcut->setContext(context);
        connect(shortcut, &QShortcut::activated, this, command);
    };
    addKeys(kUndoKeys, Qt::WindowShortcut, [this] { undo_->undo(); });
    addKeys(kRedoKeys, Qt::WindowShortcut, [this] { undo_->redo(); });
    addKeys(kOtherRedoKeys, Qt::WindowShortcut, [this] { undo_->redo(); });
    addKeys(QKeySequence(Qt::SHIFT | Qt::Key_F10), Qt::WidgetShortcut, [this] { popupAtCurrentRow(); });

    // A right-click arrives at the viewport, the menu key at the grid itself.
    grid_->installEventFilter(this);
    grid_->viewport()->installEventFilter(this);
}

bool LedgerContextMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ContextMenu)
        return QObject::eventFilter(watched, event);
    const auto* request = static_cast<QContextMenuEvent*>(event);
    if (request->reason() == QContextMenuEvent::Mouse)
        popup(request->globalPos());
    else
        popupAtCurrentRow();
    return true;
}

void LedgerContextMenu::popupAtCurrentRow()
{
    const QModelIndex current = grid_->currentIndex();
    const QPoint place = current.isValid() ? grid_->visualRect(current).center() : QPoint(0, 0);
    popup(grid_->viewport()->mapToGlobal(place));
}

void LedgerContextMenu::popup(const QPoint& globalPosition)
{
    auto* menu = new QMenu(grid_);
    menu->setObjectName(QStringLiteral("ledgerContextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* undo = menu->addAction(undo_->undoText(), undo_, &LedgerUndoCommands::undo);
    undo->setObjectName(QStringLiteral("undoAction"));
    undo->setShortcut(kUndoKeys);
    undo->setEnabled(undo_->canUndo());
    QAction* redo = menu->addAction(undo_->redoText(), undo_, &LedgerUndoCommands::redo);
    redo->setObjectName(QStringLiteral("redoAction"));
    redo->setShortcut(kRedoKeys);
    redo->setEnabled(undo_->canRedo());
    menu->popup(globalPosition);
}

} // namespace tallowick
