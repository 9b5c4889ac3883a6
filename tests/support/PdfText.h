#pragma once

// A PDF read back by poppler's command-line tools (poppler-utils), which
// know nothing of how it was written.

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace tallowick::test {

// What a poppler tool prints for the file; empty when it cannot run or read it.
inline QString popplerOutput(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The page count pdfinfo reads; -1 when it reads none.
inline int pdfPageCount(const QString& path)
{
    const QRegularExpressionMatch pages =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)$"), QRegularExpression::MultilineOption)
            .match(popplerOutput(QStringLiteral("pdfinfo"), {path}));
    return pages.hasMatch() ? pages.captured(1).toInt() : -1;
}

// The text, line by line as laid out on the pages.
inline QString pdfText(const QString& path)
{
    return popplerOutput(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
}

// Every amount the text shows ("$1,000.00", "-$12.50"), in reading order.
inline QStringList amountsIn(const QString& text)
{
    QStringList amounts;
    for (const QRegularExpressionMatch& match :
         QRegularExpression(QStringLiteral("-?\\$[0-9,]+\\.[0-9]{2}")).globalMatch(text))
        amounts << match.captured();
    return amounts;
}

} // namespace tallowick::test
