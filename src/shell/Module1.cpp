#include "Module1.h"

#include <QCoreApplication>
#include <QDir>

#include "LedgerFile.h"

namespace tallowick {

namespace {
QString& chosenFolder()
{
    static QString folder;
    return folder;
}
} // namespace

QString Module1::installFolder()
{
    return chosenFolder().isEmpty() ? QCoreApplication::applicationDirPath() : chosenFolder();
}

void Module1::setInstallFolder(const QString& folder)
{
    chosenFolder() = folder;
}

std::string Module1::ledgerPath()
{
    return QDir(installFolder()).filePath(QString::fromUtf8(kLedgerFileName)).toStdString();
}

QString Module1::helpPagePath()
{
    return QDir(installFolder()).filePath(QStringLiteral("help.htm"));
}

} // namespace tallowick
