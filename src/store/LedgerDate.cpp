#include "LedgerDate.h"

#include "StoreError.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <vector>

namespace tallowick {

namespace {

[[noreturn]] void refuseDate()
{
    throw StoreError(StoreError::Kind::BadDate, "The date is not a valid calendar date.");
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Splits "a<sep>b<sep>c" into three runs of digits; anything else is refused.
std::array<std::string_view, 3> splitThree(std::string_view text, char separator)
{
    std::array<std::string_view, 3> parts;
    std::size_t start = 0;
    for (int k = 0; k < 3; ++k) {
        std::size_t stop = k < 2 ? text.find(separator, start) : text.size();
        if (stop == std::string_view::npos)
            refuseDate();
        parts[k] = text.substr(start, stop - start);
        if (parts[k].empty())
            refuseDate();
        for (char c : parts[k])
            if (c < '0' || c > '9')
                refuseDate();
        start = stop + 1;
    }
    return parts;
}

int valueOf(std::string_view digits)
{
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

LedgerDate checked(int year, int month, int day)
{
    if (!isCalendarDay(year, month, day))
        refuseDate();
    return LedgerDate{year, month, day};
}

} // namespace

bool isCalendarDay(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int last = (month == 2 && leap) ? 29 : kDays[month - 1];
    return day <= last;
}

LedgerDate LedgerDate::parse(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    if (text.size() > 10)
        refuseDate();

    const char separator = text.find('/') != std::string_view::npos ? '/' : '-';
    const auto parts = splitThree(text, separator);

    if (separator == '-' && parts[0].size() == 4) {
        if (parts[1].size() > 2 || parts[2].size() > 2)
            refuseDate();
        return checked(valueOf(parts[0]), valueOf(parts[1]), valueOf(parts[2]));
    }
    if (parts[0].size() > 2 || parts[1].size() > 2)
        refuseDate();
    int year = valueOf(parts[2]);
    if (parts[2].size() == 2)
        year += year < 30 ? 2000 : 1900;
    else if (parts[2].size() != 4)
        refuseDate();
    return checked(year, valueOf(parts[0]), valueOf(parts[1]));
}

LedgerDate LedgerDate::fromIso(std::string_view iso)
{
    if (iso.size() != 10 || iso[4] != '-' || iso[7] != '-')
        refuseDate();
    const auto parts = splitThree(iso, '-');
    return checked(valueOf(parts[0]), valueOf(parts[1]), valueOf(parts[2]));
}

std::string LedgerDate::isoText() const
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", year, month, day);
    return buffer;
}

std::string LedgerDate::shortText() const
{
    // Written digit by digit: Find formats a date on every row it reads.
    char buffer[32];
    char* const end = buffer + sizeof buffer;
    char* out = std::to_chars(buffer, end, month).ptr;
    *out++ = '/';
    out = std::to_chars(out, end, day).ptr;
    *out++ = '/';
    // Four year digits always: "1/1/30" would read back as 1930, not year 30.
    for (int below = 1000; below > 1 && year >= 0 && year < below; below /= 10)
        *out++ = '0';
    out = std::to_chars(out, end, year).ptr;
    return std::string(buffer, out);
}

} // namespace tallowick
