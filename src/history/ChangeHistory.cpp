#include "ChangeHistory.h"

#include "ApplyChange.h"
#include "LedgerFile.h"
#include "StoreError.h"

#include <sys/stat.h>

namespace tallowick {

namespace {

// In every program that holds the history, it observes the store's commits
// from before main() runs, so that no window's change can come before it.
const bool observing = (ChangeHistory::instance(), true);

} // namespace

ChangeHistory& ChangeHistory::instance()
{
    static ChangeHistory history;
    return history;
}

ChangeHistory::ChangeHistory()
{
    setCommitObserver(this);
}

ChangeHistory::~ChangeHistory()
{
    setCommitObserver(nullptr);
}

std::unique_ptr<ChangeNotes> ChangeHistory::newChange()
{
    return std::make_unique<ChangeRecord>(mostBytes_);
}

std::optional<ChangeHistory::FileIdentity> ChangeHistory::identify(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

bool ChangeHistory::holds(const std::string& ledgerPath) const
{
    return identity_ && ledgerPath == path_ && identify(ledgerPath) == identity_;
}

namespace {

constexpr const char* kBeyondBounds = "The earlier changes are no longer kept, so they cannot be undone.";
constexpr const char* kAnotherWriter =
    "Another program has changed the ledger file since, so the earlier changes can no longer be undone.";

} // namespace

void ChangeHistory::startHistory(const std::string& ledgerPath)
{
    clear();
    path_ = ledgerPath;
    identity_ = identify(ledgerPath);
}

void ChangeHistory::committed(const std::string& ledgerPath, const CommitStamp& stamp,
                              std::unique_ptr<ChangeNotes> notes) noexcept
{
    // Every notes object of a connection was made by newChange().
    std::unique_ptr<ChangeRecord> change(static_cast<ChangeRecord*>(notes.release()));
    try {
        if (change)
            change->finish();
        const bool changedRows = change && (!change->empty() || change->tooLarge());
        if (!holds(ledgerPath)) {
            if (!changedRows)
                return;
            startHistory(ledgerPath);
        } else if (!stamp.before || stamp.before != counter_) {
            dropAll(kAnotherWriter);
        }
        counter_ = stamp.after;
        if (changedRows)
            keep(std::move(change));
    } catch (...) {
        // Out of memory while keeping it: without this change the older
        // ones no longer lead back, so none of them is kept.
        dropAll(kBeyondBounds);
    }
}

bool ChangeHistory::joinsInsertion(const ChangeRecord& change) const
{
    if (undo_.empty() || change.kind() != ChangeRecord::Kind::Update || change.tooLarge())
        return false;
    // A joined insertion has no subject any more: only the first Update of the placeholder joins.
    const ChangeRecord& latest = undo_.back();
    return latest.kind() == ChangeRecord::Kind::Insert && latest.subjectRowid()
           && latest.subjectRowid() == change.subjectRowid();
}

void ChangeHistory::keep(std::unique_ptr<ChangeRecord> change)
{
    for (const ChangeRecord& undone : redo_)
        bytes_ -= undone.bytes();
    redo_.clear();
    if (joinsInsertion(*change)) {
        ChangeRecord joined = ChangeRecord::joined(undo_.back(), *change, mostBytes_);
        bytes_ -= undo_.back().bytes();
        undo_.pop_back();
        *change = std::move(joined);
        if (change->empty() && !change->tooLarge())
            return;
    }
    bytes_ += change->bytes();
    undo_.push_back(std::move(*change));
    // A change too large to keep takes every older one with it: they no longer lead back.
    const auto overBounds = [this] {
        return undo_.size() > mostChanges_ || bytes_ > mostBytes_ || undo_.back().tooLarge();
    };
    while (!undo_.empty() && overBounds())
        dropOldest();
}

void ChangeHistory::dropAll(const char* why)
{
    const bool held = !undo_.empty() || !redo_.empty() || dropped_;
    undo_.clear();
    redo_.clear();
    bytes_ = 0;
    dropped_ = held;
    whyDropped_ = held ? why : nullptr;
}

void ChangeHistory::dropOldest()
{
    bytes_ -= undo_.front().bytes();
    undo_.pop_front();
    dropped_ = true;
    whyDropped_ = kBeyondBounds;
}

std::optional<std::string> ChangeHistory::nextUndo(const std::string& ledgerPath) const
{
    if (undo_.empty() || !holds(ledgerPath))
        return std::nullopt;
    return undo_.back().description();
}

std::optional<std::string> ChangeHistory::nextRedo(const std::string& ledgerPath) const
{
    if (redo_.empty() || !holds(ledgerPath))
        return std::nullopt;
    return redo_.back().description();
}

std::optional<std::int64_t> ChangeHistory::undo(LedgerConnection& connection)
{
    return apply(connection, true);
}

std::optional<std::int64_t> ChangeHistory::redo(LedgerConnection& connection)
{
    return apply(connection, false);
}

std::optional<std::int64_t> ChangeHistory::apply(LedgerConnection& connection, bool undoing)
{
    if (!holds(connection.path()))
        return std::nullopt;
    std::deque<ChangeRecord>& from = undoing ? undo_ : redo_;
    std::deque<ChangeRecord>& to = undoing ? redo_ : undo_;
    if (from.empty()) {
        if (undoing && dropped_)
            throw StoreError(StoreError::Kind::NotUndoable, whyDropped_);
        return std::nullopt;
    }
    Transaction transaction(connection);
    if (!connection.counterAtBegin() || connection.counterAtBegin() != counter_) {
        dropAll(kAnotherWriter);
        throw StoreError(StoreError::Kind::NotUndoable,
                         undoing ? kAnotherWriter
                                 : "Another program has changed the ledger file since, so the undone "
                                   "changes can no longer be redone.");
    }
    const std::int64_t position =
        applyChange(connection, from.back(), undoing ? ChangeDirection::Undo : ChangeDirection::Redo);
    // The commit tells committed() too, which keeps the counter and may not find the stacks as they are.
    ChangeRecord applied = std::move(from.back());
    from.pop_back();
    try {
        transaction.commit();
    } catch (...) {
        from.push_back(std::move(applied));
        throw;
    }
    // Written: only now does the change move to the other stack.
    to.push_back(std::move(applied));
    return position;
}

void ChangeHistory::clear()
{
    undo_.clear();
    redo_.clear();
    bytes_ = 0;
    dropped_ = false;
    whyDropped_ = nullptr;
    counter_.reset();
    path_.clear();
    identity_.reset();
}

void ChangeHistory::setLimits(std::size_t mostChanges, std::size_t mostBytes)
{
    mostChanges_ = mostChanges;
    mostBytes_ = mostBytes;
}

} // namespace tallowick
