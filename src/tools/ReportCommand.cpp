#include "ReportCommand.h"

#include "PdfReport.h"
#include "ReconciliationPdf.h"
#include "ReportPainter.h"
#include "StoreError.h"
#include "ToolArguments.h"
#include "ToolCommands.h"

#include <QGuiApplication>
#include <QPageSize>

#include <iostream>
#include <optional>
#include <tuple>

namespace tallowick::tool {

namespace {

LedgerDate dateOf(const std::string& option, const std::string& text)
{
    try {
        return LedgerDate::parse(text);
    } catch (const StoreError&) {
        throw UsageError(option + " needs a date such as 3/7/2024 or 2024-03-07");
    }
}

bool before(const LedgerDate& a, const LedgerDate& b)
{
    return std::tie(a.year, a.month, a.day) < std::tie(b.year, b.month, b.day);
}

} // namespace

ReportArguments parseReportArguments(const std::vector<std::string>& arguments)
{
    ReportArguments parsed;
    bool registerReport = false;
    bool taxReport = false;
    std::optional<int> year;
    std::size_t positional = 0;
    for (std::size_t k = 1; k < arguments.size(); ++k) {
        const std::string& argument = arguments[k];
        // An option's value follows it, or its "=".
        const auto valueOf = [&](const std::string& option, const char* needs) -> std::optional<std::string> {
            if (argument == option) {
                if (++k == arguments.size())
                    throw UsageError(option + " needs " + needs);
                return arguments[k];
            }
            if (argument.rfind(option + "=", 0) == 0)
                return argument.substr(option.size() + 1);
            return std::nullopt;
        };
        if (argument == "--help" || argument == "-h") {
            parsed.help = true;
            return parsed;
        } else if (argument == "--register") {
            registerReport = true;
        } else if (argument == "--tax-deductible") {
            taxReport = true;
        } else if (argument == "--reconciliation") {
            parsed.reconciliation = true;
        } else if (const auto statement = valueOf("--statement", "a date such as 3/7/2024 or 2024-03-07")) {
            parsed.statement = dateOf("--statement", *statement);
        } else if (const auto text = valueOf("--year", "a year of four digits, such as 2024")) {
            year = yearOf(*text);
        } else if (const auto from = valueOf("--from", "a date such as 3/7/2024 or 2024-03-07")) {
            parsed.choice.period.from = dateOf("--from", *from);
        } else if (const auto to = valueOf("--to", "a date such as 3/7/2024 or 2024-03-07")) {
            parsed.choice.period.to = dateOf("--to", *to);
        } else if (const auto pdf = valueOf("--pdf", "the PDF file to write")) {
            parsed.pdfPath = *pdf;
        } else if (argument.size() > 1 && argument[0] == '-') {
            throw UsageError("unknown option \"" + argument + "\" for report");
        } else if (positional++ == 0) {
            parsed.ledgerPath = argument;
        } else {
            throw UsageError("unexpected argument \"" + argument + "\"");
        }
    }
    if (int(registerReport) + int(taxReport) + int(parsed.reconciliation) != 1)
        throw UsageError("report needs exactly one of --register, --tax-deductible and --reconciliation");
    if (parsed.statement && !parsed.reconciliation)
        throw UsageError("--statement goes with --reconciliation");
    if (parsed.reconciliation && (year || parsed.choice.period.from || parsed.choice.period.to))
        throw UsageError("--reconciliation takes --statement, not a period");
    parsed.choice.content = registerReport ? ReportContent::Register : ReportContent::TaxDeductible;
    if (year && (parsed.choice.period.from || parsed.choice.period.to))
        throw UsageError("report takes either --year or --from and --to, not both");
    if (year)
        parsed.choice.period = ReportPeriod::year(*year);
    const ReportPeriod& period = parsed.choice.period;
    if (period.from && period.to && before(*period.to, *period.from))
        throw UsageError("--from must not be after --to");
    if (parsed.pdfPath.empty())
        throw UsageError("report needs --pdf and the PDF file to write");
    return parsed;
}

int reportMain(const std::vector<std::string>& arguments, std::ostream& out)
{
    ReportArguments parsed;
    try {
        parsed = parseReportArguments(arguments);
    } catch (const UsageError& error) {
        std::cerr << "tallowick-ledger: " << error.what() << " (see tallowick-ledger --help)\n";
        return 2;
    }
    if (parsed.help) {
        out << usageText();
        return 0;
    }
    try {
        // A refused ledger is reported before Qt starts.
        const auto connection =
            openForReading(parsed.ledgerPath.empty() ? ledgerBesideProgram() : parsed.ledgerPath);
        // The report is painted, never shown: no display is needed, as on a
        // server or over ssh, unless the caller chooses a platform itself.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // Qt's own notices (a missing runtime folder, say) would bury the one sentence stderr carries.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::cerr << message.toStdString() << '\n';
        });
        int argc = 1;
        char name[] = "tallowick-ledger";
        char* argv[] = {name, nullptr};
        QGuiApplication application(argc, argv);
        const QString path = QString::fromStdString(parsed.pdfPath);
        const int pages = parsed.reconciliation
                              ? writeReconciliationPdf(*connection, parsed.statement, path, localePageSize())
                              : writeReportPdf(*connection, parsed.choice, path, localePageSize());
        out << "Wrote " << pages << (pages == 1 ? " page to " : " pages to ") << parsed.pdfPath << ".\n";
        return 0;
    } catch (const std::exception& error) {
        out.flush();
        std::cerr << error.what() << '\n';
        return 1;
    }
}

} // namespace tallowick::tool
