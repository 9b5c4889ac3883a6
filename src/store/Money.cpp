#include "Money.h"

#include "StoreError.h"

#include <limits>

namespace tallowick {

namespace {

using Magnitude = unsigned __int128;

constexpr Magnitude kLargestNegative = Magnitude(std::numeric_limits<std::int64_t>::max()) + 1;

[[noreturn]] void refuseAmount()
{
    throw StoreError(StoreError::Kind::BadAmount, "The amount is not a valid number.");
}

[[noreturn]] void refuseRange()
{
    throw StoreError(StoreError::Kind::Overflow, "The amount is too large for the ledger.");
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string digitsOf(std::uint64_t value)
{
    if (value == 0)
        return "0";
    std::string out;
    while (value > 0) {
        out.insert(out.begin(), char('0' + value % 10));
        value /= 10;
    }
    return out;
}

std::uint64_t magnitudeOf(std::int64_t value)
{
    return value < 0 ? std::uint64_t(0) - std::uint64_t(value) : std::uint64_t(value);
}

} // namespace

Money Money::operator+(Money other) const
{
    std::int64_t sum = 0;
    if (__builtin_add_overflow(units_, other.units_, &sum))
        refuseRange();
    return Money(sum);
}

Money Money::operator-(Money other) const
{
    std::int64_t difference = 0;
    if (__builtin_sub_overflow(units_, other.units_, &difference))
        refuseRange();
    return Money(difference);
}

Money Money::parse(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    std::string_view body = text.substr(begin, end - begin);

    bool negative = false;
    bool sawSign = false;
    bool sawDollar = false;
    std::size_t i = 0;
    // A sign and a dollar sign may both stand in front, in either order.
    for (int prefix = 0; prefix < 2 && i < body.size(); ++prefix) {
        if (!sawSign && (body[i] == '-' || body[i] == '+')) {
            negative = body[i] == '-';
            sawSign = true;
            ++i;
        } else if (!sawDollar && body[i] == '$') {
            sawDollar = true;
            ++i;
        }
    }

    Magnitude units = 0;
    bool anyDigit = false;
    bool tooLarge = false;
    for (; i < body.size() && body[i] != '.'; ++i) {
        const char c = body[i];
        if (isDigit(c)) {
            anyDigit = true;
            if (!tooLarge) {
                units = units * 10 + Magnitude(c - '0');
                if (units > kLargestNegative)
                    tooLarge = true;
            }
        } else if (c == ',' && i > 0 && isDigit(body[i - 1]) && i + 1 < body.size() && isDigit(body[i + 1])) {
            // A grouping mark between digits carries no value.
        } else {
            refuseAmount();
        }
    }

    int decimals = 0;
    bool roundUp = false;
    if (i < body.size()) {
        ++i; // the decimal point
        for (; i < body.size(); ++i) {
            const char c = body[i];
            if (!isDigit(c))
                refuseAmount();
            anyDigit = true;
            if (decimals < 4) {
                units = units * 10 + Magnitude(c - '0');
                ++decimals;
            } else if (decimals == 4) {
                roundUp = c >= '5';
                ++decimals;
            }
        }
    }
    if (!anyDigit)
        refuseAmount();
    if (tooLarge)
        refuseRange();
    for (; decimals < 4; ++decimals)
        units *= 10;
    if (roundUp)
        units += 1;

    if (negative) {
        if (units > kLargestNegative)
            refuseRange();
        return Money(units == kLargestNegative ? std::numeric_limits<std::int64_t>::min()
                                               : -std::int64_t(units));
    }
    if (units > Magnitude(std::numeric_limits<std::int64_t>::max()))
        refuseRange();
    return Money(std::int64_t(units));
}

std::string Money::plainText() const
{
    const std::uint64_t magnitude = magnitudeOf(units_);
    std::string out = units_ < 0 ? "-" : "";
    out += digitsOf(magnitude / kScale);
    std::uint64_t fraction = magnitude % kScale;
    if (fraction != 0) {
        std::string decimals = digitsOf(fraction);
        decimals.insert(0, 4 - decimals.size(), '0');
        while (decimals.back() == '0')
            decimals.pop_back();
        out += '.';
        out += decimals;
    }
    return out;
}

std::string Money::displayText() const
{
    const std::uint64_t magnitude = magnitudeOf(units_);
    // Round to cents, half away from zero.
    std::uint64_t rest = magnitude / 100 + (magnitude % 100 >= 50 ? 1 : 0);
    const bool negative = units_ < 0 && rest != 0;
    // Written from the right, digit by digit: Find formats four amounts on
    // every row it reads.
    char buffer[32];
    char* const end = buffer + sizeof buffer;
    char* out = end;
    for (int cent = 0; cent < 2; ++cent, rest /= 10)
        *--out = char('0' + rest % 10);
    *--out = '.';
    for (int inGroup = 0; inGroup == 0 || rest > 0; ++inGroup, rest /= 10) {
        if (inGroup > 0 && inGroup % 3 == 0)
            *--out = ',';
        *--out = char('0' + rest % 10);
    }
    *--out = '$';
    if (negative)
        *--out = '-';
    return std::string(out, end);
}

} // namespace tallowick
