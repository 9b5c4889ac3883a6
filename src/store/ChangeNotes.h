#pragma once

#include "LedgerRow.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tallowick {

// What a change did, as the windows name it.
enum class ChangeKind {
    InitialBalance,
    Add,
    Update,
    Insert,
    Delete,
    Recompute,
    Postpone,
    Finish,
    Adjust,
    ImportStatement
};

// The tables beside Ledger whose rows a change notes, each row under an
// integer key: a mark under its ledger rowid, a statement under its id, the
// postponed draft under 1 (Reconciliation.h). Tables, under 0, is the
// tables themselves: a change that created them notes "1" after none.
enum class SideTable : std::uint8_t { Mark = 0, Statement = 1, Draft = 2, Tables = 3 };

// What the store's writers say about the rows they write while a
// transaction runs, for whoever keeps this program's changes (the undo
// history). The store only says; it never reads the notes back.
class ChangeNotes {
public:
    // Where a savepoint began, in the notes' own terms, so that rolling it
    // back forgets what it noted. A default mark is the notes' beginning.
    struct Mark {
        std::array<std::size_t, 4> sizes{};
        bool named = false;
    };

    virtual ~ChangeNotes() = default;

    // The first naming wins: a change that runs others (an update with its
    // recomputation) names itself before they would. `subjectRowid` is the
    // rowid of the row the change is about (the row an update stored, the
    // placeholder an insertion placed), 0 when none.
    virtual void name(ChangeKind kind, std::int64_t position, std::int64_t subjectRowid = 0) = 0;
    virtual bool named() const = 0;

    // `before`/`after` null for an absent row.
    virtual void noteRow(std::int64_t rowid, const LedgerRow* before, const LedgerRow* after) = 0;
    virtual void noteBalance(std::int64_t rowid, std::int64_t before, std::int64_t after) = 0;
    // A side row before and after, packed as the store packs it (none: absent).
    virtual void noteSide(SideTable table, std::int64_t key, const std::string* before,
                          const std::string* after) = 0;

    virtual Mark mark() const = 0;
    virtual void rollBackTo(const Mark& mark) = 0;
};

// The file's change counter around one commit of ours: as the transaction
// found it, and as the commit left it. Either is nothing when unknown.
struct CommitStamp {
    std::optional<std::uint32_t> before;
    std::optional<std::uint32_t> after;
};

// Told of every transaction that a connection of this program commits.
class CommitObserver {
public:
    virtual ~CommitObserver() = default;
    // Notes for the change a transaction is about to make.
    virtual std::unique_ptr<ChangeNotes> newChange() = 0;
    // Every outermost commit, with the notes of its change (none when
    // nothing was noted).
    virtual void committed(const std::string& ledgerPath, const CommitStamp& stamp,
                           std::unique_ptr<ChangeNotes> change) noexcept = 0;
};

// The one observer of this process's commits; without one (a command-line
// tool keeps no history) every note is dropped as it is made.
void setCommitObserver(CommitObserver* observer);

} // namespace tallowick
