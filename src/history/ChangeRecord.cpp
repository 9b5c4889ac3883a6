#include "ChangeRecord.h"

#include "RowImage.h"

#include <algorithm>
#include <optional>

namespace tallowick {

namespace {

// libstdc++ keeps a deque in blocks of 512 bytes, with a pointer to each.
constexpr std::size_t kBalancesPerBlock = std::max<std::size_t>(1, 512 / sizeof(ChangeRecord::BalanceChange));

template <class Entries, class Merge> void mergeSameRowid(Entries& entries, Merge merge)
{
    // Notes come in rowid order, each rowid once, unless a change wrote a row twice.
    const auto notAfter = [](const auto& a, const auto& b) { return a.rowid >= b.rowid; };
    if (std::adjacent_find(entries.begin(), entries.end(), notAfter) == entries.end())
        return;
    const auto byRowid = [](const auto& a, const auto& b) { return a.rowid < b.rowid; };
    std::stable_sort(entries.begin(), entries.end(), byRowid);
    auto kept = entries.begin();
    for (auto each = entries.begin(); each != entries.end(); ++each) {
        if (each != entries.begin() && each->rowid == (kept - 1)->rowid)
            merge(*(kept - 1), *each);
        else
            *kept++ = *each;
    }
    entries.erase(kept, entries.end());
}

} // namespace

void ChangeRecord::name(Kind kind, std::int64_t position, std::int64_t subjectRowid)
{
    if (named_)
        return;
    named_ = true;
    kind_ = kind;
    position_ = position;
    subjectRowid_ = subjectRowid;
}

ChangeRecord ChangeRecord::joined(const ChangeRecord& earlier, const ChangeRecord& later,
                                  std::size_t mostBytes)
{
    // Noted again in the order they happened, finish() keeps each rowid's
    // first before-image and last after-image, and puts the later change's
    // balances into the after-images of rows the earlier change wrote whole.
    ChangeRecord both(mostBytes);
    both.name(earlier.kind_, earlier.position_);
    for (const ChangeRecord* change : {&earlier, &later}) {
        for (const RowChange& row : change->rows_) {
            const std::optional<LedgerRow> before =
                row.before == RowChange::kAbsent ? std::nullopt : std::optional(change->image(row.before));
            const std::optional<LedgerRow> after =
                row.after == RowChange::kAbsent ? std::nullopt : std::optional(change->image(row.after));
            both.noteRow(row.rowid, before ? &*before : nullptr, after ? &*after : nullptr);
        }
        for (const BalanceChange& balance : change->balances_)
            both.noteBalance(balance.rowid, balance.before, balance.after);
        for (const SideChange& side : change->sides_)
            both.noteSide(side.table, side.key, side.before ? &*side.before : nullptr,
                          side.after ? &*side.after : nullptr);
    }
    both.finish();
    return both;
}

std::string ChangeRecord::description() const
{
    const std::string row = std::to_string(position_);
    switch (kind_) {
    case Kind::InitialBalance: return "Initial Balance";
    case Kind::Add: return "Add";
    case Kind::Update: return "Update of row " + row;
    case Kind::Insert: return "Insert after row " + row;
    case Kind::Delete: return "Delete of row " + row;
    case Kind::Postpone: return "Postpone of Reconciliation";
    case Kind::Finish: return "Finish of Reconciliation";
    case Kind::Adjust: return "Balance adjustment";
    case Kind::ImportStatement: return "Import of Statement";
    case Kind::Recompute: break;
    }
    return "Recomputation of Balances";
}

std::uint32_t ChangeRecord::store(const LedgerRow& row)
{
    return std::uint32_t(appendRowImage(images_, row));
}

LedgerRow ChangeRecord::image(std::uint32_t start) const
{
    return readRowImage(images_, start);
}

void ChangeRecord::noteRow(std::int64_t rowid, const LedgerRow* before, const LedgerRow* after)
{
    if (tooLarge_)
        return;
    RowChange change{rowid, RowChange::kAbsent, RowChange::kAbsent, balances_.size()};
    if (before)
        change.before = store(*before);
    if (after) {
        // An insertion moves each row down into the next rowid: the image
        // noted there is the one just noted as the previous rowid's before.
        std::string packed;
        appendRowImage(packed, *after);
        const RowChange* previous = rows_.empty() ? nullptr : &rows_.back();
        if (previous && previous->before != RowChange::kAbsent
            && rowImageAt(packed, 0) == rowImageAt(images_, previous->before)) {
            change.after = previous->before;
        } else {
            change.after = std::uint32_t(images_.size());
            images_ += packed;
        }
    }
    rows_.push_back(change);
    checkSize();
}

void ChangeRecord::noteBalance(std::int64_t rowid, std::int64_t before, std::int64_t after)
{
    if (tooLarge_)
        return;
    balances_.push_back({rowid, before, after});
    if (balances_.size() % kBalancesPerBlock == 0)
        checkSize();
}

void ChangeRecord::noteSide(SideTable table, std::int64_t key, const std::string* before,
                            const std::string* after)
{
    if (tooLarge_)
        return;
    SideChange change{table, key, before ? std::optional(*before) : std::nullopt,
                      after ? std::optional(*after) : std::nullopt};
    sideBytes_ += sizeof(SideChange) + (before ? before->size() : 0) + (after ? after->size() : 0);
    sides_.push_back(std::move(change));
    checkSize();
}

void ChangeRecord::checkSize()
{
    if (bytes() <= mostBytes_ && images_.size() < RowChange::kAbsent)
        return;
    // Kept, it would crowd out every other change; the history drops it whole.
    tooLarge_ = true;
    rows_ = {};
    balances_ = {};
    images_ = {};
    sides_ = {};
    sideBytes_ = 0;
}

void ChangeRecord::rollBackTo(const Mark& mark)
{
    named_ = named_ && mark.named;
    if (tooLarge_)
        return;
    rows_.resize(std::min(rows_.size(), mark.sizes[0]));
    balances_.resize(std::min(balances_.size(), mark.sizes[1]));
    images_.resize(std::min(images_.size(), mark.sizes[2]));
    sides_.resize(std::min(sides_.size(), mark.sizes[3]));
}

void ChangeRecord::finish()
{
    if (tooLarge_)
        return;
    const auto keepLaterAfter = [](auto& first, const auto& later) { first.after = later.after; };
    mergeBalancesIntoRows();
    mergeSameRowid(rows_, keepLaterAfter);
    mergeSameRowid(balances_, keepLaterAfter);

    std::erase_if(balances_, [](const BalanceChange& change) { return change.before == change.after; });
    std::erase_if(rows_, [this](const RowChange& change) {
        if (change.before == RowChange::kAbsent || change.after == RowChange::kAbsent)
            return change.before == change.after;
        return rowImageAt(images_, change.before) == rowImageAt(images_, change.after);
    });
    // Each side row: the first before-image and the last after-image.
    const auto bySide = [](const SideChange& a, const SideChange& b) {
        return std::pair(a.table, a.key) < std::pair(b.table, b.key);
    };
    std::stable_sort(sides_.begin(), sides_.end(), bySide);
    auto kept = sides_.begin();
    for (auto each = sides_.begin(); each != sides_.end(); ++each) {
        if (kept != sides_.begin() && !bySide(*(kept - 1), *each))
            (kept - 1)->after = std::move(each->after);
        else {
            if (kept != each)
                *kept = std::move(*each);
            ++kept;
        }
    }
    sides_.erase(kept, sides_.end());
    std::erase_if(sides_, [](const SideChange& change) { return change.before == change.after; });
    sideBytes_ = 0;
    for (const SideChange& side : sides_)
        sideBytes_ += sizeof(SideChange) + (side.before ? side.before->size() : 0)
                      + (side.after ? side.after->size() : 0);
    sides_.shrink_to_fit();
    // A deque frees its blocks as it shrinks; only these two keep spare room.
    rows_.shrink_to_fit();
    images_.shrink_to_fit();
}

std::vector<std::size_t> ChangeRecord::balancesByRowid() const
{
    // A recomputation notes balances in rowid order: then no index is needed.
    const auto byRowid = [](const BalanceChange& a, const BalanceChange& b) { return a.rowid < b.rowid; };
    if (std::is_sorted(balances_.begin(), balances_.end(), byRowid))
        return {};
    std::vector<std::size_t> order(balances_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    // Stably: the notes of one rowid stay in the order they were made.
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return byRowid(balances_[a], balances_[b]); });
    return order;
}

