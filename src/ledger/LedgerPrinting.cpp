// "&Print": an image of the window's client area on one page of the default printer.
#include "frmLedger.h"

#include "MessageBox.h"

#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QPrinterInfo>

namespace tallowick {

void frmLedger::PrintClientArea(QPrinter& printer)
{
    const QPixmap image = grab();
    QPainter painter;
    if (!painter.begin(&printer)) {
        ShowMessage(this, QStringLiteral("The printer could not be started."));
        return;
    }
    // Scaled to fit the page, proportions kept, at the top left.
    const QRect page = painter.viewport();
    QSize size = image.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(image.rect());
    painter.drawPixmap(0, 0, image);
    painter.end();
}

void frmLedger::Command2_Click() // "&Print"
{
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    if (defaultPrinter.isNull()) {
        ShowMessage(this, QStringLiteral("No printer is installed, so the ledger cannot be printed."));
        return;
    }
    QPrinter printer(defaultPrinter, QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("My Tallowick"));
    PrintClientArea(printer);
}

} // namespace tallowick
