// libFuzzer target: one text read as an amount, a number, a date and a description. Only the store's
// refusal is thrown, and every accepted text reads back to the same value through its written form (a
// refused read-back escapes as a finding).
#include "CsvDialect.h"
#include "FieldText.h"
#include "LedgerDate.h"
#include "Money.h"
#include "StoreError.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

using namespace tallowick;

namespace {

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "TextFormsFuzzer: %s\n", what);
        std::abort();
    }
}

template <typename Read> auto accepted(Read read) -> std::optional<decltype(read())>
{
    try {
        return read();
    } catch (const StoreError&) {
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto money = accepted([&] { return Money::parse(text); })) {
        require(Money::parse(money->plainText()) == *money, "an amount differs from its plain form");
        const auto shownOff = (Money::parse(money->displayText()) - *money).tenThousandths();
        require(shownOff >= -50 && shownOff <= 50 && (money->tenThousandths() + shownOff) % 100 == 0,
                "the grid's form is not the amount rounded to cents");
    }
    if (const auto number = accepted([&] { return parseNumber(text); }))
        require(parseNumber(std::to_string(*number)) == *number, "a number differs from its written form");
    if (const auto date = accepted([&] { return LedgerDate::parse(text); }))
        require(LedgerDate::parse(date->shortText()) == *date && LedgerDate::fromIso(date->isoText()) == *date
                    && isCalendarDay(date->year, date->month, date->day),
                "a date differs from its written forms");
    // The import's dialects: an amount reads back from its plain form written with either decimal mark,
    // and a date from its yyyy-mm-dd form, which both dialects take.
    for (const DecimalMark mark : {DecimalMark::Point, DecimalMark::Comma}) {
        if (const auto money = accepted([&] { return importedAmount(text, mark); })) {
            std::string plain = money->plainText();
            if (mark == DecimalMark::Comma)
                std::replace(plain.begin(), plain.end(), '.', ',');
            require(importedAmount(plain, mark) == *money, "an imported amount differs from its plain form");
        }
        if (const auto date = accepted([&] { return importedDate(text, mark); }))
            require(importedDate(date->isoText(), mark) == *date
                        && isCalendarDay(date->year, date->month, date->day),
                    "an imported date differs from its written form");
    }
    if (const auto description = accepted([&] { return checkedDescription(text); }))
        require(*description == text && utf8Length(text) >= 0 && utf8Length(text) <= long(kDescriptionLimit)
                    && text.find('\0') == text.npos,
                "a description was changed or is not one");
    return 0;
}
