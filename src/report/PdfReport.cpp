#include "PdfReport.h"

#include "FileOutput.h"
#include "ReportLayout.h"
#include "ReportPainter.h"

#include <QDate>
#include <QDir>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>

#include <stdexcept>

namespace tallowick {

int writePdfFile(LedgerConnection& connection, const QString& path, const QString& title,
                 const std::function<int(QPdfWriter&)>& paint)
{
    refuseOutputOverLedger(QFile::encodeName(path).toStdString(), connection.path());
    QSaveFile file(path);
    const auto refused = [&file] {
        return std::runtime_error(QStringLiteral("The file \"%1\" could not be written (%2).")
                                      .arg(QDir::toNativeSeparators(file.fileName()), file.errorString())
                                      .toStdString());
    };
    if (!file.open(QIODevice::WriteOnly))
        throw refused();
    int pages = 0;
    {
        QPdfWriter writer(&file);
        writer.setCreator(QStringLiteral("Tallowick Balance"));
        writer.setTitle(title);
        pages = paint(writer);
    }
    if (!file.commit())
        throw refused();
    return pages;
}

int writeReportPdf(LedgerConnection& connection, const ReportChoice& choice, const QString& path,
                   const QPageSize& pageSize)
{
    return writePdfFile(connection, path, reportTitle(choice.content), [&](QPdfWriter& writer) {
        setUpReportPage(writer, choice.content, pageSize);
        return paintReport(connection, choice, writer, QDate::currentDate());
    });
}

} // namespace tallowick
