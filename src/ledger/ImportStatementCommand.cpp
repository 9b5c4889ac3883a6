#include "ImportStatementCommand.h"

#include "WindowRegistry.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace tallowick {

void ImportStatement(QWidget* ledgerWindow)
{
    // Banks' files land in the downloads folder; a home without one opens at home.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (!QDir(folder).exists())
        folder = QDir::homePath();
    QFileDialog dialog(ledgerWindow, QStringLiteral("Import Statement"), folder,
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
