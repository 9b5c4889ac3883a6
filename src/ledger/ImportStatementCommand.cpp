#include "ImportStatementCommand.h"

#include "WindowRegistry.h"

#include <QFileDialog>
#include <QStandardPaths>

namespace tallowick {

void ImportStatement(QWidget* ledgerWindow)
{
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    QFileDialog dialog(ledgerWindow, QStringLiteral("Import Statement"), downloads,
                       QStringLiteral("Bank statements (*.ofx *.qfx *.OFX *.QFX);;All files (*)"));
    dialog.setObjectName(QStringLiteral("ImportStatementDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;

    // The Statement window reads the file before it is shown: a refused file leaves the ledger as it is.
    WindowRegistry& registry = WindowRegistry::instance();
    const QString statement = QStringLiteral("frmStatement");
    bool opened = false;
    QMetaObject::invokeMethod(registry.Load(statement), "OpenStatement", Q_RETURN_ARG(bool, opened),
                              Q_ARG(QString, dialog.selectedFiles().constFirst()));
    if (opened)
        registry.HandOver(QStringLiteral("frmLedger"), statement);
    else
        registry.Unload(statement);
}

} // namespace tallowick
