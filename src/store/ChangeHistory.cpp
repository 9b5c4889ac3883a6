#include "ChangeHistory.h"

#include "ApplyChange.h"
#include "LedgerFile.h"
#include "StoreError.h"

#include <sys/stat.h>

namespace tallowick {

ChangeHistory& ChangeHistory::instance()
{
    static ChangeHistory history;
    return history;
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

void ChangeHistory::record(const std::string& ledgerPath, ChangeRecord change) noexcept
{
    try {
        if (!holds(ledgerPath)) {
            clear();
            path_ = ledgerPath;
            identity_ = identify(ledgerPath);
        }
        change.finish();
        if (change.empty() && !change.tooLarge())
            return;
        for (const ChangeRecord& undone : redo_)
            bytes_ -= undone.bytes();
        redo_.clear();
        bytes_ += change.bytes();
        undo_.push_back(std::move(change));
        // A change too large to keep takes every older one with it: they no longer lead back.
        const auto overBounds = [this] {
            return undo_.size() > mostChanges_ || bytes_ > mostBytes_ || undo_.back().tooLarge();
        };
        while (!undo_.empty() && overBounds())
            dropOldest();
    } catch (...) {
        // Out of memory while keeping it: without this change the older
        // ones no longer lead back, so none of them is kept.
        clear();
        dropped_ = true;
    }
}

void ChangeHistory::dropOldest()
{
    bytes_ -= undo_.front().bytes();
    undo_.pop_front();
    dropped_ = true;
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
            throw StoreError(StoreError::Kind::NotUndoable,
                             "The earlier changes are no longer kept, so they cannot be undone.");
        return std::nullopt;
    }
    const std::int64_t position =
        applyChange(connection, from.back(), undoing ? ChangeDirection::Undo : ChangeDirection::Redo);
    // Written: only now does the change move to the other stack.
    to.push_back(std::move(from.back()));
    from.pop_back();
    return position;
}

void ChangeHistory::clear()
{
    undo_.clear();
    redo_.clear();
    bytes_ = 0;
    dropped_ = false;
    path_.clear();
    identity_.reset();
}

void ChangeHistory::setLimits(std::size_t mostChanges, std::size_t mostBytes)
{
    mostChanges_ = mostChanges;
    mostBytes_ = mostBytes;
}

} // namespace tallowick
