#include "OfxStatement.h"

#include "FieldText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace tallowick {

namespace {

char upper(char c)
{
    return char(std::toupper(static_cast<unsigned char>(c)));
}

// Where the tag `<name>` (any letter case) next begins at or after `from`.
std::size_t findTag(std::string_view bytes, std::string_view name, std::size_t from)
{
    for (std::size_t at = bytes.find('<', from); at != std::string_view::npos; at = bytes.find('<', at + 1)) {
        if (at + 1 + name.size() >= bytes.size())
            return std::string_view::npos;
        bool same = bytes[at + 1 + name.size()] == '>';
        for (std::size_t i = 0; same && i < name.size(); ++i)
            same = upper(bytes[at + 1 + i]) == name[i];
        if (same)
            return at;
    }
    return std::string_view::npos;
}

// The text after the tag at `at`, up to the next tag or line end, trimmed.
std::string valueAt(std::string_view bytes, std::size_t at)
{
    std::size_t start = bytes.find('>', at) + 1;
    std::size_t end = start;
    while (end < bytes.size() && bytes[end] != '<' && bytes[end] != '\n' && bytes[end] != '\r')
        ++end;
    while (start < end && std::isspace(static_cast<unsigned char>(bytes[start])))
        ++start;
    while (end > start && std::isspace(static_cast<unsigned char>(bytes[end - 1])))
        --end;
    return std::string(bytes.substr(start, end - start));
}

// The value of the first `<inner>` after the tag at `at` and before `limit` (exclusive).
std::string valueWithin(std::string_view bytes, std::size_t at, std::size_t limit, std::string_view inner)
{
    const std::size_t found = findTag(bytes, inner, at + 1);
    return found < limit ? valueAt(bytes, found) : std::string();
}

// "[-5:EST]", "[+5.5]", "[0]": the offset in seconds, or none.
std::optional<long long> offsetOf(std::string_view value)
{
    const std::size_t open = value.find('[');
    if (open == std::string_view::npos)
        return std::nullopt;
    const std::string inside(value.substr(open + 1, value.find_first_of(":]", open + 1) - open - 1));
    char* end = nullptr;
    const double hours = std::strtod(inside.c_str(), &end);
    if (end == inside.c_str() || !std::isfinite(hours) || std::fabs(hours) > 24)
        return std::nullopt;
    return std::llround(hours * 3600);
}

} // namespace

std::optional<LedgerDate> writtenDay(std::string_view value)
{
    if (value.size() < 8
        || !std::all_of(value.begin(), value.begin() + 8, [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const auto digits = [&](std::size_t from, std::size_t count) {
        int number = 0;
        for (std::size_t i = from; i < from + count; ++i)
            number = number * 10 + (value[i] - '0');
        return number;
    };
    const LedgerDate day{digits(0, 4), digits(4, 2), digits(6, 2)};
    if (day.year < 1 || !isCalendarDay(day.year, day.month, day.day))
        return std::nullopt;
    return day;
}

WrittenDates writtenDates(std::string_view bytes)
{
    WrittenDates dates;
    std::optional<long long> offset;
    const auto note = [&offset](const std::string& value) {
        if (!offset)
            offset = offsetOf(value);
    };
    for (std::size_t at = findTag(bytes, "STMTTRN", 0); at != std::string_view::npos;) {
        const std::size_t next = findTag(bytes, "STMTTRN", at + 1);
        const std::size_t close = findTag(bytes, "/STMTTRN", at + 1);
        dates.posted.push_back(valueWithin(bytes, at, std::min(next, close), "DTPOSTED"));
        note(dates.posted.back());
        at = next;
    }
    for (std::size_t at = findTag(bytes, "LEDGERBAL", 0); at != std::string_view::npos;
         at = findTag(bytes, "LEDGERBAL", at + 1)) {
        const std::size_t close = findTag(bytes, "/LEDGERBAL", at + 1);
        dates.balanceAsOf.push_back(valueWithin(bytes, at, close, "DTASOF"));
        dates.balanceAmounts.push_back(valueWithin(bytes, at, close, "BALAMT"));
    }
    for (std::size_t at = findTag(bytes, "DTEND", 0); at != std::string_view::npos;
         at = findTag(bytes, "DTEND", at + 1))
        dates.ends.push_back(valueAt(bytes, at));
    dates.offsetSeconds = offset.value_or(0);
    return dates;
}

std::string statementDescription(std::string_view name, std::string_view memo)
{
    const auto trimmed = [](std::string_view text) {
        while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
            text.remove_prefix(1);
        while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
            text.remove_suffix(1);
        return text;
    };
    name = trimmed(name);
    memo = trimmed(memo);
    std::string joined(name);
    if (!memo.empty() && name.find(memo) == std::string_view::npos)
        joined += (joined.empty() ? "" : " ") + std::string(memo);
    // Valid UTF-8 only, one line, at most the ledger's limit of characters.
    std::string text;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < joined.size() && characters < kDescriptionLimit;) {
        const unsigned char lead = static_cast<unsigned char>(joined[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || i + length > joined.size()
            || utf8Length(std::string_view(joined).substr(i, length)) != 1)
            length = 0;
        if (length == 0) {
            text += "\xEF\xBF\xBD";
            ++i;
        } else if (lead < 0x20 || lead == 0x7F) {
            text += ' ';
            ++i;
        } else {
            text.append(joined, i, length);
            i += length;
        }
        ++characters;
    }
    return std::string(trimmed(text));
}

} // namespace tallowick
