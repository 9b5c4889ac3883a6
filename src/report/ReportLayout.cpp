#include "ReportLayout.h"

#include <QFontMetricsF>
#include <QPageSize>
#include <QPaintDevice>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace tallowick {

namespace {

// The grid's column widths in twips, at the grid's 8.25-point font.
struct ColumnDesign {
    ReportField field;
    const char* caption;
    int widthTwips;
    Qt::Alignment alignment;
};

constexpr ColumnDesign kRegisterColumns[] = {
    {ReportField::Number, "Number", 675, Qt::AlignRight},
    {ReportField::Date, "Date", 930, Qt::AlignLeft},
    {ReportField::Description, "Description of Transaction", 4575, Qt::AlignLeft},
    {ReportField::Payment, "Payment / Debit", 1290, Qt::AlignRight},
    {ReportField::Tax, "T", 210, Qt::AlignHCenter},
    {ReportField::Fee, "Fee", 660, Qt::AlignRight},
    {ReportField::Deposit, "Deposit / Credit", 1290, Qt::AlignRight},
    {ReportField::Balance, "Balance", 1695, Qt::AlignRight},
};

constexpr ColumnDesign kTaxColumns[] = {
    {ReportField::Number, "Number", 675, Qt::AlignRight},
    {ReportField::Date, "Date", 930, Qt::AlignLeft},
    {ReportField::Description, "Description of Transaction", 4575, Qt::AlignLeft},
    {ReportField::Payment, "Payment / Debit", 1290, Qt::AlignRight},
    {ReportField::Fee, "Fee", 660, Qt::AlignRight},
};

constexpr double kGridFontPoints = 8.25;
constexpr double kBodyPoints = 8.25;
constexpr double kMarginMillimetres = 12.7;

std::vector<ColumnDesign> designOf(ReportContent content)
{
    if (content == ReportContent::Register)
        return {std::begin(kRegisterColumns), std::end(kRegisterColumns)};
    return {std::begin(kTaxColumns), std::end(kTaxColumns)};
}

QFont reportFont(double points, bool bold)
{
    QFont font;
    font.setFamilies(
        {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QString money(const Money& amount)
{
    return QString::fromStdString(amount.displayText());
}

// The texts that decide how wide a column must be: the widest value each
// end of its span prints.
QStringList widestTexts(const ReportSummary& summary, ReportField field)
{
    QStringList texts;
    const auto amounts = [&texts](const ValueSpan<Money>& span) {
        for (const auto& value : {span.least, span.most})
            if (value)
                texts << money(*value);
    };
    switch (field) {
    case ReportField::Number:
        for (const auto& value : {summary.number.least, summary.number.most})
            if (value)
                texts << QString::number(*value);
        break;
    case ReportField::Date: texts << QStringLiteral("12/28/2000"); break;
    case ReportField::Tax: texts << QStringLiteral("T"); break;
    case ReportField::Payment: amounts(summary.payment); break;
    case ReportField::Fee: amounts(summary.fee); break;
    case ReportField::Deposit: amounts(summary.deposit); break;
    case ReportField::Balance: amounts(summary.balance); break;
    case ReportField::Description: break;
    }
    return texts;
}

double twipsWidthOf(ReportContent content)
{
    double twips = 0;
    for (const ColumnDesign& design : designOf(content))
        twips += design.widthTwips;
    return twips;
}

} // namespace

ReportLayout::ReportLayout(const ReportSummary& summary, ReportContent content, const QPaintDevice& device)
    : body(reportFont(kBodyPoints, false))
    , bold(reportFont(kBodyPoints, true))
    , title(reportFont(12, true))
    , small(reportFont(7.5, false))
{
    point = device.logicalDpiY() / 72.0;
    const double twip = point / 20.0 * (kBodyPoints / kGridFontPoints);
    const QFontMetricsF boldMetrics(bold, &device);
    padding = 3 * point;

    double fixedWidth = 0;
    double descriptionWidth = 0;
    for (const ColumnDesign& design : designOf(content)) {
        ReportColumn column{design.field, QString::fromLatin1(design.caption), design.alignment};
        column.width =
            std::max(design.widthTwips * twip, boldMetrics.horizontalAdvance(column.caption) + 2 * padding);
        // Measured in bold, in which the closing balance and the totals are printed.
        for (const QString& text : widestTexts(summary, design.field))
            column.width = std::max(column.width, boldMetrics.horizontalAdvance(text) + 2 * padding);
        if (design.field == ReportField::Description)
            descriptionWidth = column.width;
        else
            fixedWidth += column.width;
        columns.push_back(column);
    }

    const double deviceWidth = device.width();
    const double natural = fixedWidth + descriptionWidth;
    scale = natural > deviceWidth ? deviceWidth / natural : 1.0;
    pageWidth = deviceWidth / scale;
    pageHeight = device.height() / scale;
    lineHeight = QFontMetricsF(body, &device).height() + 2.5 * point;
    double left = 0;
    for (ReportColumn& column : columns) {
        if (column.field == ReportField::Description)
            column.width = pageWidth - fixedWidth;
        column.left = left;
        left += column.width;
    }

    titleHeight = QFontMetricsF(title, &device).height();
    noteTop = titleHeight + 2 * point;
    if (summary.balancesDiffer)
        note =
            summary.rowsOutOfDateOrder
                ? QStringLiteral("Balances are computed for this period because rows are out of date order.")
                : QStringLiteral("Balances are computed for this period because the stored balances do "
                                 "not follow the running-balance rule.");
    captionsTop = (note.isEmpty() ? titleHeight : noteTop + lineHeight) + 4 * point;
    bodyTop = captionsTop + lineHeight + 2 * point;
    footerTop = pageHeight - QFontMetricsF(small, &device).height();
    const double bodyBottom = footerTop - 4 * point;
    linesPerPage =
        std::max<long long>(1, static_cast<long long>(std::floor((bodyBottom - bodyTop) / lineHeight)));
    pageCount = std::max<long long>(1, (summary.lineCount + linesPerPage - 1) / linesPerPage);
}

QString ReportLayout::cellText(const ReportLine& line, ReportField field)
{
    using Kind = ReportLine::Kind;
    const LedgerRow& row = line.row;
    const bool isRow = line.kind == Kind::Row;
    switch (field) {
    case ReportField::Number: return isRow && row.number ? QString::number(*row.number) : QString();
    case ReportField::Date:
        return isRow && row.date ? QString::fromStdString(row.date->shortText()) : QString();
    case ReportField::Description:
        switch (line.kind) {
        case Kind::BroughtForward: return QStringLiteral("Balance brought forward");
        case Kind::Closing: return QStringLiteral("Balance at the end of the period");
        case Kind::Totals: return QStringLiteral("Total");
        case Kind::Row: break;
        }
        // One printed line per row: line breaks and tabs become blanks.
        return row.description ? QString::fromStdString(*row.description).simplified() : QString();
    case ReportField::Payment: return isRow || line.kind == Kind::Totals ? money(row.payment) : QString();
    case ReportField::Tax: return isRow && row.taxDeductible ? QStringLiteral("T") : QString();
    case ReportField::Fee: return isRow || line.kind == Kind::Totals ? money(row.fee) : QString();
    case ReportField::Deposit: return isRow ? money(row.deposit) : QString();
    case ReportField::Balance: return line.kind == Kind::Totals ? QString() : money(row.balance);
    }
    return QString();
}

QPageLayout::Orientation reportOrientation(ReportContent content, const QPageSize& pageSize)
{
    const double pointsPerMillimetre = 72.0 / 25.4;
    const double portraitWidth =
        pageSize.size(QPageSize::Point).width() - 2 * kMarginMillimetres * pointsPerMillimetre;
    const double columnsWidth = twipsWidthOf(content) / 20.0 * (kBodyPoints / kGridFontPoints);
    return columnsWidth > portraitWidth ? QPageLayout::Landscape : QPageLayout::Portrait;
}

QMarginsF reportMarginsMillimetres()
{
    return {kMarginMillimetres, kMarginMillimetres, kMarginMillimetres, kMarginMillimetres};
}

QString reportTitle(ReportContent content)
{
    return content == ReportContent::Register ? QStringLiteral("Register")
                                              : QStringLiteral("Tax deductible payments");
}

} // namespace tallowick
