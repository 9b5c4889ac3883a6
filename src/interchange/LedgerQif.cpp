#include "LedgerQif.h"

#include <cstdio>

namespace tallowick {

namespace {

// "-1234.50": the grid's rounding to cents, without "$" and grouping.
std::string qifAmount(const Money& amount)
{
    std::string text;
    for (char c : amount.displayText())
        if (c != '$' && c != ',')
            text += c;
    return text;
}

std::string centsText(std::int64_t cents)
{
    char text[32];
    const long long whole = cents / 100;
    const int part = int(cents % 100);
    std::snprintf(text, sizeof text, "%s%lld.%02d", cents < 0 ? "-" : "", whole < 0 ? -whole : whole,
                  part < 0 ? -part : part);
    return text;
}

void appendLine(std::string& out, char code, const std::string& value)
{
    out += code;
    out += value;
    out += "\r\n";
}

void appendDate(std::string& out, const LedgerDate& date)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", date.month, date.day, date.year);
    appendLine(out, 'D', text);
}

std::string oneLine(std::string text)
{
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

} // namespace

std::int64_t centsOf(Money amount)
{
    const std::int64_t units = amount.tenThousandths();
    const std::uint64_t magnitude =
        units < 0 ? std::uint64_t(0) - std::uint64_t(units) : std::uint64_t(units);
    const auto cents = std::int64_t((magnitude + 50) / 100);
    return units < 0 ? -cents : cents;
}

void appendQifRecord(std::string& out, const LedgerRow& row, const LedgerDate& date, std::int64_t cents,
                     char cleared)
{
    appendDate(out, date);
    appendLine(out, 'T', centsText(cents));
    if (cleared)
        appendLine(out, 'C', std::string(1, cleared));
    if (row.number)
        appendLine(out, 'N', std::to_string(*row.number));
    if (row.description)
        appendLine(out, 'P', oneLine(*row.description));
    std::string memo;
    if (row.fee != Money())
        memo = "Fee " + qifAmount(row.fee);
    if (row.taxDeductible)
        memo += memo.empty() ? "Tax deductible" : "; Tax deductible";
    if (!memo.empty())
        appendLine(out, 'M', memo);
    out += "^\r\n";
}

void appendQifOpening(std::string& out, const LedgerDate& date, std::int64_t cents, const LedgerRow* row,
                      char cleared)
{
    appendDate(out, date);
    appendLine(out, 'T', centsText(cents));
    if (cleared)
        appendLine(out, 'C', std::string(1, cleared));
    if (row && row->number)
        appendLine(out, 'N', std::to_string(*row->number));
    appendLine(out, 'P', "Opening Balance");
    if (row && row->description)
        appendLine(out, 'M', oneLine(*row->description));
    out += "^\r\n";
}

} // namespace tallowick
