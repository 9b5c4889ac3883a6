#pragma once

#include "ChangeNotes.h"
#include "LedgerRow.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace tallowick {

// What one change did to the ledger: for every rowid it touched, the row
// before and the row after, either of which may be absent. A row whose
// balance alone changed (a recomputation) keeps only its rowid and the two
// balances, 24 bytes; other rows keep packed images (RowImage.h).
//
// A change is filled while its transaction runs (the store's writers note
// into it) and finished when it commits; finish() leaves one entry per
// rowid, in rowid order.
class ChangeRecord final : public ChangeNotes {
public:
    using Kind = ChangeKind;

    struct RowChange {
        static constexpr std::uint32_t kAbsent = std::numeric_limits<std::uint32_t>::max();
        std::int64_t rowid;
        std::uint32_t before; // where the image starts in images(), or kAbsent
        std::uint32_t after;
        // How many balances were noted before this row: orders the two kinds of note in time.
        std::size_t balancesBefore;
    };
    struct BalanceChange {
        std::int64_t rowid;
        std::int64_t before;
        std::int64_t after;
    };
    // A row of a table beside Ledger (a mark, a statement, the draft), packed.
    struct SideChange {
        SideTable table;
        std::int64_t key;
        std::optional<std::string> before;
        std::optional<std::string> after;
    };

    explicit ChangeRecord(std::size_t mostBytes) : mostBytes_(mostBytes) {}

    void name(Kind kind, std::int64_t position, std::int64_t subjectRowid = 0) override;
    bool named() const override { return named_; }
    Kind kind() const { return kind_; }
    std::int64_t subjectRowid() const { return subjectRowid_; }

    // One finished change that does what `earlier` and then `later` did, named
    // as `earlier` but about no row of its own: for every rowid, the row before
    // both and the row after both.
    static ChangeRecord joined(const ChangeRecord& earlier, const ChangeRecord& later, std::size_t mostBytes);
    // "Delete of row 5", "Update of row 3", "Add", "Insert after row 2", "Initial Balance".
    std::string description() const;

    void noteRow(std::int64_t rowid, const LedgerRow* before, const LedgerRow* after) override;
    void noteBalance(std::int64_t rowid, std::int64_t before, std::int64_t after) override;
    void noteSide(SideTable table, std::int64_t key, const std::string* before,
                  const std::string* after) override;

    // The mark's sizes are those of the rows, the balances, the images and the side rows.
    Mark mark() const override
    {
        return {{rows_.size(), balances_.size(), images_.size(), sides_.size()}, named_};
    }
    void rollBackTo(const Mark& mark) override;

    // Merges the notes of each rowid (first before, last after), drops rows
    // that ended as they began, and gives back spare capacity.
    void finish();

    bool empty() const { return rows_.empty() && balances_.empty() && sides_.empty(); }
    // A change too large to keep stops noting and holds nothing.
    bool tooLarge() const { return tooLarge_; }
    // The memory the record holds.
    std::size_t bytes() const;

    const std::vector<RowChange>& rows() const { return rows_; }
    const std::deque<BalanceChange>& balances() const { return balances_; }
    const std::string& images() const { return images_; }
    const std::vector<SideChange>& sides() const { return sides_; } // by table and key after finish()
    LedgerRow image(std::uint32_t start) const;

private:
    std::uint32_t store(const LedgerRow& row);
    void checkSize();
    void mergeBalancesIntoRows();
    // The balance notes' indexes in rowid order; empty when they were noted in that order.
    std::vector<std::size_t> balancesByRowid() const;
    void dropBalances(std::vector<std::size_t> notes);

    std::size_t mostBytes_;
    bool named_ = false;
    bool tooLarge_ = false;
    Kind kind_ = Kind::Recompute;
    std::int64_t position_ = 0;
    std::int64_t subjectRowid_ = 0;
    std::vector<RowChange> rows_;
    // A recomputation notes a balance for every later row: a deque grows
    // without copying, and without doubling its memory as a vector would.
    std::deque<BalanceChange> balances_;
    std::string images_;
    std::vector<SideChange> sides_;
    std::size_t sideBytes_ = 0;
};

} // namespace tallowick
