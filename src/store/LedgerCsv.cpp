#include "LedgerCsv.h"

#include "FieldText.h"
#include "StoreError.h"

namespace tallowick {

namespace {

constexpr std::size_t kAbsent = std::size_t(-1);
// Long values are cut in messages; the line and column already find them.
constexpr std::size_t kShownValueBytes = 60;

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

// Spreadsheets write a day as a date-time at midnight.
std::string_view withoutMidnight(std::string_view text)
{
    text = trimmed(text);
    constexpr std::string_view kMidnight = " 00:00:00";
    if (text.size() > kMidnight.size() && text.substr(text.size() - kMidnight.size()) == kMidnight)
        text.remove_suffix(kMidnight.size());
    return text;
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
Money amount(std::string_view text)
{
    return trimmed(text).empty() ? Money() : Money::parse(text);
}

void setField(LedgerRow& row, LedgerColumn column, const std::string& text)
{
    const bool empty = trimmed(text).empty();
    switch (column) {
    case LedgerColumn::Number:
        row.number = empty ? std::nullopt : std::optional<std::int64_t>(parseNumber(text));
        break;
    case LedgerColumn::Date:
        row.date = empty ? std::nullopt : std::optional<LedgerDate>(LedgerDate::parse(withoutMidnight(text)));
        break;
    case LedgerColumn::Description:
        row.description = text.empty() ? std::nullopt : std::optional<std::string>(checkedDescription(text));
        break;
    case LedgerColumn::Payment: row.payment = amount(text); break;
    case LedgerColumn::TaxDeductible: row.taxDeductible = taxFlag(text); break;
    case LedgerColumn::Fee: row.fee = amount(text); break;
    case LedgerColumn::Deposit: row.deposit = amount(text); break;
    case LedgerColumn::Balance: row.balance = amount(text); break;
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
        appendCsvField(out, plainFieldText(row, column));
    }
    out += "\r\n";
}

CsvLedgerReader::CsvLedgerReader(std::istream& in) : reader_(in)
{
    fieldOf_.fill(kAbsent);
    std::vector<std::string> header;
    if (!reader_.next(header))
        throw StoreError(StoreError::Kind::UnknownColumn, "The file is empty: it has no header line.");
    fieldCount_ = header.size();
    for (std::size_t field = 0; field < header.size(); ++field) {
        LedgerColumn column;
        try {
            column = columnNamed(trimmed(header[field]));
        } catch (const StoreError&) {
            continue; // a column the ledger does not have
        }
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
    do {
        if (!reader_.next(fields_))
            return false;
    } while (fields_.size() == 1 && fields_[0].empty());
    out.line = reader_.recordLine();
    if (fields_.size() != fieldCount_)
        throw StoreError(StoreError::Kind::UnknownColumn,
                         "Line " + std::to_string(out.line) + " has " + std::to_string(fields_.size())
                             + " fields where the header has " + std::to_string(fieldCount_) + ".");
    out.row = LedgerRow();
    for (LedgerColumn column : kAllColumns) {
        const std::string& text = fields_[fieldOf_[std::size_t(column)]];
        try {
            setField(out.row, column, text);
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
