// The strip's commands that hand the chosen row to another window. Each
// records the grid's current position, prepares the next window and closes
// this one; the next window opens the ledger again when its work is done.
#include "frmLedger.h"

#include "Form1.h"
#include "Form3.h"
#include "Form5.h"
#include "LedgerRecordset.h"
#include "Module1.h"
#include "WindowRegistry.h"

#include <QPushButton>
#include <QTimer>

namespace tallowick {

namespace {

void closeLedgerWindow()
{
    auto& registry = WindowRegistry::instance();
    registry.Hide(QStringLiteral("frmLedger"));
    registry.Unload(QStringLiteral("frmLedger"));
}

} // namespace

void frmLedger::Command1_Click() // "&Edit"
{
    // Without a current row (an empty ledger) there is nothing to edit.
    const int position = datPrimaryRS->AbsolutePosition();
    if (position < 1)
        return;
    auto* editor = WindowRegistry::instance().Show<Form3>(QStringLiteral("Form3"));
    Module1::SelectedRowPosition = position;
    editor->PrepareEditMode();
    closeLedgerWindow();
}

void frmLedger::cmdAdd_Click() // "&Add"
{
    WindowRegistry::instance().Show<Form3>(QStringLiteral("Form3"))->PrepareAddMode();
    closeLedgerWindow();
}

void frmLedger::Command3_Click() // "&Insert"
{
    const int position = datPrimaryRS->AbsolutePosition();
    if (position < 1)
        return;
    WindowRegistry::instance().Load(QStringLiteral("Form1"));
    Module1::SelectedRowPosition = position;
    closeLedgerWindow();
}

void frmLedger::cmdDelete_Click() // "&Delete"
{
    auto* confirmation = WindowRegistry::instance().Show<Form5>(QStringLiteral("Form5"));
    Module1::SelectedRowPosition = datPrimaryRS->AbsolutePosition();
    confirmation->setDefaultButton(confirmation->Command2);
    closeLedgerWindow();
}

void frmLedger::Command4_Click() // "&Help"
{
    // The viewer opens beside this window; a second press shows the same viewer.
    WindowRegistry::instance().Show(QStringLiteral("Form6"));
}

} // namespace tallowick
