#include "ReportPainter.h"

#include "ReportLayout.h"

#include <QDate>
#include <QLocale>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>

#include <stdexcept>

namespace tallowick {

namespace {

const QColor kShading(238, 238, 238);

class PagePainter {
public:
    PagePainter(QPainter& painter, const ReportLayout& layout, const ReportChoice& choice,
                const QDate& printedOn)
        : painter_(painter)
        , layout_(layout)
        , title_(reportTitle(choice.content))
        , period_(QString::fromStdString(choice.period.text()))
        , printed_(QStringLiteral("Printed ") + printedOn.toString(QStringLiteral("M/d/yyyy")))
    {
    }

    void paint(long long page, const std::vector<ReportLine>& lines)
    {
        paintHeader(page);
        double top = layout_.bodyTop;
        bool shaded = false;
        for (const ReportLine& line : lines) {
            paintLine(line, top, shaded);
            if (line.kind == ReportLine::Kind::Row)
                shaded = !shaded;
            top += layout_.lineHeight;
        }
        paintFooter(page);
    }

private:
    QRectF cell(const ReportColumn& column, double top) const
    {
        return {column.left + layout_.padding, top, column.width - 2 * layout_.padding, layout_.lineHeight};
    }

    void rule(double y, double width)
    {
        painter_.setPen(QPen(Qt::black, width));
        painter_.drawLine(QPointF(0, y), QPointF(layout_.pageWidth, y));
    }

    void paintHeader(long long page)
    {
        const QRectF titleLine(0, 0, layout_.pageWidth, layout_.titleHeight);
        painter_.setPen(Qt::black);
        painter_.setFont(layout_.title);
        painter_.drawText(titleLine, Qt::AlignLeft | Qt::AlignBottom, title_);
        painter_.setFont(layout_.body);
        painter_.drawText(titleLine, Qt::AlignRight | Qt::AlignBottom, period_);
        if (page == 1 && !layout_.note.isEmpty()) {
            QFont italic = layout_.body;
            italic.setItalic(true);
            painter_.setFont(italic);
            painter_.drawText(QRectF(0, layout_.noteTop, layout_.pageWidth, layout_.lineHeight),
                              Qt::AlignLeft | Qt::AlignVCenter, layout_.note);
        }

        painter_.setFont(layout_.bold);
        for (const ReportColumn& column : layout_.columns)
            painter_.drawText(cell(column, layout_.captionsTop), column.alignment | Qt::AlignVCenter,
                              column.caption);
        rule(layout_.bodyTop - layout_.point, layout_.point);
    }

    void paintLine(const ReportLine& line, double top, bool shaded)
    {
        using Kind = ReportLine::Kind;
        if (line.kind == Kind::Row && shaded)
            painter_.fillRect(QRectF(0, top, layout_.pageWidth, layout_.lineHeight), kShading);
        const bool closes = line.kind == Kind::Closing || line.kind == Kind::Totals;
        if (closes)
            rule(top, layout_.point * 0.75);
        QFont font = closes ? layout_.bold : layout_.body;
        font.setItalic(line.kind == Kind::BroughtForward);
        painter_.setFont(font);
        painter_.setPen(Qt::black);
        const QFontMetricsF metrics(font, painter_.device());
        for (const ReportColumn& column : layout_.columns) {
            const QRectF box = cell(column, top);
            QString text = ReportLayout::cellText(line, column.field);
            if (column.field == ReportField::Description)
                text = metrics.elidedText(text, Qt::ElideRight, box.width());
            if (!text.isEmpty())
                painter_.drawText(box, column.alignment | Qt::AlignVCenter | Qt::TextSingleLine, text);
        }
    }

    void paintFooter(long long page)
    {
        rule(layout_.footerTop - 2 * layout_.point, layout_.point * 0.75);
        const QRectF footer(0, layout_.footerTop, layout_.pageWidth, layout_.pageHeight - layout_.footerTop);
        painter_.setPen(Qt::black);
        painter_.setFont(layout_.small);
        painter_.drawText(footer, Qt::AlignLeft | Qt::AlignBottom, printed_);
        painter_.drawText(footer, Qt::AlignRight | Qt::AlignBottom,
                          QStringLiteral("Page %1 of %2").arg(page).arg(layout_.pageCount));
    }

    QPainter& painter_;
    const ReportLayout& layout_;
    QString title_;
    QString period_;
    QString printed_;
};

} // namespace

int paintReport(LedgerConnection& connection, const ReportChoice& choice, QPagedPaintDevice& device,
                const QDate& printedOn, const std::function<void()>& abandon)
{
    ReportRows rows(connection, choice);
    const ReportLayout layout(rows.summary(), choice.content, device);
    QPainter painter;
    if (!painter.begin(&device))
        throw std::runtime_error("The report could not be started on the printer.");
    painter.scale(layout.scale, layout.scale);
    PagePainter pages(painter, layout, choice, printedOn);
    try {
        for (long long page = 1; page <= layout.pageCount; ++page) {
            if (page > 1 && !device.newPage())
                throw std::runtime_error("The printer refused a new page of the report.");
            pages.paint(page, rows.next(std::size_t(layout.linesPerPage)));
        }
    } catch (...) {
        if (abandon)
            abandon();
        throw;
    }
    if (!painter.end())
        throw std::runtime_error("The report could not be finished on the printer.");
    return int(layout.pageCount);
}

void setUpReportPage(QPagedPaintDevice& device, ReportContent content, const QPageSize& pageSize)
{
    device.setPageSize(pageSize);
    device.setPageOrientation(reportOrientation(content, pageSize));
    device.setPageMargins(reportMarginsMillimetres(), QPageLayout::Millimeter);
}

QPageSize localePageSize()
{
    return QPageSize(QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                                        : QPageSize::A4);
}

} // namespace tallowick
