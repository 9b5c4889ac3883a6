#include "CsvText.h"

#include "StoreError.h"

#include <array>
#include <initializer_list>

namespace tallowick {

namespace {

// No ledger value comes near these; a record beyond them is refused before
// it can take up memory (a file without line breaks or a runaway quote).
constexpr std::size_t kLongestField = 64 * 1024;
constexpr std::size_t kMostFields = 1024;

} // namespace

void appendCsvField(std::string& out, std::string_view field, char separator)
{
    if (field.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string_view::npos) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

CsvReader::CsvReader(std::istream& in, char separator) : in_(in)
{
    setSeparator(separator);
}

void CsvReader::setSeparator(char separator)
{
    special_.fill(false);
    for (char c : {separator, '\n', '\r', '"'})
        special_[static_cast<unsigned char>(c)] = true;
    separator_ = separator;
}

void CsvReader::start()
{
    if (started_)
        return;
    started_ = true;
    const auto startsWith = [this](std::initializer_list<unsigned char> bytes) {
        if (peek() < 0 || filled_ < bytes.size())
            return false;
        std::size_t k = 0;
        for (unsigned char byte : bytes)
            if (static_cast<unsigned char>(buffer_[k++]) != byte)
                return false;
        return true;
    };
    if (startsWith({0xEF, 0xBB, 0xBF}))
        position_ += 3;
    else if (startsWith({0xFF, 0xFE}) || startsWith({0xFE, 0xFF}))
        throw StoreError(StoreError::Kind::FileAccess,
                         "The file is UTF-16 text; save it as UTF-8 text and import it again.");
}

std::string_view CsvReader::firstLine()
{
    start();
    peek();
    const std::string_view rest(buffer_.data() + position_, filled_ - position_);
    std::string_view line = rest.substr(0, rest.find('\n'));
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

int CsvReader::peek()
{
    if (position_ == filled_) {
        in_.read(buffer_.data(), std::streamsize(buffer_.size()));
        filled_ = std::size_t(in_.gcount());
        position_ = 0;
        if (filled_ == 0) {
            if (in_.bad())
                throw StoreError(StoreError::Kind::FileAccess, "The file could not be read.");
            return -1;
        }
    }
    return static_cast<unsigned char>(buffer_[position_]);
}

int CsvReader::take()
{
    const int c = peek();
    if (c >= 0)
        ++position_;
    if (c == '\n')
        ++line_;
    return c;
}

bool CsvReader::next(std::vector<std::string>& fields)
{
    start();
    if (peek() < 0) {
        fields.clear();
        return false;
    }
    recordLine_ = line_;
    // The strings of the last record are reused: a long file costs no allocation per field.
    std::size_t count = 0;
    std::string* field = nullptr;
    const auto refuseSize = [this] {
        throw StoreError(StoreError::Kind::FileAccess, "Line " + std::to_string(recordLine_)
                                                           + ": the record is too long to be a ledger row.");
    };
    const auto startField = [&] {
        if (count == kMostFields)
            refuseSize();
        field = count < fields.size() ? &fields[count] : &fields.emplace_back();
        field->clear();
        ++count;
    };
    startField();
    for (;;) {
        // The plain characters of an unquoted field, taken from the buffer in one piece.
        if (peek() >= 0) {
            const char* begin = buffer_.data() + position_;
            const char* end = buffer_.data() + filled_;
            const char* stop = begin;
            while (stop != end && !special_[static_cast<unsigned char>(*stop)])
                ++stop;
            field->append(begin, stop);
            position_ += std::size_t(stop - begin);
            if (field->size() > kLongestField)
                refuseSize();
            if (stop == end)
                continue;
        }
        int c = take();
        if (c == '"' && field->empty()) {
            // A quoted field: everything up to the closing quote, "" being one quote.
            for (;;) {
                c = take();
                if (c < 0)
                    throw StoreError(StoreError::Kind::FileAccess, "Line " + std::to_string(recordLine_)
                                                                       + ": a quoted field is never closed.");
                if (c == '"') {
                    if (peek() != '"')
                        break;
                    take();
                }
                *field += char(c);
                if (field->size() > kLongestField)
                    refuseSize();
            }
            c = take();
            if (c == '\r' && peek() == '\n')
                c = take();
            if (c != separator_ && c != '\n' && c >= 0)
                throw StoreError(StoreError::Kind::FileAccess,
                                 "Line " + std::to_string(line_) + ": text follows a closing quote.");
        } else if (c == '\r' && peek() == '\n') {
            c = take();
        }
        if (c == separator_) {
            startField();
            continue;
        }
        if (c == '\n' || c < 0) {
            fields.resize(count);
            return true;
        }
        *field += char(c);
    }
}

} // namespace tallowick
