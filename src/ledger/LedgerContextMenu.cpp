#include "LedgerContextMenu.h"

#include "ImportStatementCommand.h"
#include "LedgerExportCommands.h"
#include "LedgerUndoCommands.h"
#include "WindowRegistry.h"
#include "frmFind.h"

#include <QAction>
#include <QMenu>
#include <QShortcut>
#include <QTableView>

namespace tallowick {

LedgerContextMenu* LedgerContextMenu::attach(QTableView* grid, LedgerUndoCommands* undo)
{
    return new LedgerContextMenu(grid, undo);
}

LedgerContextMenu::LedgerContextMenu(QTableView* grid, LedgerUndoCommands* undo)
    : QObject(grid)
    , grid_(grid)
    , menu_(new QMenu(grid))
{
    setObjectName(QStringLiteral("LedgerContextMenu"));
    menu_->setObjectName(QStringLiteral("grdDataGridMenu"));

    addUndoCommands(undo);
    menu_->addSeparator();
    QAction* find = addCommand(QStringLiteral("actionFind"), QStringLiteral("Find\u2026"));
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    find->setShortcutContext(Qt::WindowShortcut); // Ctrl+F anywhere in the ledger window
    connect(find, &QAction::triggered, grid_, [this] { frmFind::ShowBeside(grid_->window()); });
    QAction* copy = addCommand(QStringLiteral("actionCopy"), QStringLiteral("Copy"));
    copy->setShortcut(QKeySequence::Copy);
    connect(copy, &QAction::triggered, grid_, [this] { CopySelectedRows(grid_); });
    QAction* exportCsv = addCommand(QStringLiteral("actionExportCsv"), QStringLiteral("Export to CSV\u2026"));
    connect(exportCsv, &QAction::triggered, grid_, [this] { ExportLedgerToCsv(grid_->window()); });
    // The report window reads the ledger file itself: the ledger window stays as it is.
    QAction* report = addCommand(QStringLiteral("actionPrintReport"), QStringLiteral("Print Report…"));
    connect(report, &QAction::triggered, grid_,
            [] { WindowRegistry::instance().Show(QStringLiteral("frmReport")); });
    // Reconciling hands over as the editor does: the ledger window reads the file again on its return.
    QAction* reconcile = addCommand(QStringLiteral("actionReconcile"), QStringLiteral("Reconcile\u2026"));
    reconcile->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    reconcile->setShortcutContext(Qt::WindowShortcut); // Ctrl+R anywhere in the ledger window
    connect(reconcile, &QAction::triggered, grid_, [] {
        WindowRegistry::instance().HandOver(QStringLiteral("frmLedger"), QStringLiteral("frmReconcile"));
    });
    QAction* statement =
        addCommand(QStringLiteral("actionImportStatement"), QStringLiteral("Import Statement\u2026"));
    connect(statement, &QAction::triggered, grid_, [this] { ImportStatement(grid_->window()); });

    grid_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid_, &QWidget::customContextMenuRequested, this, &LedgerContextMenu::popupAt);
    // The keyboard's ways to the menu, handled here so that they work the same on every platform.
    auto* open = new QAction(grid_);
    open->setObjectName(QStringLiteral("actionOpenMenu"));
    open->setShortcuts({QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)});
    open->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(open, &QAction::triggered, this, &LedgerContextMenu::popupAtCurrentRow);
    grid_->addAction(open);
}

void LedgerContextMenu::addUndoCommands(LedgerUndoCommands* commands)
{
    const QKeySequence undoKeys(Qt::CTRL | Qt::Key_Z);
    const QKeySequence redoKeys(Qt::CTRL | Qt::Key_Y);
    // In the menu the keys are only shown: they work through the window's
    // shortcuts below, which a greyed entry would otherwise switch off.
    QAction* undo = menu_->addAction(QString(), commands, &LedgerUndoCommands::undo);
    undo->setObjectName(QStringLiteral("actionUndo"));
    undo->setShortcut(undoKeys);
    QAction* redo = menu_->addAction(QString(), commands, &LedgerUndoCommands::redo);
    redo->setObjectName(QStringLiteral("actionRedo"));
    redo->setShortcut(redoKeys);
    const auto nameChanges = [=] {
        undo->setText(commands->undoText());
        undo->setEnabled(commands->canUndo());
        redo->setText(commands->redoText());
        redo->setEnabled(commands->canRedo());
    };
    nameChanges();
    connect(menu_, &QMenu::aboutToShow, this, nameChanges);

    for (const QKeySequence& keys : {undoKeys, redoKeys, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}) {
        auto* shortcut = new QShortcut(keys, grid_);
        shortcut->setContext(Qt::WindowShortcut);
        const auto command = keys == undoKeys ? &LedgerUndoCommands::undo : &LedgerUndoCommands::redo;
        connect(shortcut, &QShortcut::activated, commands, command);
    }
}

QAction* LedgerContextMenu::addCommand(const QString& objectName, const QString& caption)
{
    auto* action = menu_->addAction(caption);
    action->setObjectName(objectName);
    // On the grid too, so that its shortcut works without the menu open.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    grid_->addAction(action);
    return action;
}

void LedgerContextMenu::popupAt(const QPoint& viewportPoint)
{
    menu_->popup(grid_->viewport()->mapToGlobal(viewportPoint));
}

void LedgerContextMenu::popupAtCurrentRow()
{
    const QRect cell = grid_->visualRect(grid_->currentIndex());
    popupAt(cell.isValid() ? cell.bottomLeft() : QPoint(0, 0));
}

} // namespace tallowick
