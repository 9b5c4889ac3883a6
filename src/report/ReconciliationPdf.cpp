#include "ReconciliationPdf.h"

#include "PdfReport.h"

#include "ReconciliationReport.h"
#include "ReportLayout.h"

#include <QDate>
#include <QDir>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace tallowick {

namespace {

// One printed line: a heading, a row of the ledger, or a sum.
struct Line {
    QString number;
    QString date;
    QString text;
    QString amount;
    bool bold = false;
};

QString money(const Money& amount)
{
    return QString::fromStdString(amount.displayText());
}

QString shortDate(const LedgerDate& date)
{
    return QString::fromStdString(date.shortText());
}

void listRows(std::vector<Line>& lines, const std::vector<LedgerRow>& rows, bool deposits)
{
    for (const LedgerRow& row : rows) {
        const Money net = row.deposit - row.payment - row.fee;
        lines.push_back({row.number ? QString::number(*row.number) : QString(),
                         row.date ? shortDate(*row.date) : QString(),
                         row.description ? QString::fromStdString(*row.description).simplified() : QString(),
                         money(deposits ? net : Money() - net)});
    }
}

std::vector<Line> linesOf(const ReconciliationReport& report)
{
    std::vector<Line> lines;
    lines.push_back(
        {{}, {}, QStringLiteral("Statement ending balance"), money(report.statement.endingBalance), true});
    lines.push_back({});
    lines.push_back({{}, {}, QStringLiteral("Deposits in transit"), {}, true});
    listRows(lines, report.depositsInTransit, true);
    lines.push_back({{}, {}, QStringLiteral("Total deposits in transit"), money(report.depositsTotal), true});
    lines.push_back({});
    lines.push_back({{}, {}, QStringLiteral("Outstanding checks and payments"), {}, true});
    listRows(lines, report.outstandingPayments, false);
    lines.push_back(
        {{}, {}, QStringLiteral("Total outstanding checks and payments"), money(report.paymentsTotal), true});
    lines.push_back({});
    lines.push_back({{},
                     {},
                     QStringLiteral("Ending balance + deposits in transit - outstanding payments"),
                     money(report.explained()),
                     true});
    lines.push_back({{},
                     {},
                     QStringLiteral("Register balance at ") + shortDate(report.statement.date),
                     money(report.registerBalance),
                     true});
    if (report.registerBalance != report.explained())
        lines.push_back({{},
                         {},
                         QStringLiteral("Difference: a statement up to this one no longer balances"),
                         money(report.registerBalance - report.explained()),
                         true});
    return lines;
}

} // namespace

int paintReconciliation(LedgerConnection& connection, const std::optional<LedgerDate>& statementDate,
                        QPagedPaintDevice& device, const QDate& printedOn)
{
    const ReconciliationReport report = readReconciliationReport(connection, statementDate);
    const std::vector<Line> lines = linesOf(report);

    // The register report's fonts and measures (its tax report's columns fit a portrait page).
    const ReportLayout layout(ReportSummary{}, ReportContent::TaxDeductible, device);
    const double width = device.width();
    const double numberWidth = width * 0.08, dateWidth = width * 0.12, amountWidth = width * 0.18;
    const double textLeft = numberWidth + dateWidth;
    const double textWidth = width - textLeft - amountWidth;
    const double bodyTop = layout.titleHeight + 4 * layout.point;
    const double bodyBottom = layout.footerTop - 4 * layout.point;
    const auto perPage =
        std::max<std::size_t>(1, std::size_t(std::floor((bodyBottom - bodyTop) / layout.lineHeight)));
    const std::size_t pages = std::max<std::size_t>(1, (lines.size() + perPage - 1) / perPage);

    QPainter painter;
    if (!painter.begin(&device))
        throw std::runtime_error("The report could not be started on the printer.");
    const QString statement =
        QStringLiteral("Statement of %1, finished %2")
            .arg(shortDate(report.statement.date), shortDate(report.statement.finished));
    const QString printed = QStringLiteral("Printed ") + printedOn.toString(QStringLiteral("M/d/yyyy"));
    for (std::size_t page = 0; page < pages; ++page) {
        if (page > 0 && !device.newPage())
            throw std::runtime_error("The printer refused a new page of the report.");
        const QRectF titleLine(0, 0, width, layout.titleHeight);
        painter.setPen(Qt::black);
        painter.setFont(layout.title);
        painter.drawText(titleLine, Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Reconciliation"));
        painter.setFont(layout.body);
        painter.drawText(titleLine, Qt::AlignRight | Qt::AlignBottom, statement);
        double top = bodyTop;
        for (std::size_t k = page * perPage; k < std::min(lines.size(), (page + 1) * perPage); ++k) {
            const Line& line = lines[k];
            painter.setFont(line.bold ? layout.bold : layout.body);
            const QFontMetricsF metrics(painter.font(), &device);
            const auto cell = [&](double left, double cellWidth) {
                return QRectF(left + layout.padding, top, cellWidth - 2 * layout.padding, layout.lineHeight);
            };
            const int flags = Qt::AlignVCenter | Qt::TextSingleLine;
            painter.drawText(cell(0, numberWidth), Qt::AlignRight | flags, line.number);
            painter.drawText(cell(numberWidth, dateWidth), Qt::AlignLeft | flags, line.date);
            const QRectF text = cell(textLeft, textWidth);
            painter.drawText(text, Qt::AlignLeft | flags,
                             metrics.elidedText(line.text, Qt::ElideRight, text.width()));
            painter.drawText(cell(width - amountWidth, amountWidth), Qt::AlignRight | flags, line.amount);
            top += layout.lineHeight;
        }
        const QRectF footer(0, layout.footerTop, width, layout.pageHeight - layout.footerTop);
        painter.setFont(layout.small);
        painter.drawText(footer, Qt::AlignLeft | Qt::AlignBottom, printed);
        painter.drawText(footer, Qt::AlignRight | Qt::AlignBottom,
                         QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages));
    }
    if (!painter.end())
        throw std::runtime_error("The report could not be finished on the printer.");
    return int(pages);
}

int writeReconciliationPdf(LedgerConnection& connection, const std::optional<LedgerDate>& statementDate,
                           const QString& path, const QPageSize& pageSize)
{
    return writePdfFile(connection, path, QStringLiteral("Reconciliation"), [&](QPdfWriter& writer) {
        writer.setPageSize(pageSize);
        writer.setPageOrientation(QPageLayout::Portrait);
        writer.setPageMargins(reportMarginsMillimetres(), QPageLayout::Millimeter);
        return paintReconciliation(connection, statementDate, writer, QDate::currentDate());
    });
}

} // namespace tallowick