void ChangeRecord::mergeBalancesIntoRows()
{
    if (rows_.empty() || balances_.empty())
        return;
    // Balances noted for a rowid that also has a whole row go into its
    // images: the earliest one noted before the row into the before-image,
    // the latest one noted after it into the after-image. Done for each note
    // of the row before those are merged, so that each image gets the
    // balances of its own moment.
    const std::size_t count = balances_.size();
    const std::vector<std::size_t> order = balancesByRowid();
    const auto note = [&](std::size_t k) { return order.empty() ? k : order[k]; }; // the k-th by rowid
    const auto rebalanced = [this](std::uint32_t start, std::int64_t balance) {
        LedgerRow image = this->image(start);
        image.balance = Money::fromTenThousandths(balance);
        return store(image);
    };

    std::vector<std::size_t> merged;
    for (RowChange& row : rows_) {
        std::size_t low = 0, high = count;
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            (balances_[note(middle)].rowid < row.rowid ? low = middle + 1 : high = middle);
        }
        std::optional<std::int64_t> earlier, later;
        for (std::size_t k = low; k < count && balances_[note(k)].rowid == row.rowid; ++k) {
            const std::size_t index = note(k);
            if (index < row.balancesBefore && !earlier)
                earlier = balances_[index].before;
            if (index >= row.balancesBefore)
                later = balances_[index].after;
            merged.push_back(index);
        }
        if (earlier && row.before != RowChange::kAbsent)
            row.before = rebalanced(row.before, *earlier);
        if (later && row.after != RowChange::kAbsent)
            row.after = rebalanced(row.after, *later);
    }
    dropBalances(std::move(merged));
}

void ChangeRecord::dropBalances(std::vector<std::size_t> notes)
{
    if (notes.empty())
        return;
    std::sort(notes.begin(), notes.end());
    notes.erase(std::unique(notes.begin(), notes.end()), notes.end());
    // An update's own balance, noted first: a deque drops its front at once.
    if (notes.back() == notes.size() - 1) {
        balances_.erase(balances_.begin(), balances_.begin() + std::ptrdiff_t(notes.size()));
        return;
    }
    // The notes before the first dropped one stay where they are.
    std::size_t kept = notes.front();
    for (std::size_t i = notes.front(), next = 0; i < balances_.size(); ++i) {
        if (next < notes.size() && notes[next] == i)
            ++next;
        else
            balances_[kept++] = balances_[i];
    }
    balances_.resize(kept);
}

std::size_t ChangeRecord::bytes() const
{
    const std::size_t blocks = (balances_.size() + kBalancesPerBlock - 1) / kBalancesPerBlock;
    return sizeof(*this) + rows_.capacity() * sizeof(RowChange) + images_.capacity() + sideBytes_
           + blocks * (kBalancesPerBlock * sizeof(BalanceChange) + sizeof(void*));
}

} // namespace tallowick
