#pragma once

#include <array>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace tallowick {

// Appends one field as RFC 4180 writes it: quoted, with its quotes doubled,
// when it holds the separator, a quote or a line break; as it is otherwise.
void appendCsvField(std::string& out, std::string_view field, char separator = ',');

// Reads RFC 4180 records from a stream without holding more than one record:
// quoted fields keep their line breaks byte for byte; records end with LF or
// CRLF; a UTF-8 byte-order mark at the start is skipped, and a UTF-16 one is
// refused. Fields are split by `separator` (a comma unless set otherwise).
class CsvReader {
public:
    explicit CsvReader(std::istream& in, char separator = ',');

    // The input's first line without its line break, read ahead but not
    // taken (at most the first 64 KiB), so that a caller can choose the
    // separator before the first record is read.
    std::string_view firstLine();
    void setSeparator(char separator);

    // The next record's fields; false at the end of the input. A quote left
    // open, text after a closing quote and a record far longer than any
    // ledger row (64 KiB in one field, 1,024 fields) throw StoreError naming
    // the line.
    bool next(std::vector<std::string>& fields);

    // The 1-based line on which the record last read starts.
    long long recordLine() const { return recordLine_; }

private:
    void start();
    int peek();
    int take();

    std::istream& in_;
    std::array<bool, 256> special_{}; // the characters that end or quote an unquoted field
    char separator_ = ',';
    std::vector<char> buffer_ = std::vector<char>(1 << 16);
    std::size_t position_ = 0;
    std::size_t filled_ = 0;
    bool started_ = false;
    long long line_ = 1;
    long long recordLine_ = 0;
};

} // namespace tallowick
