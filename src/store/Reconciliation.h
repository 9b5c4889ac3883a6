#pragma once

#include "LedgerFile.h"
#include "LedgerRow.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tallowick {

// Balancing the register against a bank statement. The marks live in tables
// of their own beside Ledger (ReconcileMark, ReconcileStatement,
// ReconcileDraft, ReconcileStamp), created by the first change that needs
// them; a file that never reconciles keeps the Ledger table alone.
//
// A mark refers to its ledger row by rowid and keeps a fingerprint of the
// row's number, date, description and amounts. The store's own moves carry
// the marks in the same transaction; after another program wrote to the
// file (the change counter says so), every mark is tied to its row again by
// its fingerprint before it is trusted, and a mark that cannot be tied is
// dropped, never attached to another transaction.
//
// The first row, the anchor, counts as reconciled from the start: the first
// statement starts from its balance.

enum class MarkStatus : std::uint8_t { NotCleared = 0, Cleared = 1, Reconciled = 2 };

// A finished statement.
struct BankStatement {
    std::int64_t id = 0; // 1, 2, ... in the order they were finished
    LedgerDate date;
    Money endingBalance;
    LedgerDate finished; // the day the reconciliation was finished
};

// A reconciliation put off for later: what the user had typed.
struct ReconcileDraft {
    std::optional<LedgerDate> statementDate;
    std::optional<Money> endingBalance;
    bool operator==(const ReconcileDraft&) const = default;
};

// One row not yet reconciled, in stored order.
struct ReconcileEntry {
    std::int64_t rowid = 0;
    // The row's date, or for an undated row that of the nearest dated row
    // before it; none when no row up to it has a date.
    std::optional<LedgerDate> effectiveDate;
    MarkStatus status = MarkStatus::NotCleared;
    std::int64_t statement = 0; // the statement of a reconciled row
    Money outflow; // payment / debit plus fee
    Money inflow; // deposit / credit
};

// What checking the marks after another program's write found.
struct MarkCheck {
    bool checked = false; // another program wrote since the marks were last seen
    long long dropped = 0; // marks whose row is gone or changed (since the last Finish or Postpone)
    long long untied = 0; // of them, those still in the file, found by this reading
    // Finished statements whose rows no longer add up to their ending balance.
    std::vector<std::int64_t> unbalanced;
};

// Everything the Reconcile window, the tool and the report read, taken in
// one read transaction. It never writes: after another program's write the
// marks are checked in memory only, and the next change stores the result.
struct ReconciliationView {
    std::vector<BankStatement> statements; // oldest first
    ReconcileDraft draft;
    std::vector<ReconcileEntry> unreconciled; // every row but the anchor not reconciled
    Money anchorBalance; // the first row's balance ($0.00 for an empty ledger)
    Money registerBalance; // the last row's balance
    MarkCheck check;
    // The file's change counter the view was read at; a change refuses to
    // act on a view older than the file.
    std::optional<std::uint32_t> counter;

    const BankStatement* lastStatement() const { return statements.empty() ? nullptr : &statements.back(); }
    // The last statement's ending balance, else the anchor's balance.
    Money startingBalance() const;
    // Indexes into `unreconciled` of the rows dated on or before `date` (an
    // undated row before any dated one included), or of all rows with
    // `laterToo`; none as the date means every row.
    std::vector<std::size_t> listed(const std::optional<LedgerDate>& date, bool laterToo) const;
};

// With `every`, also every row but the anchor, the reconciled ones included
// (for the reconciliation report).
ReconciliationView readReconciliation(LedgerConnection& connection,
                                      std::vector<ReconcileEntry>* every = nullptr);

// As readReconciliation, for the Reconcile window's list: the rows not
// reconciled come without their amounts (zero), which the window reads for
// the rows it ticks, so that opening costs one short read of every row.
ReconciliationView readReconciliationList(LedgerConnection& connection);

// The rows under these rowids, in their order, for a page of the window's
// list; a rowid that holds no row is skipped.
std::vector<LedgerRow> readRowsById(LedgerConnection& connection, const std::vector<std::int64_t>& rowids);

