#include "LedgerFind.h"

#include "RowCodec.h"

namespace tallowick {

namespace {

// The small letter of a capital; other characters unchanged. Every capital
// folded here and its small letter lie below U+0800, so both are two bytes
// of UTF-8 (or one, for ASCII).
char32_t smallLetter(char32_t c)
{
    if (c >= 'A' && c <= 'Z')
        return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) // Latin-1: À to Þ, not ×
        return c + 32;
    if (c >= 0x100 && c <= 0x17F) { // Latin Extended-A: pairs of capital and small
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F)
            return c; // dotted İ, dotless ı, ĸ, ŉ and ſ have no pair here
        if (c == 0x178)
            return 0xFF; // Ÿ
        const bool oddCapitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        return (c % 2 == (oddCapitals ? 1 : 0)) ? c + 1 : c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) // Greek capitals
        return c + 32;
    if (c == 0x3C2) // final sigma reads as sigma
        return 0x3C3;
    if (c >= 0x410 && c <= 0x42F) // Cyrillic А to Я
        return c + 32;
    if (c >= 0x400 && c <= 0x40F) // Cyrillic Ѐ to Џ
        return c + 80;
    return c;
}

bool onlyCharactersOf(std::string_view text, std::string_view allowed)
{
    return text.find_first_not_of(allowed) == std::string_view::npos;
}

} // namespace

void appendFoldedCase(std::string_view text, std::string& out)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out += char(smallLetter(lead));
            continue;
        }
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
        if (lead >= 0xC2 && lead <= 0xDF && (next & 0xC0) == 0x80) {
            const char32_t folded = smallLetter(char32_t((lead & 0x1F) << 6 | (next & 0x3F)));
            out += char(0xC0 | (folded >> 6));
            out += char(0x80 | (folded & 0x3F));
            ++i;
            continue;
        }
        out += char(lead); // longer sequences and stray bytes hold no letter folded here
    }
}

FindText::FindText(std::string_view text)
{
    appendFoldedCase(text, folded_);
    // What the grid's forms are made of: "-1001", "3/7/2004", "-$1,234.50".
    mayBeNumber_ = onlyCharactersOf(folded_, "-0123456789");
    mayBeDate_ = onlyCharactersOf(folded_, "/0123456789");
    mayBeAmount_ = onlyCharactersOf(folded_, "-$,.0123456789");
}

bool FindText::shownIn(const LedgerRow& row) const
{
    if (folded_.empty())
        return false;
    const auto holds = [this](std::string_view shown) {
        return shown.find(folded_) != std::string_view::npos;
    };
    if (row.description) {
        description_.clear();
        appendFoldedCase(*row.description, description_);
        if (holds(description_))
            return true;
    }
    if (mayBeNumber_ && row.number && holds(displayFieldText(row, LedgerColumn::Number)))
        return true;
    if (mayBeDate_ && row.date && holds(displayFieldText(row, LedgerColumn::Date)))
        return true;
    if (mayBeAmount_) {
        for (LedgerColumn amount :
             {LedgerColumn::Payment, LedgerColumn::Fee, LedgerColumn::Deposit, LedgerColumn::Balance})
            if (holds(displayFieldText(row, amount)))
                return true;
    }
    return false;
}

std::optional<long long> findRow(LedgerConnection& connection, const FindText& text, long long from,
                                 FindDirection direction)
{
    if (text.empty())
        return std::nullopt;
    // Positions are counted in one walk in stored order, as the grid counts
    // them. `found` is the answer before the wrap; `wrapped` the one after it:
    // the first match up to `from` going forward, the last from `from` on
    // going back.
    std::optional<long long> found;
    std::optional<long long> wrapped;
    Statement all(connection.db(), std::string("SELECT ") + kRowColumnsSql + " FROM Ledger ORDER BY rowid");
    try {
        long long position = 0;
        while (!(found && direction == FindDirection::Next) && all.step()) {
            ++position;
            if (!text.shownIn(readRow(all, 0)))
                continue;
            if (direction == FindDirection::Next) {
                if (position > from)
                    found = position;
                else if (!wrapped)
                    wrapped = position;
            } else {
                (position < from ? found : wrapped) = position;
            }
        }
    } catch (...) {
        all.reset();
        throw;
    }
    all.reset();
    return found ? found : wrapped;
}

} // namespace tallowick
