#include "LedgerFile.h"

#include "FieldText.h"
#include "LedgerRow.h"
#include "Reconciliation.h"
#include "StoreError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>

namespace tallowick {

namespace {

constexpr int kBusyWaitMilliseconds = 1500;

CommitObserver* commitObserver = nullptr;

// Notes nobody keeps: the writers note as always, and nothing is held.
class UnkeptNotes final : public ChangeNotes {
public:
    void name(ChangeKind, std::int64_t, std::int64_t) override { named_ = true; }
    bool named() const override { return named_; }
    void noteRow(std::int64_t, const LedgerRow*, const LedgerRow*) override {}
    void noteBalance(std::int64_t, std::int64_t, std::int64_t) override {}
    void noteSide(SideTable, std::int64_t, const std::string*, const std::string*) override {}
    Mark mark() const override { return {{}, named_}; }
    void rollBackTo(const Mark& mark) override { named_ = named_ && mark.named; }

private:
    bool named_ = false;
};

bool fileExists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// The type each column is declared with in the table this program creates.
std::string columnType(LedgerColumn column)
{
    return column == LedgerColumn::Date || column == LedgerColumn::Description ? "TEXT" : "INTEGER";
}

// The change counter in the database header (4 bytes at offset 24, big-endian),
// read from the file itself through the connection's own file handle: a second
// handle on the file would cost the connection its locks when closed.
std::optional<std::uint32_t> readChangeCounter(sqlite3* db)
{
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file
        || !file->pMethods)
        return std::nullopt;
    unsigned char bytes[4] = {};
    if (file->pMethods->xRead(file, bytes, 4, 24) != SQLITE_OK)
        return std::nullopt;
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8
           | std::uint32_t(bytes[3]);
}

// Pages this connection has written to the database file so far. With the
// rollback journal, a commit advances the change counter exactly once when it
// wrote any page, and leaves it alone when it wrote none.
int pagesWritten(sqlite3* db)
{
    int current = 0, highest = 0;
    sqlite3_db_status(db, SQLITE_DBSTATUS_CACHE_WRITE, &current, &highest, 0);
    return current;
}

std::string lowered(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

} // namespace

void setCommitObserver(CommitObserver* observer)
{
    commitObserver = observer;
}

std::optional<std::uint32_t> fileChangeCounter(sqlite3* db)
{
    return readChangeCounter(db);
}

std::int64_t rowidAfterLast(std::int64_t lastRowid)
{
    if (lastRowid < 0)
        lastRowid = 0;
    std::int64_t next = 0;
    if (!__builtin_add_overflow(lastRowid, kRowidStep, &next))
        return next;
    if (lastRowid < INT64_MAX)
        return lastRowid + 1;
    throw StoreError(StoreError::Kind::Engine, "The ledger cannot take another row.");
}

const char* ledgerTableSql()
{
    return R"sql(CREATE TABLE Ledger (
  "number"                     INTEGER,
  "date"                       TEXT CHECK ("date" IS NULL OR (
                                 "date" GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]' AND
                                 "date" >= '0001' AND date("date", '+0 days') IS "date")),
  "description of transaction" TEXT CHECK ("description of transaction" IS NULL OR
                                 length("description of transaction") <= 255),
  "payment / debit"            INTEGER NOT NULL,
  "tax deductible"             INTEGER NOT NULL CHECK ("tax deductible" IN (0, 1)),
  "fee"                        INTEGER NOT NULL,
  "deposit / credit"           INTEGER NOT NULL,
  "balance"                    INTEGER NOT NULL
) STRICT)sql";
}

std::unique_ptr<LedgerConnection> LedgerConnection::open(const std::string& path)
{
    if (!fileExists(path))
        throw StoreError(StoreError::Kind::MissingFile, "The ledger file \"" + path + "\" does not exist.");

    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    DatabaseHandle db(raw);
    if (rc != SQLITE_OK)
        throwEngineError(db.get(), rc);
    sqlite3_extended_result_codes(db.get(), 1);
    sqlite3_busy_timeout(db.get(), kBusyWaitMilliseconds);
    keepStatements(db.get());

    std::unique_ptr<LedgerConnection> connection(new LedgerConnection(std::move(db), path));
    execute(connection->db(), "PRAGMA synchronous = FULL");
    connection->checkLedgerTable();
    connection->useRollbackJournal();
    return connection;
}

void LedgerConnection::useRollbackJournal()
{
    std::string reason;
    // The engine answers with the mode in force afterwards. A mode it cannot
    // leave (another connection has the file open) fails outright or answers
    // the old mode.
    const auto mode = [this, &reason](const char* sql) {
        sqlite3_stmt* raw = nullptr;
        std::string answer;
        if (sqlite3_prepare_v2(db(), sql, -1, &raw, nullptr) == SQLITE_OK && sqlite3_step(raw) == SQLITE_ROW
            && sqlite3_column_text(raw, 0))
            answer = lowered(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)));
        else
            reason = sqlite3_errmsg(db());
        sqlite3_finalize(raw);
        return answer;
    };
    if (mode("PRAGMA journal_mode") == "delete" || mode("PRAGMA journal_mode = DELETE") == "delete") {
        journalRefusal_.reset();
        return;
    }
    journalRefusal_ = "The ledger file \"" + path_ + "\" is kept in the journal mode \""
                      + mode("PRAGMA journal_mode")
                      + "\" and could not be switched back to the rollback journal ("
                      + (reason.empty() ? "another program has it open" : reason)
                      + "), so no change is made to it until it can be.";
}

