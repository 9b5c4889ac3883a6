#pragma once

#include "LedgerFile.h"
#include "LedgerRow.h"

#include <cstdint>
#include <map>
#include <optional>
#include <memory>
#include <string>
#include <vector>

namespace tallowick {

// Reads runs of rows by 1-based position for the ledger grid, which never
// holds more than a few pages. It remembers where earlier runs started, so
// scrolling on from a visited place costs a short seek instead of a count
// from the first row; a jump towards the end counts back from the last row.
class LedgerPageReader {
public:
    explicit LedgerPageReader(const std::string& ledgerPath);
    ~LedgerPageReader();

    long long rowCount();

    // Up to `count` rows from `position` on (fewer at the end of the table).
    std::vector<LedgerRow> readRows(long long position, int count);

    // Forgets the row count and every remembered place: the table changed.
    void reread();

    // Whether any other connection, of this program or another, committed a
    // change to the file since the rows were counted. Throws StoreError.
    bool changedSinceCounted();

private:
    std::int64_t rowidAt(long long position);
    std::int64_t dataVersion();

    struct Statements;
    std::unique_ptr<LedgerConnection> connection_;
    std::unique_ptr<Statements> statements_;
    std::optional<long long> rowCount_;
    std::int64_t countedVersion_ = 0; // the file's data version when the rows were counted
    std::map<long long, std::int64_t> knownRowids_; // position -> rowid
};

} // namespace tallowick
