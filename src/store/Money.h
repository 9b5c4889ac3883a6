#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tallowick {

// An exact amount of currency: a signed 64-bit count of ten-thousandths.
// Addition and subtraction throw StoreError (Kind::Overflow) instead of
// wrapping, so a balance can never silently turn into nonsense.
class Money {
public:
    static constexpr std::int64_t kScale = 10000;

    constexpr Money() = default;
    static constexpr Money fromTenThousandths(std::int64_t units) { return Money(units); }
    static constexpr Money fromWhole(std::int64_t whole) { return Money(whole * kScale); }

    constexpr std::int64_t tenThousandths() const { return units_; }

    Money operator+(Money other) const;
    Money operator-(Money other) const;
    Money& operator+=(Money other) { return *this = *this + other; }
    Money& operator-=(Money other) { return *this = *this - other; }

    // Spelled out rather than <=>: Qt's moc cannot read <compare> in window headers.
    constexpr bool operator==(const Money& other) const { return units_ == other.units_; }
    constexpr bool operator!=(const Money& other) const { return units_ != other.units_; }
    constexpr bool operator<(const Money& other) const { return units_ < other.units_; }
    constexpr bool operator>(const Money& other) const { return units_ > other.units_; }
    constexpr bool operator<=(const Money& other) const { return units_ <= other.units_; }
    constexpr bool operator>=(const Money& other) const { return units_ >= other.units_; }

    // Text to Money: blanks around the number, an optional sign, an optional
    // "$", digits with commas between them, an optional point with decimals.
    // More than four decimals round half away from zero. Anything else, and
    // any value out of range, throws StoreError (Kind::BadAmount/Overflow).
    static Money parse(std::string_view text);

    // The plain form: "-12.5", "100", "0.5", "0"; no grouping, no "$".
    std::string plainText() const;

    // The grid's form: "$1,234.50", "-$12.50"; cents rounded half away from zero.
    std::string displayText() const;

private:
    constexpr explicit Money(std::int64_t units) : units_(units) {}
    std::int64_t units_ = 0;
};

} // namespace tallowick
