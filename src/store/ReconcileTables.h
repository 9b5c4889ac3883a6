#pragma once

#include "LedgerFile.h"
#include "Reconciliation.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The reconciliation's tables and their rows, for the store's own use.
namespace tallowick::reconcile {

// A mark as stored: not cleared is the absence of a mark.
struct MarkRow {
    MarkStatus status = MarkStatus::Cleared;
    std::int64_t statement = 0; // the statement of a reconciled row, else 0
    std::int64_t fingerprint = 0;
    std::string fitid; // the bank's id of the transaction imported into the row, else empty
    bool operator==(const MarkRow&) const = default;
};

bool haveTables(sqlite3* db);
// Creates the four tables when the file has none yet; the stamp says the
// marks were seen at the transaction's change counter.
void ensureTables(LedgerConnection& connection);

// Begins one of the reconciliation's changes inside the caller's transaction:
// refuses a view read at another change counter than `seen`, names the
// change, and creates the tables (noted, so that its undo drops them).
void beginChange(LedgerConnection& connection, ChangeKind kind, std::optional<std::uint32_t> seen);

// Files from before statements were imported keep marks without the bank's
// id; the column is added by the first mark that has one.
bool marksHaveFitid(sqlite3* db);
void insertMark(sqlite3* db, std::int64_t rowid, const MarkRow& mark);

std::string packMark(const MarkRow& mark);
MarkRow unpackMark(const std::string& image);
std::string packStatement(const BankStatement& statement);
BankStatement unpackStatement(std::int64_t id, const std::string& image);
std::string packDraft(const ReconcileDraft& draft);
ReconcileDraft unpackDraft(const std::string& image);

// Writes a side row and notes it for the history; does nothing when the row
// already is `image`.
void writeNoted(LedgerConnection& connection, SideTable table, std::int64_t key,
                const std::optional<std::string>& image);

// Every mark in rowid order, tied again first when another program wrote
// since the marks were last seen; read in memory only.
std::vector<std::pair<std::int64_t, MarkRow>> currentMarkRows(sqlite3* db);

// Every mark in rowid order.
std::vector<std::pair<std::int64_t, MarkRow>> readAllMarks(sqlite3* db);

// The marks tied to their rows again after another program's write: a mark
// stays on its rowid when that row still has its fingerprint, else it goes
// to the first row after the last tied one that has it (a VACUUM renumbers
// rows in order), else it is dropped.
struct Tied {
    std::vector<std::pair<std::int64_t, MarkRow>> marks; // in rowid order
    long long dropped = 0;
    bool changed = false;
};
Tied tieMarks(sqlite3* db);

// The stamp: the change counter at which the marks were last seen and the
// marks dropped since the last Finish or Postpone.
struct Stamp {
    std::int64_t counter = -1;
    long long dropped = 0;
};
std::optional<Stamp> readStamp(sqlite3* db);

} // namespace tallowick::reconcile
