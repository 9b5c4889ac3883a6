#pragma once

#include "ReportRows.h"

#include <QFont>
#include <QPageLayout>
#include <QString>

#include <vector>

class QPageSize;
class QPaintDevice;

namespace tallowick {

// The report's columns: the grid's, in its captions and formats.
enum class ReportField { Number, Date, Description, Payment, Tax, Fee, Deposit, Balance };

struct ReportColumn {
    ReportField field;
    QString caption;
    Qt::Alignment alignment;
    double left = 0; // in the page's units, from the printable area's left edge
    double width = 0;
};

// Where everything goes on the report's pages, measured in the units of the
// device it is painted on. Each column is as wide as the grid's (its
// proportions kept at the printed size), wider where a caption or the widest
// value the report prints needs more; the description takes the rest of the
// line. A line too wide even for that is painted smaller (scale).
class ReportLayout {
public:
    ReportLayout(const ReportSummary& summary, ReportContent content, const QPaintDevice& device);

    QFont body;
    QFont bold;
    QFont title;
    QFont small;

    std::vector<ReportColumn> columns;
    double scale = 1; // painter scale; the sizes below are before it
    double pageWidth = 0;
    double pageHeight = 0;
    double lineHeight = 0;
    double point = 0; // one printer's point
    double padding = 0; // inside a column, either side of its text
    double titleHeight = 0; // the title line's, from the top of the page
    // Said once, under the title of the first page, when the printed balances
    // are not the stored ones; every page keeps its line so that all pages
    // hold as many lines.
    QString note;
    double noteTop = 0;
    double captionsTop = 0; // the column captions' line
    double bodyTop = 0; // the first line's top
    double footerTop = 0;
    long long linesPerPage = 1;
    long long pageCount = 1;

    // The text of a line's cell in the grid's format.
    static QString cellText(const ReportLine& line, ReportField field);
};

// Landscape when the content's columns at the grid's widths are wider than
// a portrait page of this size leaves room for (the register); portrait otherwise.
QPageLayout::Orientation reportOrientation(ReportContent content, const QPageSize& pageSize);

// Where the report's lines stand on the page: the printable area inside these margins.
QMarginsF reportMarginsMillimetres();

// "Register" or "Tax deductible payments".
QString reportTitle(ReportContent content);

} // namespace tallowick
