#pragma once

#include "CsvDialect.h"
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

// Appends one row as a CSV line: dates yyyy-mm-dd, every other field in its
// plain text form (plain amounts, tax deductible 0 or 1), an empty field for
// no value, CRLF at the end.
void appendCsvLine(std::string& out, const LedgerRow& row);

// One row read from a CSV file, with the balance the file gives (none when
// its field is empty).
struct CsvLedgerRow {
    LedgerRow row;
    std::optional<Money> fileBalance;
    long long line = 0;
};

// Reads ledger rows from CSV as spreadsheets and other tools write it:
// fields split by commas, tabs or (with decimal commas) semicolons, whichever
// splits the header into the ledger's column names; columns named in any
// letter case and order (other columns are ignored); amounts and dates as
// CsvDialect.h reads them; tax deductible as 0/1, True/False, Yes/No or
// T/blank; UTF-8 text. Every value goes through the ledger's own conversions;
// a refused one throws StoreError naming line, column and value.
class CsvLedgerReader {
public:
    // Reads the header; a missing or repeated column throws StoreError.
    explicit CsvLedgerReader(std::istream& in);

    // The next row; false at the end of the file. Lines whose fields are all
    // empty or blank are skipped and counted.
    bool next(CsvLedgerRow& out);
    long long skippedLines() const { return skippedLines_; }

private:
    CsvReader reader_;
    DecimalMark mark_ = DecimalMark::Point;
    long long skippedLines_ = 0;
    std::array<std::size_t, 8> fieldOf_{}; // field index of each LedgerColumn
    std::size_t fieldCount_ = 0;
    std::vector<std::string> fields_;
};

} // namespace tallowick
