#include "CsvDialect.h"

#include "StoreError.h"

#include <string>

namespace tallowick {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The sentences of Money::parse and LedgerDate::parse, for text they never see.
[[noreturn]] void refuseAmount()
{
    throw StoreError(StoreError::Kind::BadAmount, "The amount is not a valid number.");
}

[[noreturn]] void refuseDate()
{
    throw StoreError(StoreError::Kind::BadDate, "The date is not a valid calendar date.");
}

[[noreturn]] void refuseGrouping(DecimalMark mark)
{
    throw StoreError(
        StoreError::Kind::BadAmount,
        mark == DecimalMark::Point
            ? "A decimal point is expected: a comma in an amount may only separate groups of three "
              "digits, as in 1,234.50 (a file with decimal commas has its fields split by "
              "semicolons)."
            : "A decimal comma is expected: in a file whose fields are split by semicolons, a dot "
              "or a space in an amount may only separate groups of three digits, as in 1.234,50.");
}

// The length of the grouping mark that starts at `at` (0 where none does):
// a comma in a file of decimal points; a dot, a blank, a no-break space or a
// narrow no-break space in a file of decimal commas.
std::size_t groupingMarkAt(std::string_view text, std::size_t at, DecimalMark mark)
{
    const std::string_view rest = text.substr(at);
    if (mark == DecimalMark::Point)
        return rest.front() == ',' ? 1 : 0;
    if (rest.front() == '.' || rest.front() == ' ')
        return 1;
    for (std::string_view space : {std::string_view("\xC2\xA0"), std::string_view("\xE2\x80\xAF")})
        if (rest.substr(0, space.size()) == space)
            return space.size();
    return 0;
}

} // namespace

DecimalMark decimalMarkFor(char separator)
{
    return separator == ';' ? DecimalMark::Comma : DecimalMark::Point;
}

Money importedAmount(std::string_view text, DecimalMark mark)
{
    const std::string_view body = trimmed(text);
    const char decimalMark = mark == DecimalMark::Point ? '.' : ',';
    std::size_t i = 0;
    std::string plain; // the amount with a decimal point and no grouping, as Money::parse reads it
    for (int prefix = 0; prefix < 2 && i < body.size(); ++prefix)
        if (body[i] == '-' || body[i] == '+' || body[i] == '$')
            plain += body[i++];

    // Digits in groups: the first of one to three digits, every later one of three.
    std::size_t groupDigits = 0;
    std::string_view groupingMark;
    for (; i < body.size() && body[i] != decimalMark; ++i) {
        if (isDigit(body[i])) {
            plain += body[i];
            ++groupDigits;
            continue;
        }
        const std::size_t length = groupingMarkAt(body, i, mark);
        if (length == 0)
            refuseAmount();
        const std::string_view found = body.substr(i, length);
        if (groupingMark.empty() ? groupDigits < 1 || groupDigits > 3
                                 : groupDigits != 3 || found != groupingMark)
            refuseGrouping(mark);
        groupingMark = found;
        groupDigits = 0;
        i += length - 1;
    }
    if (!groupingMark.empty() && groupDigits != 3)
        refuseGrouping(mark);
    if (i < body.size()) {
        plain += '.';
        for (++i; i < body.size(); ++i) {
            if (groupingMarkAt(body, i, mark) != 0)
                refuseGrouping(mark);
            if (!isDigit(body[i]))
                refuseAmount();
            plain += body[i];
        }
    }
    return Money::parse(plain);
}

LedgerDate importedDate(std::string_view text, DecimalMark mark)
{
    text = trimmed(text);
    // Spreadsheets write a day as a date-time at midnight.
    for (std::string_view midnight : {std::string_view(" 00:00:00"), std::string_view(" 00:00")})
        if (text.size() > midnight.size() && text.substr(text.size() - midnight.size()) == midnight) {
            text = trimmed(text.substr(0, text.size() - midnight.size()));
            break;
        }
    const std::size_t firstDot = text.find('.');
    if (firstDot != std::string_view::npos) {
        // Day.month.year, handed on as month/day/year to the editor's own reading.
        const std::size_t secondDot = text.find('.', firstDot + 1);
        if (secondDot == std::string_view::npos || text.find_first_of("/-") != std::string_view::npos)
            refuseDate();
        std::string monthFirst(text.substr(firstDot + 1, secondDot - firstDot - 1));
        monthFirst += '/';
        monthFirst += text.substr(0, firstDot);
        monthFirst += '/';
        monthFirst += text.substr(secondDot + 1);
        return LedgerDate::parse(monthFirst);
    }
    const bool isoDay = text.size() >= 5 && text[4] == '-';
    if (mark == DecimalMark::Comma && !isoDay && text.find_first_of("/-") != std::string_view::npos)
        throw StoreError(
            StoreError::Kind::BadDate,
            "In a file whose fields are split by semicolons, a date with slashes or dashes may be "
            "day/month/year or month/day/year; write it as YYYY-MM-DD or D.M.YYYY.");
    return LedgerDate::parse(text);
}

} // namespace tallowick
