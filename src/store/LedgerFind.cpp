#include "LedgerFind.h"

#include "Sqlite.h"
#include "StoreError.h"

#include <exception>

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

constexpr int kAmountVerdictBits = 10;

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

FindText::FindText(std::string_view text) : amountVerdicts_(std::size_t(1) << kAmountVerdictBits)
{
    appendFoldedCase(text, folded_);
    // What the grid's forms are made of: "-1001", "3/7/2004", "-$1,234.50".
    mayBeNumber_ = onlyCharactersOf(folded_, "-0123456789");
    mayBeDate_ = onlyCharactersOf(folded_, "/0123456789");
    mayBeAmount_ = onlyCharactersOf(folded_, "-$,.0123456789");
}

bool FindText::inShownForm(std::string_view shown) const
{
    return shown.find(folded_) != std::string_view::npos;
}

bool FindText::amountShown(const LedgerRow& row, LedgerColumn column, Money amount) const
{
    const std::uint64_t units = std::uint64_t(amount.tenThousandths());
    AmountVerdict& verdict = amountVerdicts_[(units * 0x9E3779B97F4A7C15ULL) >> (64 - kAmountVerdictBits)];
    if (verdict.shown < 0 || verdict.amount != amount.tenThousandths())
        verdict = {amount.tenThousandths(), std::int8_t(inShownForm(displayFieldText(row, column)) ? 1 : 0)};
    return verdict.shown == 1;
}

bool FindText::shownIn(const LedgerRow& row) const
{
    if (folded_.empty())
        return false;
    if (row.description) {
        description_.clear();
        appendFoldedCase(*row.description, description_);
        if (inShownForm(description_))
            return true;
    }
    if (mayBeNumber_ && row.number && inShownForm(displayFieldText(row, LedgerColumn::Number)))
        return true;
    if (mayBeDate_ && row.date) {
        if (row.date != lastDate_) {
            lastDate_ = row.date;
            lastDateShown_ = inShownForm(displayFieldText(row, LedgerColumn::Date));
        }
        if (lastDateShown_)
            return true;
    }
    return mayBeAmount_
           && (amountShown(row, LedgerColumn::Payment, row.payment)
               || amountShown(row, LedgerColumn::Fee, row.fee)
               || amountShown(row, LedgerColumn::Deposit, row.deposit)
               || amountShown(row, LedgerColumn::Balance, row.balance));
}

namespace {

// One search. The engine calls `rowShows` on every row it reads, in stored
// order, with the row's values as it holds them; only the rows that show
// the text come back as results. This spares the per-value calls of reading
// every row as a result, so a search costs about one reading of the table.
struct Search {
    explicit Search(const FindText& text) : text(text) { row.description.emplace(); }

    const FindText& text;
    bool readsNumber = false;
    bool readsDate = false;
    bool readsAmounts = false;
    LedgerRow row; // reused from row to row, so that its description keeps its room
    std::string isoDate;
    std::optional<LedgerDate> date;
    long long position = 0;
    long long shownPosition = 0;
    std::int64_t shownRowid = 0;
    std::exception_ptr failure;
};

std::string_view textOf(sqlite3_value* value)
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return bytes ? std::string_view(bytes, std::size_t(sqlite3_value_bytes(value))) : std::string_view();
}

// The values: rowid, description, then number, date and the four amounts
// where the search reads them.
void rowShows(sqlite3_context* context, int, sqlite3_value** values)
{
    auto& search = *static_cast<Search*>(sqlite3_user_data(context));
    try {
        LedgerRow& row = search.row;
        int next = 1;
        row.description->assign(textOf(values[next++])); // empty when there is none, which shows nothing
        if (search.readsNumber) {
            sqlite3_value* number = values[next++];
            row.number = sqlite3_value_type(number) == SQLITE_NULL
                             ? std::nullopt
                             : std::optional(sqlite3_value_int64(number));
        }
        if (search.readsDate) {
            const std::string_view iso = textOf(values[next++]);
            if (iso != search.isoDate) { // rows of one day come together
                search.isoDate = iso;
                search.date = iso.empty() ? std::nullopt : std::optional(LedgerDate::fromIso(iso));
            }
            row.date = search.date;
        }
        if (search.readsAmounts) {
            for (Money* amount : {&row.payment, &row.fee, &row.deposit, &row.balance})
                *amount = Money::fromTenThousandths(sqlite3_value_int64(values[next++]));
        }
        ++search.position;
        const bool shown = search.text.shownIn(row);
        if (shown) {
            search.shownPosition = search.position;
            search.shownRowid = sqlite3_value_int64(values[0]);
        }
        sqlite3_result_int(context, shown ? 1 : 0);
    } catch (...) {
        search.failure = std::current_exception();
        sqlite3_result_error(context, "The ledger could not be searched.", -1);
    }
}

constexpr const char* kRowShows = "tallowick_row_shows";

// The function lives on the connection for one search; it goes before the
// connection serves anything else.
class RowShowsFunction {
public:
    RowShowsFunction(sqlite3* db, Search& search) : db_(db)
    {
        const int result = sqlite3_create_function_v2(db, kRowShows, -1, SQLITE_UTF8 | SQLITE_DIRECTONLY,
                                                      &search, rowShows, nullptr, nullptr, nullptr);
        if (result != SQLITE_OK)
            throwEngineError(db, result);
    }
    ~RowShowsFunction()
    {
        sqlite3_create_function_v2(db_, kRowShows, -1, SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr,
                                   nullptr);
    }
    RowShowsFunction(const RowShowsFunction&) = delete;
    RowShowsFunction& operator=(const RowShowsFunction&) = delete;

private:
    sqlite3* db_;
};

} // namespace

std::optional<long long> findRow(LedgerConnection& connection, const FindText& text, long long from,
                                 FindDirection direction)
{
    if (text.empty())
        return std::nullopt;
    Search search(text);
    search.readsNumber = text.mayBeNumber_;
    search.readsDate = text.mayBeDate_;
    search.readsAmounts = text.mayBeAmount_;
    // Only the columns the text could stand in are read.
    std::string values = "rowid, \"description of transaction\"";
    if (search.readsNumber)
        values += ", \"number\"";
    if (search.readsDate)
        values += ", \"date\"";
    if (search.readsAmounts)
        values += ", \"payment / debit\", \"fee\", \"deposit / credit\", \"balance\"";
    const RowShowsFunction function(connection.db(), search);
    Statement shownRows(connection.db(), std::string("SELECT rowid FROM Ledger WHERE ") + kRowShows + "("
                                             + values + ") ORDER BY rowid");

    // Positions are counted in one walk in stored order, as the grid counts
    // them. `found` is the answer before the wrap; `wrapped` the one after it:
    // the first match up to `from` going forward, the last from `from` on
    // going back.
    std::optional<long long> found;
    std::optional<long long> wrapped;
    try {
        while (!(found && direction == FindDirection::Next) && shownRows.step()) {
            // The row the function saw last is the row that came back; anything
            // else would give a wrong position, and is refused.
            if (shownRows.integer(0) != search.shownRowid)
                throw StoreError(StoreError::Kind::Engine, "The ledger could not be searched.");
            const long long position = search.shownPosition;
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
        shownRows.reset();
        if (search.failure)
            std::rethrow_exception(search.failure); // the store's own sentence, not the engine's
        throw;
    }
    shownRows.reset();
    return found ? found : wrapped;
}

} // namespace tallowick