void LedgerConnection::checkLedgerTable()
{
    // Column names are matched without regard to letter case, types as the
    // engine compares them.
    Statement columns(db(), "SELECT name, upper(type) FROM pragma_table_info('Ledger')");
    std::map<std::string, std::string> declaredTypes;
    while (columns.step())
        declaredTypes[lowered(columns.text(0))] = columns.text(1);
    columns.reset();
    if (declaredTypes.empty())
        throw StoreError(StoreError::Kind::NotALedger,
                         "The ledger file \"" + path_ + "\" has no Ledger table.");
    for (LedgerColumn column : kAllColumns)
        if (!declaredTypes.count(std::string(columnName(column))))
            throw StoreError(StoreError::Kind::NotALedger,
                             "The Ledger table has no column \"" + std::string(columnName(column)) + "\".");

    // A table converted by another tool holds REAL dollars or '' where whole
    // numbers belong; read as whole numbers they would turn into other amounts.
    const std::string subject = "The Ledger table in \"" + path_ + "\"";
    for (LedgerColumn column : kAllColumns) {
        const std::string& declared = declaredTypes[std::string(columnName(column))];
        const std::string expected = columnType(column);
        if (declared != expected && !(expected == "INTEGER" && declared == "INT"))
            refuseForeignData(subject, "its column \"" + std::string(columnName(column)) + "\" is declared "
                                           + (declared.empty() ? std::string("without a type") : declared)
                                           + " instead of " + expected);
    }
    Statement strict(db(), "SELECT strict FROM pragma_table_list('Ledger') WHERE schema = 'main'");
    const bool isStrict = strict.step() && strict.integer(0) != 0;
    strict.reset();
    if (!isStrict)
        refuseForeignData(subject, "it is not a STRICT table, so its columns may hold values of any type");
}

void refuseForeignData(const std::string& subject, const std::string& what)
{
    throw StoreError(
        StoreError::Kind::NotALedger,
        subject + " is not in the form Tallowick Balance writes: " + what
            + ". To use rows from another program, bring them in with \"tallowick-ledger import\".");
}

void LedgerConnection::begin()
{
    if (depth_ == 0 && journalRefusal_) {
        useRollbackJournal();
        if (journalRefusal_)
            throw StoreError(StoreError::Kind::Locked, *journalRefusal_);
    }
    execute(db(), depth_ == 0 ? "BEGIN IMMEDIATE" : "SAVEPOINT nested");
    if (depth_ == 0) {
        changes_.reset();
        // Holding the write lock, no other writer can move the counter until we commit.
        counterAtBegin_ = readChangeCounter(db());
        pagesWrittenAtBegin_ = pagesWritten(db());
        rowsChangedAtBegin_ = sqlite3_total_changes64(db());
    } else
        savepoints_.push_back(changes_ ? changes_->mark() : ChangeNotes::Mark{});
    ++depth_;
    if (depth_ == 1) {
        try {
            reconcileOnBegin(*this); // the marks are tied to their rows before anything trusts them
        } catch (...) {
            rollback();
            throw;
        }
    }
}

void LedgerConnection::commit()
{
    if (depth_ == 1)
        reconcileBeforeCommit(*this);
    execute(db(), depth_ == 1 ? "COMMIT" : "RELEASE nested");
    --depth_;
    if (depth_ > 0) {
        savepoints_.pop_back();
    } else {
        // Worked out rather than read again: once the lock is gone, another
        // writer's commit could be read as ours.
        std::optional<std::uint32_t> counterAfter = counterAtBegin_;
        if (counterAfter && pagesWritten(db()) != pagesWrittenAtBegin_)
            ++*counterAfter;
        const CommitStamp stamp{counterAtBegin_, counterAfter};
        counterAtBegin_.reset();
        if (CommitObserver* observer = commitObserver)
            observer->committed(path_, stamp, std::move(changes_));
    }
}

void LedgerConnection::rollback()
{
    if (depth_ == 1) {
        // The engine may have rolled back already (a full disk does that).
        if (!sqlite3_get_autocommit(db()))
            sqlite3_exec(db(), "ROLLBACK", nullptr, nullptr, nullptr);
        changes_.reset();
        counterAtBegin_.reset();
    } else {
        sqlite3_exec(db(), "ROLLBACK TO nested; RELEASE nested", nullptr, nullptr, nullptr);
        if (changes_)
            changes_->rollBackTo(savepoints_.back());
        savepoints_.pop_back();
    }
    --depth_;
}

ChangeNotes& LedgerConnection::changes()
{
    if (depth_ == 0)
        throw StoreError(StoreError::Kind::Engine, "A change to the ledger was made outside a transaction.");
    if (!changes_)
        changes_ = commitObserver ? commitObserver->newChange() : std::make_unique<UnkeptNotes>();
    return *changes_;
}

Transaction::~Transaction()
{
    if (!done_)
        connection_.rollback();
}

void Transaction::commit()
{
    connection_.commit();
    done_ = true;
}

void createLedgerFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST)
            throw StoreError(StoreError::Kind::Engine, "The ledger file \"" + path + "\" exists already.");
        throw StoreError(StoreError::Kind::Engine, "The ledger file \"" + path + "\" could not be created.");
    }
    ::fchmod(fd, 0600); // whatever the umask says
    ::close(fd);

    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    DatabaseHandle db(raw);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db.get(), ledgerTableSql(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        db.reset();
        ::unlink(path.c_str());
        throw StoreError(StoreError::Kind::Engine, "The ledger file \"" + path + "\" could not be created.");
    }
}

} // namespace tallowick
