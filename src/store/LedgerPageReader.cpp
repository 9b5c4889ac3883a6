#include "LedgerPageReader.h"

#include "RowCodec.h"
#include "StoreError.h"

#include <cstdlib>

namespace tallowick {

namespace {
// Bounds the memory of remembered places; far more than a grid ever visits.
constexpr std::size_t kMostRememberedPlaces = 4096;
} // namespace

struct LedgerPageReader::Statements {
    explicit Statements(sqlite3* db)
        : count(db, "SELECT count(*) FROM Ledger")
        , version(db, "PRAGMA data_version")
        , forward(db, "SELECT rowid FROM Ledger WHERE rowid > ?1 ORDER BY rowid LIMIT 1 OFFSET ?2")
        , backward(db, "SELECT rowid FROM Ledger WHERE rowid < ?1 ORDER BY rowid DESC LIMIT 1 OFFSET ?2")
        , run(db, std::string("SELECT rowid, ") + kRowColumnsSql
                      + " FROM Ledger WHERE rowid >= ?1 ORDER BY rowid LIMIT ?2")
    {
    }
    Statement count, version, forward, backward, run;
};

LedgerPageReader::LedgerPageReader(const std::string& ledgerPath)
    : connection_(LedgerConnection::open(ledgerPath))
    , statements_(std::make_unique<Statements>(connection_->db()))
{
}

LedgerPageReader::~LedgerPageReader() = default;

long long LedgerPageReader::rowCount()
{
    if (!rowCount_) {
        Statement& count = statements_->count;
        count.step();
        rowCount_ = count.integer(0);
        count.reset();
        countedVersion_ = dataVersion();
    }
    return *rowCount_;
}

std::int64_t LedgerPageReader::dataVersion()
{
    Statement& version = statements_->version;
    version.step();
    const std::int64_t value = version.integer(0);
    version.reset();
    return value;
}

bool LedgerPageReader::changedSinceCounted()
{
    return rowCount_ && dataVersion() != countedVersion_;
}

void LedgerPageReader::reread()
{
    rowCount_.reset();
    knownRowids_.clear();
}

std::int64_t LedgerPageReader::rowidAt(long long position)
{
    const long long rows = rowCount();
    if (position < 1 || position > rows)
        throw StoreError(StoreError::Kind::NoCurrentRow,
                         "The ledger has no row " + std::to_string(position) + ".");
    if (const auto known = knownRowids_.find(position); known != knownRowids_.end())
        return known->second;

    // The nearest remembered place on either side; the table's two ends
    // count as remembered places too.
    long long fromPosition = 0;
    std::int64_t fromRowid = INT64_MIN;
    long long toPosition = rows + 1;
    std::int64_t toRowid = INT64_MAX;
    auto after = knownRowids_.upper_bound(position);
    if (after != knownRowids_.end()) {
        toPosition = after->first;
        toRowid = after->second;
    }
    if (after != knownRowids_.begin()) {
        auto before = std::prev(after);
        fromPosition = before->first;
        fromRowid = before->second;
    }

    Statement& seek =
        (position - fromPosition <= toPosition - position) ? statements_->forward : statements_->backward;
    if (&seek == &statements_->forward)
        seek.bind(1, fromRowid).bind(2, position - fromPosition - 1);
    else
        seek.bind(1, toRowid).bind(2, toPosition - position - 1);
    if (!seek.step()) {
        seek.reset();
        throw StoreError(StoreError::Kind::NoCurrentRow, "The ledger changed while it was read.");
    }
    const std::int64_t rowid = seek.integer(0);
    seek.reset();
    return rowid;
}

std::vector<LedgerRow> LedgerPageReader::readRows(long long position, int count)
{
    std::vector<LedgerRow> rows;
    if (count <= 0 || position < 1 || position > rowCount())
        return rows;
    const std::int64_t firstRowid = rowidAt(position);
    Statement& run = statements_->run;
    run.bind(1, firstRowid).bind(2, std::int64_t(count));
    std::int64_t lastRowid = firstRowid;
    try {
        while (run.step()) {
            lastRowid = run.integer(0);
            rows.push_back(readRow(run, 1));
        }
    } catch (...) {
        run.reset();
        throw;
    }
    run.reset();

    if (knownRowids_.size() > kMostRememberedPlaces)
        knownRowids_.clear();
    knownRowids_[position] = firstRowid;
    if (!rows.empty())
        knownRowids_[position + static_cast<long long>(rows.size()) - 1] = lastRowid;
    return rows;
}

} // namespace tallowick
