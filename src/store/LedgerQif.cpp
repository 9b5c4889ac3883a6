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

void appendLine(std::string& out, char code, const std::string& value)
{
    out += code;
    out += value;
    out += "\r\n";
}

} // namespace

void appendQifRecord(std::string& out, const LedgerRow& row, const std::optional<LedgerDate>& date,
                     bool openingBalance)
{
    if (date) {
        char text[16];
        std::snprintf(text, sizeof text, "%02d/%02d/%04d", date->month, date->day, date->year);
        appendLine(out, 'D', text);
    }
    appendLine(out, 'T', qifAmount(openingBalance ? row.balance : row.deposit - row.payment - row.fee));
    if (row.number)
        appendLine(out, 'N', std::to_string(*row.number));
    if (row.description) {
        std::string payee = *row.description;
        for (char& c : payee)
            if (c == '\r' || c == '\n')
                c = ' ';
        appendLine(out, 'P', payee);
    }
    std::string memo;
    if (row.fee != Money())
        memo = "Fee " + qifAmount(row.fee);
    if (row.taxDeductible)
        memo += memo.empty() ? "Tax deductible" : "; Tax deductible";
    if (!memo.empty())
        appendLine(out, 'M', memo);
    out += "^\r\n";
}

} // namespace tallowick
