#include "LedgerContextMenu.h"

#include "LedgerExportCommands.h"

#include <QAction>
#include <QMenu>
#include <QTableView>

namespace tallowick {

LedgerContextMenu* LedgerContextMenu::attach(QTableView* grid) { return new LedgerContextMenu(grid); }

LedgerContextMenu::LedgerContextMenu(QTableView* grid)
    : QObject(grid)
    , grid_(grid)
    , menu_(new QMenu(grid))
{
    setObjectName(QStringLiteral("LedgerContextMenu"));
    menu_->setObjectName(QStringLiteral("grdDataGridMenu"));

    QAction* copy = addCommand(QStringLiteral("actionCopy"), QStringLiteral("Copy"));
    copy->setShortcut(QKeySequence::Copy);
    connect(copy, &QAction::triggered, grid_, [this] { CopySelectedRows(grid_); });
    QAction* exportCsv = addCommand(QStringLiteral("actionExportCsv"), QStringLiteral("Export to CSV\u2026"));
    connect(exportCsv, &QAction::triggered, grid_, [this] { ExportLedgerToCsv(grid_->window()); });

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
