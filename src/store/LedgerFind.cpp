#include "LedgerFind.h"

#include "Sqlite.h"

#include <vector>

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
    // Folding keeps every character's length, so the room is known at once.
    const std::size_t start = out.size();
    out.resize(start + text.size());
    char* to = out.data() + start;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            to[i] = char(lead >= 'A' && lead <= 'Z' ? lead + 32 : lead);
            continue;
        }
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
        if (lead >= 0xC2 && lead <= 0xDF && (next & 0xC0) == 0x80) {
            const char32_t folded = smallLetter(char32_t((lead & 0x1F) << 6 | (next & 0x3F)));
            to[i] = char(0xC0 | (folded >> 6));
            to[i + 1] = char(0x80 | (folded & 0x3F));
            ++i;
            continue;
        }
        to[i] = char(lead); // longer sequences and stray bytes hold no letter folded here
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

bool FindText::inDescription(std::string_view description) const
{
    description_.clear();
    appendFoldedCase(description, description_);
    return inShownForm(description_);
}

bool FindText::inShownForm(std::string_view shown) const
{
    return !folded_.empty() && shown.find(folded_) != std::string_view::npos;
}

bool FindText::shownIn(const LedgerRow& row) const
{
    if (folded_.empty())
        return false;
    if (row.description && inDescription(*row.description))
        return true;
    if (mayBeNumber_ && row.number && inShownForm(displayFieldText(row, LedgerColumn::Number)))
        return true;
    if (mayBeDate_ && row.date && inShownForm(displayFieldText(row, LedgerColumn::Date)))
        return true;
    if (mayBeAmount_) {
        for (LedgerColumn amount :
             {LedgerColumn::Payment, LedgerColumn::Fee, LedgerColumn::Deposit, LedgerColumn::Balance})
            if (inShownForm(displayFieldText(row, amount)))
                return true;
    }
    return false;
}

std::optional<long long> findRow(LedgerConnection& connection, const FindText& text, long long from,
                                 FindDirection direction)
{
    if (text.empty())
        return std::nullopt;
    // The test of FindText::shownIn, on the stored values as the engine
    // hands them over: only the columns the text could stand in are read,
    // each only while the row's earlier fields have not shown the text, and
    // a date is shown once for a run of rows of the same day. So a search
    // costs about what the engine's own reading of the table costs.
    std::string sql = "SELECT \"description of transaction\"";
    const int numberColumn = 1;
    const int dateColumn = numberColumn + (text.mayBeNumber_ ? 1 : 0);
    const int firstAmountColumn = dateColumn + (text.mayBeDate_ ? 1 : 0);
    if (text.mayBeNumber_)
        sql += ", \"number\"";
    if (text.mayBeDate_)
        sql += ", \"date\"";
    if (text.mayBeAmount_)
        sql += ", \"payment / debit\", \"fee\", \"deposit / credit\", \"balance\"";
    Statement rows(connection.db(), sql + " FROM Ledger ORDER BY rowid");
    std::string isoDate;
    std::string shownDate;
    // Most amounts recur (0 above all, a rent, a fee), so the verdict on an
    // amount is kept in a small table and an amount met before is not shown again.
    constexpr int kVerdictBits = 10;
    std::vector<std::int64_t> verdictAmounts(std::size_t(1) << kVerdictBits);
    std::vector<signed char> verdicts(verdictAmounts.size(), -1); // -1: none kept
    const auto amountShows = [&](std::int64_t amount) {
        const std::size_t slot =
            std::size_t((std::uint64_t(amount) * 0x9E3779B97F4A7C15ULL) >> (64 - kVerdictBits));
        if (verdicts[slot] < 0 || verdictAmounts[slot] != amount) {
            verdictAmounts[slot] = amount;
            verdicts[slot] = text.inShownForm(Money::fromTenThousandths(amount).displayText()) ? 1 : 0;
        }
        return verdicts[slot] == 1;
    };
    const auto shows = [&] {
        if (text.inDescription(rows.textView(0)))
            return true;
        if (text.mayBeNumber_ && !rows.isNull(numberColumn)
            && text.inShownForm(std::to_string(rows.integer(numberColumn))))
            return true;
        if (text.mayBeDate_) {
            const std::string_view iso = rows.textView(dateColumn);
            if (!iso.empty() && iso != isoDate) {
                isoDate = iso;
                shownDate = LedgerDate::fromIso(iso).shortText();
            }
            if (!iso.empty() && text.inShownForm(shownDate))
                return true;
        }
        if (text.mayBeAmount_) {
            for (int column = firstAmountColumn; column < firstAmountColumn + 4; ++column)
                if (amountShows(rows.integer(column)))
                    return true;
        }
        return false;
    };

    // Positions are counted in one walk in stored order, as the grid counts
    // them. `found` is the answer before the wrap; `wrapped` the one after it:
    // the first match up to `from` going forward, the last from `from` on
    // going back.
    std::optional<long long> found;
    std::optional<long long> wrapped;
    try {
        long long position = 0;
        while (!(found && direction == FindDirection::Next) && rows.step()) {
            ++position;
            if (!shows())
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
        rows.reset();
        throw;
    }
    rows.reset();
    return found ? found : wrapped;
}

} // namespace tallowick
