#include "RowImage.h"

#include <cstdint>

namespace tallowick {

namespace {

enum Flags : unsigned char { HasNumber = 1, HasDate = 2, HasDescription = 4, TaxDeductible = 8 };

void putVarint(std::string& out, std::uint64_t value)
{
    while (value >= 0x80) {
        out.push_back(char(value | 0x80));
        value >>= 7;
    }
    out.push_back(char(value));
}

// Small negative and positive values both take few bytes.
void putSigned(std::string& out, std::int64_t value)
{
    putVarint(out, (std::uint64_t(value) << 1) ^ std::uint64_t(value >> 63));
}

std::uint64_t getVarint(std::string_view in, std::size_t& at)
{
    std::uint64_t value = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(in[at++]);
        value |= std::uint64_t(byte & 0x7F) << shift;
        if (!(byte & 0x80))
            return value;
    }
}

std::int64_t getSigned(std::string_view in, std::size_t& at)
{
    const std::uint64_t raw = getVarint(in, at);
    return std::int64_t(raw >> 1) ^ -std::int64_t(raw & 1);
}

} // namespace

std::size_t appendRowImage(std::string& bytes, const LedgerRow& row)
{
    std::string image;
    unsigned char flags = 0;
    flags |= row.number ? HasNumber : 0;
    flags |= row.date ? HasDate : 0;
    flags |= row.description ? HasDescription : 0;
    flags |= row.taxDeductible ? TaxDeductible : 0;
    image.push_back(char(flags));
    if (row.number)
        putSigned(image, *row.number);
    if (row.date)
        putVarint(image, std::uint64_t((row.date->year * 13 + row.date->month) * 32 + row.date->day));
    if (row.description) {
        putVarint(image, row.description->size());
        image += *row.description;
    }
    for (Money amount : {row.payment, row.fee, row.deposit, row.balance})
        putSigned(image, amount.tenThousandths());

    const std::size_t start = bytes.size();
    putVarint(bytes, image.size());
    bytes += image;
    return start;
}

std::string_view rowImageAt(std::string_view bytes, std::size_t start)
{
    const std::size_t length = getVarint(bytes, start);
    return bytes.substr(start, length);
}

LedgerRow readRowImage(std::string_view bytes, std::size_t start)
{
    const std::string_view image = rowImageAt(bytes, start);
    std::size_t at = 0;
    const auto flags = static_cast<unsigned char>(image[at++]);
    LedgerRow row;
    if (flags & HasNumber)
        row.number = getSigned(image, at);
    if (flags & HasDate) {
        const auto packed = int(getVarint(image, at));
        row.date = LedgerDate{packed / 32 / 13, packed / 32 % 13, packed % 32};
    }
    if (flags & HasDescription) {
        const std::size_t length = getVarint(image, at);
        row.description = std::string(image.substr(at, length));
        at += length;
    }
    row.taxDeductible = (flags & TaxDeductible) ? 1 : 0;
    row.payment = Money::fromTenThousandths(getSigned(image, at));
    row.fee = Money::fromTenThousandths(getSigned(image, at));
    row.deposit = Money::fromTenThousandths(getSigned(image, at));
    row.balance = Money::fromTenThousandths(getSigned(image, at));
    return row;
}

} // namespace tallowick
