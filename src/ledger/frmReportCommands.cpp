// The report window's outputs: a preview, the printer, a PDF file.
#include "frmReport.h"

#include "BusyPointer.h"
#include "FileOutput.h"
#include "MessageBox.h"
#include "Module1.h"
#include "PdfReport.h"
#include "ReconciliationPdf.h"
#include "ReportLayout.h"
#include "ReportPainter.h"
#include "StoreText.h"

#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

namespace tallowick {

QString frmReport::Title() const
{
    return ReconciliationChosen() ? QStringLiteral("Reconciliation") : reportTitle(Choice().content);
}

void frmReport::prepare(QPrinter& printer) const
{
    printer.setDocName(QStringLiteral("My Tallowick ") + Title());
    const QPageSize paper = printer.pageLayout().pageSize();
    printer.setPageOrientation(ReconciliationChosen() ? QPageLayout::Portrait
                                                      : reportOrientation(Choice().content, paper));
    // A printer that cannot print that near the edge keeps its own margins.
    printer.setPageMargins(reportMarginsMillimetres(), QPageLayout::Millimeter);
}

void frmReport::paintOn(QPrinter* printer)
{
    try {
        BusyPointer busy;
        const auto connection = LedgerConnection::open(Module1::ledgerPath());
        if (ReconciliationChosen())
            paintReconciliation(*connection, std::nullopt, *printer, QDate::currentDate());
        else
            paintReport(*connection, Choice(), *printer, QDate::currentDate(),
                        [printer] { printer->abort(); });
    } catch (const std::exception& error) {
        ShowMessage(this, describe(error));
    }
}

void frmReport::cmdPreview_Click()
{
    QPrinter printer(QPrinter::HighResolution);
    prepare(printer);
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("ReportPreviewDialog"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, &frmReport::paintOn);
    preview.exec();
}

void frmReport::cmdPrint_Click()
{
    QPrinter printer(QPrinter::HighResolution);
    prepare(printer);
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("ReportPrintDialog"));
    // Every page is printed: a page range would be ignored.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // "Print to file" names a file like "Save as PDF" does, and is refused the ledger alike.
    try {
        if (!printer.outputFileName().isEmpty())
            refuseOutputOverLedger(toStd(printer.outputFileName()), Module1::ledgerPath());
    } catch (const std::exception& error) {
        ShowMessage(this, describe(error));
        return;
    }
    paintOn(&printer);
}

void frmReport::cmdSavePdf_Click()
{
    const ReportChoice choice = Choice();
    // The documents folder, or the home folder where there is none yet.
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QDir(documents).exists())
        documents = QDir::homePath();
    QFileDialog dialog(this, QStringLiteral("Save as PDF"), documents,
                       QStringLiteral("PDF files (*.pdf);;All files (*)"));
    dialog.setObjectName(QStringLiteral("SaveReportDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.selectFile(QDir(documents).filePath(QStringLiteral("My Tallowick %1.pdf").arg(Title())));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    // The default printer's paper, else the locale's.
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    const QPageSize paper = printer.isNull() ? localePageSize() : printer.defaultPageSize();
    try {
        BusyPointer busy;
        const auto connection = LedgerConnection::open(Module1::ledgerPath());
        const QString path = dialog.selectedFiles().constFirst();
        if (ReconciliationChosen())
            writeReconciliationPdf(*connection, std::nullopt, path, paper);
        else
            writeReportPdf(*connection, choice, path, paper);
    } catch (const std::exception& error) {
        ShowMessage(this, describe(error));
    }
}

} // namespace tallowick
