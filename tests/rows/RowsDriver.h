// Helpers shared by the insertion and deletion tests: opening the ledger
// window the program's way, choosing a row in its grid, and the table as
// text so that a failed comparison shows both tables row by row.
#pragma once

#include "LedgerRow.h"
#include "LedgerTableModel.h"
#include "WindowRegistry.h"
#include "frmLedger.h"

#include <QItemSelectionModel>
#include <QStringList>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <vector>

namespace tallowick::test {

// One row per line, every field in its plain text form, "-" for no value.
inline QString tableText(const std::vector<LedgerRow>& rows)
{
    QStringList lines;
    for (const LedgerRow& row : rows) {
        QStringList fields;
        for (LedgerColumn column : kAllColumns) {
            const std::string text = plainFieldText(row, column);
            fields << (text.empty() ? QStringLiteral("-") : QString::fromStdString(text));
        }
        lines << fields.join(QLatin1Char('|'));
    }
    return lines.join(QLatin1Char('\n'));
}

// Shows the ledger window and waits for its first tick, which re-reads the
// table and makes the last row current. Null when that does not happen.
inline frmLedger* openLedger(int expectedRows)
{
    auto* window = WindowRegistry::instance().Show<frmLedger>(QStringLiteral("frmLedger"));
    if (!window)
        return nullptr;
    if (!QTest::qWaitFor([&] { return !window->Timer1->isActive(); }, 5000))
        return nullptr;
    if (window->grdDataGrid->model()->rowCount() != expectedRows)
        return nullptr;
    if (window->grdDataGrid->currentIndex().row() != expectedRows - 1)
        return nullptr;
    return window;
}

// Makes the row at the 1-based position the grid's current row.
inline void selectRow(frmLedger* window, int position)
{
    QTableView* grid = window->grdDataGrid;
    const QModelIndex index = grid->model()->index(position - 1, 0);
    grid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// Clicks the row at the 1-based position, as the user does.
inline void clickRow(frmLedger* window, int position)
{
    QTableView* grid = window->grdDataGrid;
    const QModelIndex index = grid->model()->index(position - 1, LedgerTableModel::DescriptionColumn);
    grid->scrollTo(index);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
}

// The ledger window that a finished command opened again, once its first
// tick has re-read the table; null when there is none.
inline frmLedger* ledgerBack(int expectedRows)
{
    auto& registry = WindowRegistry::instance();
    if (!QTest::qWaitFor([&] { return registry.isLoaded(QStringLiteral("frmLedger")); }, 5000))
        return nullptr;
    auto* window = qobject_cast<frmLedger*>(registry.window(QStringLiteral("frmLedger")));
    if (!window || !window->isVisible())
        return nullptr;
    if (!QTest::qWaitFor([&] { return !window->Timer1->isActive(); }, 5000))
        return nullptr;
    if (window->grdDataGrid->model()->rowCount() != expectedRows)
        return nullptr;
    return window;
}

} // namespace tallowick::test
