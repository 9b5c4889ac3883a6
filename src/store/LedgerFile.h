#pragma once

#include "ChangeNotes.h"
#include "Sqlite.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tallowick {

// Rows are stored in ascending rowid order. A row added at the end takes
// a rowid this far beyond the last one, which leaves room for rows inserted
// later between two neighbours without moving either of them.
inline constexpr std::int64_t kRowidStep = 1024;

// The rowid for a row after the last row `lastRowid` (0 for an empty table).
// Throws StoreError when the ledger has no rowid left, which no real ledger reaches.
std::int64_t rowidAfterLast(std::int64_t lastRowid);

// The name of the ledger file in the install folder.
inline constexpr const char* kLedgerFileName = "My Tallowick.mdb";

// One open connection to an existing ledger file. Opening never creates the
// file or the table: a missing file, a file that is not a database and a
// database without a complete Ledger table of this program's own shape
// (STRICT, each column of its type) each throw a StoreError.
class LedgerConnection {
public:
    static std::unique_ptr<LedgerConnection> open(const std::string& path);

    sqlite3* db() const { return db_.get(); }
    const std::string& path() const { return path_; }

    // Nested transactions: the outermost one takes the write lock at once,
    // inner ones are savepoints, so a caller can wrap several store calls
    // that each protect themselves. The outermost one is refused while the
    // file is kept in another journal mode than the rollback journal (see
    // journalRefusal()), after one more try to switch it back.
    void begin();
    void commit();
    void rollback();
    int transactionDepth() const { return depth_; }

    // The file's change counter as the outermost transaction found it when it
    // took the write lock. Every writer's commit advances it, whatever program
    // makes it, so it tells whether anyone wrote between two of our commits.
    // Nothing outside a transaction, or when the file's header could not be read.
    std::optional<std::uint32_t> counterAtBegin() const { return counterAtBegin_; }
    // Whether the outermost transaction has written any row so far.
    bool wroteSinceBegin() const { return sqlite3_total_changes64(db()) != rowsChangedAtBegin_; }

    // The change the open transaction makes, for the store's writers to note
    // what they write. When the outermost transaction commits, the change
    // goes to the commit observer with the commit's stamp (every commit is
    // told, one that noted nothing too); a rollback forgets what it noted.
    // Throws StoreError outside a transaction.
    ChangeNotes& changes();

    // Every proof of this program's changes (crash, power cut, I/O error)
    // holds for the rollback journal, and the change counter that guards the
    // undo history only moves with it. A ledger that another program left in
    // another mode (write-ahead logging) is switched back when it is opened;
    // that needs the file to itself. While it cannot be switched, this is the
    // sentence that says why, and no change is made; reading goes on.
    const std::optional<std::string>& journalRefusal() const { return journalRefusal_; }

private:
    LedgerConnection(DatabaseHandle db, std::string path) : db_(std::move(db)), path_(std::move(path)) {}
    void checkLedgerTable();
    void useRollbackJournal();

    DatabaseHandle db_;
    std::string path_;
    int depth_ = 0;
    std::unique_ptr<ChangeNotes> changes_; // made by the first note
    std::optional<std::uint32_t> counterAtBegin_;
    std::optional<std::string> journalRefusal_;
    int pagesWrittenAtBegin_ = 0;
    std::int64_t rowsChangedAtBegin_ = 0;
    std::vector<ChangeNotes::Mark> savepoints_;
};

// Everything between construction and commit() is one atomic change; leaving
// the scope without commit() (an exception) rolls it back whole.
class Transaction {
public:
    explicit Transaction(LedgerConnection& connection) : connection_(connection) { connection_.begin(); }
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    LedgerConnection& connection_;
    bool done_ = false;
};

// The change counter in the file's header, read through the connection's own
// file handle; nothing when it cannot be read. Stable only under a lock.
std::optional<std::uint32_t> fileChangeCounter(sqlite3* db);

// Creates a new ledger file holding an empty Ledger table, readable and
// writable by its owner only. Refuses (StoreError) when the file exists, so
// it can never overwrite a user's ledger.
void createLedgerFile(const std::string& path);

// The table's design; the CHECKs keep any writer from storing a malformed
// date, an over-long description or a flag other than 0 and 1.
const char* ledgerTableSql();

// Refuses data this program did not write, such as a table converted by
// another tool, with a NotALedger StoreError: `subject` and `what` say what
// is wrong, and the sentence names the way in for such data.
[[noreturn]] void refuseForeignData(const std::string& subject, const std::string& what);

} // namespace tallowick
