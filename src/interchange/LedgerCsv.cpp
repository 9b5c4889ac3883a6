#include "LedgerCsv.h"

#include "CsvDialect.h"
#include "FieldText.h"
#include "StoreError.h"

#include <algorithm>
#include <sstream>

namespace tallowick {

namespace {

constexpr std::size_t kAbsent = std::size_t(-1);
// Long values are cut in messages; the line and column already find them.
constexpr std::size_t kShownValueBytes = 60;
constexpr const char* kNotUtf8 = "the text is not UTF-8 (the file may be saved as Windows-1252 or Latin-1); "
                                 "save it as UTF-8 and import it again.";

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

std::string shownValue(std::string_view value)
{
    if (value.size() <= kShownValueBytes)
        return std::string(value);
    std::size_t cut = kShownValueBytes;
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80)
        --cut; // never split a UTF-8 character
    return std::string(value.substr(0, cut)) + "...";
}

int taxFlag(std::string_view text)
{
    const std::string word = lowered(trimmed(text));
    if (word.empty() || word == "0" || word == "false" || word == "no")
        return 0;
    if (word == "1" || word == "true" || word == "yes" || word == "t")
        return 1;
    throw StoreError(StoreError::Kind::BadNumber,
                     "Tax deductible must be 0 or 1, True or False, Yes or No, T or blank.");
}

// An empty amount is 0, as the editor stores an amount box left empty.
Money amount(std::string_view text, DecimalMark mark)
{
    return trimmed(text).empty() ? Money() : importedAmount(text, mark);
}

bool isAscii(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Finds the ledger column a header field names, if any.
bool columnOfHeader(std::string_view field, LedgerColumn& column)
{
    const std::optional<LedgerColumn> named = findColumn(trimmed(field));
    if (named)
        column = *named;
    return named.has_value();
}

// The separator that splits the header line into the most of the ledger's
// column names: a comma, a semicolon or a tab; a comma when none names any.
char separatorOfHeader(std::string_view line)
{
    if (line.find('\0') != std::string_view::npos)
        throw StoreError(StoreError::Kind::FileAccess,
                         "The file is UTF-16 text; save it as UTF-8 text and import it again.");
    char best = ',';
    int mostNamed = 0;
    std::vector<std::string> fields;
    for (char separator : {',', ';', '\t'}) {
        std::istringstream text{std::string(line)};
        CsvReader reader(text, separator);
        try {
            reader.next(fields);
        } catch (const StoreError&) {
            continue; // not split this way; the header is read again with the separator chosen
        }
        int named = 0;
        LedgerColumn column;
        for (const std::string& field : fields)
            named += columnOfHeader(field, column) ? 1 : 0;
        if (named > mostNamed) {
            best = separator;
            mostNamed = named;
        }
    }
    return best;
}

void setField(LedgerRow& row, LedgerColumn column, const std::string& text, DecimalMark mark)
{
    const bool empty = trimmed(text).empty();
    switch (column) {
    case LedgerColumn::Number:
        row.number = empty ? std::nullopt : std::optional<std::int64_t>(parseNumber(text));
        break;
    case LedgerColumn::Date:
        row.date = empty ? std::nullopt : std::optional<LedgerDate>(importedDate(text, mark));
        break;
    case LedgerColumn::Description:
        row.description = text.empty() ? std::nullopt : std::optional<std::string>(checkedDescription(text));
        break;
    case LedgerColumn::Payment: row.payment = amount(text, mark); break;
    case LedgerColumn::TaxDeductible: row.taxDeductible = taxFlag(text); break;
    case LedgerColumn::Fee: row.fee = amount(text, mark); break;
    case LedgerColumn::Deposit: row.deposit = amount(text, mark); break;
    case LedgerColumn::Balance: row.balance = amount(text, mark); break;
    }
}

} // namespace

std::string csvHeaderLine()
{
    std::string line;
    for (LedgerColumn column : kAllColumns) {
        if (!line.empty())
            line += ',';
        appendCsvField(line, columnName(column));
    }
    return line + "\r\n";
}

void appendCsvLine(std::string& out, const LedgerRow& row)
{
    bool first = true;
    for (LedgerColumn column : kAllColumns) {
        if (!first)
            out += ',';
        first = false;
        // The ISO day is the one form every spreadsheet reads as a date in every locale.
        if (column == LedgerColumn::Date)
            out += row.date ? row.date->isoText() : std::string();
        else
            appendCsvField(out, plainFieldText(row, column));
    }
    out += "\r\n";
}

CsvLedgerReader::CsvLedgerReader(std::istream& in) : reader_(in)
{
    const char separator = separatorOfHeader(reader_.firstLine());
    reader_.setSeparator(separator);
    mark_ = decimalMarkFor(separator);
    fieldOf_.fill(kAbsent);
    std::vector<std::string> header;
    if (!reader_.next(header))
        throw StoreError(StoreError::Kind::UnknownColumn, "The file is empty: it has no header line.");
    fieldCount_ = header.size();
    for (std::size_t field = 0; field < header.size(); ++field) {
        if (!isAscii(header[field]) && utf8Length(header[field]) < 0)
            throw StoreError(StoreError::Kind::FileAccess, std::string("The header line: ") + kNotUtf8);
        LedgerColumn column;
        if (!columnOfHeader(header[field], column))
            continue; // a column the ledger does not have
        std::size_t& slot = fieldOf_[std::size_t(column)];
        if (slot != kAbsent)
            throw StoreError(StoreError::Kind::UnknownColumn, "The header names the column \""
                                                                  + std::string(columnName(column))
                                                                  + "\" twice.");
        slot = field;
    }
    for (LedgerColumn column : kAllColumns)
        if (fieldOf_[std::size_t(column)] == kAbsent)
            throw StoreError(StoreError::Kind::UnknownColumn,
                             "The header has no column \"" + std::string(columnName(column)) + "\".");
}

bool CsvLedgerReader::next(CsvLedgerRow& out)
{
    for (;;) {
        if (!reader_.next(fields_))
            return false;
        if (std::any_of(fields_.begin(), fields_.end(),
                        [](const std::string& field) { return !trimmed(field).empty(); }))
            break;
        ++skippedLines_; // spreadsheets end a sheet with lines of empty fields
    }
    out.line = reader_.recordLine();
    if (fields_.size() != fieldCount_)
        throw StoreError(StoreError::Kind::UnknownColumn,
                         "Line " + std::to_string(out.line) + " has " + std::to_string(fields_.size())
                             + " fields where the header has " + std::to_string(fieldCount_) + ".");
    out.row = LedgerRow();
    for (LedgerColumn column : kAllColumns) {
        const std::string& text = fields_[fieldOf_[std::size_t(column)]];
        if (!isAscii(text) && utf8Length(text) < 0)
            throw StoreError(StoreError::Kind::FileAccess, "Line " + std::to_string(out.line) + ", column \""
                                                               + std::string(columnName(column))
                                                               + "\": " + kNotUtf8);
        try {
            setField(out.row, column, text, mark_);
        } catch (const StoreError& error) {
            throw StoreError(error.kind(), "Line " + std::to_string(out.line) + ", column \""
                                               + std::string(columnName(column)) + "\", value \""
                                               + shownValue(text) + "\": " + error.what());
        }
    }
    const std::string& balanceText = fields_[fieldOf_[std::size_t(LedgerColumn::Balance)]];
    out.fileBalance = trimmed(balanceText).empty() ? std::nullopt : std::optional<Money>(out.row.balance);
    return true;
}

} // namespace tallowick