// The mark of every row, by rowid, for the tools (QIF export, status).
// Checked in memory as readReconciliation does; the anchor is Reconciled.
std::vector<std::pair<std::int64_t, MarkStatus>> readMarks(LedgerConnection& connection);

// The changes. Each is one transaction noted for the undo history (nested in
// the caller's, if any), and each refuses (StoreError, kind Engine) to act on
// a view older than the file: `seen` is ReconciliationView::counter, none to
// skip that check (every commit moves the counter, this program's own too,
// so a window reads its view again after any change). A ticked rowid that
// holds no row refuses with NoCurrentRow, a ticked row that is reconciled
// already (the anchor too) with Engine. Finish and Postpone set the count of
// dropped marks back to 0. On failure nothing has changed and the error is
// thrown. The history names them "Postpone of Reconciliation", "Finish of
// Reconciliation" and "Balance adjustment".

// Stores the ticked rows as cleared (every other row not reconciled as not
// cleared) and keeps the draft for the next opening.
void postponeReconciliation(LedgerConnection& connection, const std::vector<std::int64_t>& ticked,
                            const ReconcileDraft& draft, std::optional<std::uint32_t> seen);

// Finishes a statement: the ticked rows become reconciled with a new
// statement (date, ending balance, finished day), every other row not
// reconciled becomes not cleared, and the draft is forgotten. Refuses
// (StoreError BadAmount) when the starting balance plus the ticked rows is
// not `endingBalance`. Returns the new statement's id.
std::int64_t finishReconciliation(LedgerConnection& connection, const std::vector<std::int64_t>& ticked,
                                  const LedgerDate& statementDate, Money endingBalance,
                                  const LedgerDate& finishedOn, std::optional<std::uint32_t> seen);

// Appends "Balance adjustment" dated `statementDate`, as the program's Add
// appends (rowid spacing, balance by the running rule): a positive
// `difference` as a deposit, a negative one as a payment. The row is cleared.
// Returns its rowid.
std::int64_t appendBalanceAdjustment(LedgerConnection& connection, const LedgerDate& statementDate,
                                     Money difference, std::optional<std::uint32_t> seen);

// For `check`: the marks whose row is gone or changed and the first
// finished statement that no longer balances, read without writing.
struct ReconcileAudit {
    long long untiedMarks = 0;
    std::optional<BankStatement> firstUnbalanced;
    Money unbalancedStart; // its starting balance
    Money unbalancedSum; // what its rows add up to
};
ReconcileAudit auditReconciliation(LedgerConnection& connection);

// --- For the store's own writers and the history ------------------------

// A side row packed as text, for the change history; none for an absent row.
std::optional<std::string> readSideRow(LedgerConnection& connection, SideTable table, std::int64_t key);
// Writes (or with none removes) a side row, creating the tables if needed.
void writeSideRow(LedgerConnection& connection, SideTable table, std::int64_t key,
                  const std::optional<std::string>& image);

// The fingerprint of a row's number, date, description and amounts.
std::int64_t rowFingerprint(const LedgerRow& row);

// Called by the store's writers inside their transaction. Each does nothing
// in a file without the side tables.
// An update stored `after` where `before` was: keeps the mark (with a new
// fingerprint) when the date and amounts stayed, else drops it.
void marksAfterUpdate(LedgerConnection& connection, std::int64_t rowid, const LedgerRow& before,
                      const LedgerRow& after);
// A row was deleted: its mark goes with it.
void marksAfterDelete(LedgerConnection& connection, std::int64_t rowid);
// The insertion walk moved rows firstMoved .. lastMoved (consecutive rowids)
// down one rowid each, the last one to `settledRowid`.
void marksAfterShift(LedgerConnection& connection, std::int64_t firstMoved, std::int64_t lastMoved,
                     std::int64_t settledRowid);

// Called by LedgerConnection when its outermost transaction has begun and
// just before it commits: ties the marks again after another program's write
// (stored, not noted for the history, which another writer empties anyway),
// and keeps the stamp that says the marks were seen.
void reconcileOnBegin(LedgerConnection& connection);
void reconcileBeforeCommit(LedgerConnection& connection);

} // namespace tallowick
