#pragma once

#include "CsvText.h"
#include "LedgerRow.h"

#include <array>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace tallowick {

// The header line of an exported file: the eight column names as the table
// spells them, CRLF at the end.
std::string csvHeaderLine();

// Appends one row as a CSV line: the plain text form of every field (dates
// M/d/yyyy, plain amounts, tax deductible 0 or 1, an empty field for no
// value), CRLF at the end.
void appendCsvLine(std::string& out, const LedgerRow& row);

// One row read from a CSV file, with the balance the file gives (none when
// its field is empty).
struct CsvLedgerRow {
    LedgerRow row;
    std::optional<Money> fileBalance;
    long long line = 0;
};

// Reads ledger rows from CSV as spreadsheets and other tools write it:
// columns named in any letter case and order (other columns are ignored),
// amounts with "$", grouping commas and a sign, dates as M/d/yyyy or
// yyyy-mm-dd with an optional " 00:00:00", tax deductible as 0/1,
// True/False, Yes/No or T/blank. Every value goes through the ledger's own
// conversions; a refused one throws StoreError naming line, column and value.
class CsvLedgerReader {
public:
    // Reads the header; a missing or repeated column throws StoreError.
    explicit CsvLedgerReader(std::istream& in);

    // The next row; false at the end of the file. Blank lines are skipped.
    bool next(CsvLedgerRow& out);

private:
    CsvReader reader_;
    std::array<std::size_t, 8> fieldOf_{}; // field index of each LedgerColumn
    std::size_t fieldCount_ = 0;
    std::vector<std::string> fields_;
};

} // namespace tallowick
