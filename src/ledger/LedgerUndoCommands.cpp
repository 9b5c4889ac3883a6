#include "LedgerUndoCommands.h"

#include "BusyPointer.h"
#include "ChangeHistory.h"
#include "LedgerFile.h"
#include "MessageBox.h"
#include "Module1.h"
#include "StoreText.h"

#include <QWidget>

namespace tallowick {

namespace {

QString commandText(const char* command, const std::optional<std::string>& change)
{
    const QString text = QString::fromLatin1(command);
    return change ? text + QLatin1Char(' ') + toQt(*change) : text;
}

} // namespace

LedgerUndoCommands::LedgerUndoCommands(QWidget* window) : QObject(window), window_(window)
{
    setObjectName(QStringLiteral("LedgerUndoCommands"));
}

QString LedgerUndoCommands::undoText() const
{
    return commandText("Undo", ChangeHistory::instance().nextUndo(Module1::ledgerPath()));
}

QString LedgerUndoCommands::redoText() const
{
    return commandText("Redo", ChangeHistory::instance().nextRedo(Module1::ledgerPath()));
}

bool LedgerUndoCommands::canUndo() const
{
    return ChangeHistory::instance().nextUndo(Module1::ledgerPath()).has_value();
}

bool LedgerUndoCommands::canRedo() const
{
    return ChangeHistory::instance().nextRedo(Module1::ledgerPath()).has_value();
}

void LedgerUndoCommands::undo()
{
    apply(true);
}

void LedgerUndoCommands::redo()
{
    apply(false);
}

void LedgerUndoCommands::apply(bool undoing)
{
    ChangeHistory& history = ChangeHistory::instance();
    std::optional<std::int64_t> position;
    try {
        BusyPointer busy;
        // With nothing to do the file is not even opened; an undo that finds
        // the older changes dropped says so.
        const std::string path = Module1::ledgerPath();
        if (undoing ? !history.nextUndo(path) && !history.droppedEarlier(path) : !history.nextRedo(path))
            return;
        auto connection = LedgerConnection::open(path);
        position = undoing ? history.undo(*connection) : history.redo(*connection);
    } catch (const std::exception& error) {
        ShowMessage(window_, describe(error));
        return;
    }
    if (position)
        emit applied(int(*position));
}

} // namespace tallowick
