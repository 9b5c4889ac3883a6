#include "FieldText.h"

#include "StoreError.h"

#include <limits>

namespace tallowick {

namespace {

[[noreturn]] void refuseNumber()
{
    throw StoreError(StoreError::Kind::BadNumber, "The number is not a whole number.");
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::int64_t parseNumber(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        refuseNumber();

    // Accumulate as a negative number so that the smallest value fits too.
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            refuseNumber();
        if (__builtin_mul_overflow(value, 10, &value) || __builtin_sub_overflow(value, c - '0', &value))
            refuseNumber();
    }
    if (!negative) {
        if (value == std::numeric_limits<std::int64_t>::min())
            refuseNumber();
        value = -value;
    }
    return value;
}

long long utf8Length(std::string_view text)
{
    long long characters = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        std::uint32_t codePoint = 0;
        if (lead < 0x80) {
            codePoint = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            codePoint = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            codePoint = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            codePoint = lead & 0x07;
        } else {
            return -1;
        }
        if (i + extra >= text.size())
            return -1;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return -1;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        static constexpr std::uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (codePoint < kSmallest[extra] || codePoint > 0x10FFFF
            || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return -1;
        i += extra + 1;
        ++characters;
    }
    return characters;
}

std::string checkedDescription(std::string_view text)
{
    const long long length = utf8Length(text);
    if (length < 0 || text.find('\0') != std::string_view::npos)
        throw StoreError(StoreError::Kind::BadDescription,
                         "The description holds characters the ledger cannot store.");
    if (std::size_t(length) > kDescriptionLimit)
        throw StoreError(StoreError::Kind::BadDescription, "The description is longer than "
                                                               + std::to_string(kDescriptionLimit)
                                                               + " characters.");
    return std::string(text);
}

} // namespace tallowick
