#pragma once

// Driving the windows the way a user does: the ledger window comes up through the registry, its first tick
// makes the last row current, a row is chosen in the grid and a command is pressed.

#include "Form3.h"
#include "LedgerRow.h"
#include "LedgerTableModel.h"
#include "Money.h"
#include "TestLedger.h"
#include "WindowRegistry.h"
#include "frmLedger.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <vector>

namespace tallowick {

// Readable amounts in failed comparisons.
inline char* toString(const Money& amount)
{
    return qstrdup(amount.plainText().c_str());
}

} // namespace tallowick

namespace tallowick::test {

inline constexpr int kWaitMs = 5000;

inline WindowRegistry& registry()
{
    return WindowRegistry::instance();
}

inline Form3* loadedEditor()
{
    return qobject_cast<Form3*>(registry().window(QStringLiteral("Form3")));
}

// The loaded ledger window once its opening tick has made the last row current; null if that never comes.
inline frmLedger* readyLedgerWindow()
{
    QPointer<frmLedger> window = qobject_cast<frmLedger*>(registry().window(QStringLiteral("frmLedger")));
    const bool ready = QTest::qWaitFor(
        [&] {
            if (!window || window->Timer1->isActive())
                return false;
            const int rows = window->grdDataGrid->model()->rowCount();
            return rows == 0 || window->grdDataGrid->currentIndex().row() == rows - 1;
        },
        kWaitMs);
    return ready ? window.data() : nullptr;
}

inline frmLedger* openLedgerWindow()
{
    registry().Show(QStringLiteral("frmLedger"));
    return readyLedgerWindow();
}

// Makes the grid row at a 1-based position current, as the arrow keys do.
inline void selectGridRow(frmLedger* window, int position)
{
    QTableView* grid = window->grdDataGrid;
    grid->selectionModel()->setCurrentIndex(
        grid->model()->index(position - 1, LedgerTableModel::DescriptionColumn),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// The editor once both opening ticks are over, the ledger window gone; null if it never gets there.
inline Form3* editorAfterOpeningTicks()
{
    QPointer<Form3> editor = loadedEditor();
    const bool ready = QTest::qWaitFor(
        [&] { return editor && !editor->Timer1->isActive() && !editor->Timer2->isActive(); }, kWaitMs);
    return ready && !registry().isLoaded(QStringLiteral("frmLedger")) ? editor.data() : nullptr;
}

// Started as the ledger window's command that opens the editor is pressed: an opening tick seen
// later than an interval after it came no sooner than that interval.
inline QElapsedTimer commandPressed;

// Presses a ledger window command opening the editor on the row at `position`; 0 keeps the last row.
inline Form3* openEditorBy(QPushButton* frmLedger::*command, int position = 0)
{
    frmLedger* window = openLedgerWindow();
    if (!window)
        return nullptr;
    if (position > 0)
        selectGridRow(window, position);
    commandPressed.start();
    QTest::mouseClick(window->*command, Qt::LeftButton);
    return editorAfterOpeningTicks();
}

inline Form3* openEditorOnRow(int position = 0)
{
    return openEditorBy(&frmLedger::Command1, position);
}

inline Form3* openEditorToAdd()
{
    return openEditorBy(&frmLedger::cmdAdd);
}

// Selects the box's text and types over it; empty text deletes it by a keystroke.
inline void typeOver(QLineEdit* box, const QString& text)
{
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Backspace);
    else
        QTest::keyClicks(box, text);
}

// A mouse click on the box's tick mark.
inline void clickTick(QCheckBox* box)
{
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    QTest::mouseClick(box, Qt::LeftButton, {}, indicator.center());
}

inline Money money(const char* text)
{
    return Money::parse(text);
}

// The initial balance 1000, then payments of 100 on 2004-03-07 and 50 (tax deductible) on 2004-03-09.
inline std::vector<LedgerRow> threeRows()
{
    LedgerRow rent = makeRow("100", "0", "0", "900", "Rent", 1001);
    rent.date = LedgerDate{2004, 3, 7};
    LedgerRow groceries = makeRow("50", "0", "0", "850", "Groceries", 1002, 1);
    groceries.date = LedgerDate{2004, 3, 9};
    return {makeRow("0", "0", "0", "1000", "Initial Balance"), rent, groceries};
}

// The ledger window once a finished command has brought it back (the editor gone) and it is ready; or null.
inline frmLedger* backAtLedgerWindow()
{
    const bool back = QTest::qWaitFor(
        [] {
            return registry().isLoaded(QStringLiteral("frmLedger"))
                   && !registry().isLoaded(QStringLiteral("Form3"));
        },
        kWaitMs);
    return back ? readyLedgerWindow() : nullptr;
}

// Clicks the grid row at a 1-based position, as the user does.
inline void clickGridRow(frmLedger* window, int position)
{
    QTableView* grid = window->grdDataGrid;
    const QModelIndex index = grid->model()->index(position - 1, LedgerTableModel::DescriptionColumn);
    grid->scrollTo(index);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
}

// The text the grid shows at a 0-based row and column.
inline QString gridCell(const frmLedger* window, int row, int column)
{
    return window->grdDataGrid->model()->index(row, column).data().toString();
}

// One row per line, each field as plain text, "-" for none: a failed comparison of two tables shows both.
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

inline bool navigationVisible(const Form3* editor)
{
    return editor->Command4->isVisible() || editor->Command5->isVisible() || editor->Command6->isVisible()
           || editor->Command7->isVisible();
}

} // namespace tallowick::test
