#pragma once

#include "ChangeNotes.h"
#include "ChangeRecord.h"
#include "LedgerFile.h"

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

namespace tallowick {

// The changes made to one ledger file while the program runs, for undo and
// redo. Every change the store writes arrives here when its transaction
// commits (LedgerConnection::commit), whichever window made it, so the
// history is the one record the windows share besides the selected row.
// It observes the store's commits in every program that links it, from
// before main() runs.
//
// The history belongs to one file: its path and the file found there (a
// file replaced under the same path is another ledger). A change to another
// file starts a new history; asking about another file finds nothing.
//
// Every balance depends on the row before it, so a change can be undone
// only while the file is exactly as this program left it. The history keeps
// the file's change counter after each of this program's commits; when
// another program has committed since, the changes kept so far no longer
// lead back, and they are dropped.
//
// A new change empties the redo stack. Past kMostChanges changes, or
// kMostBytes of memory, the oldest changes are dropped.
class ChangeHistory final : public CommitObserver {
public:
    static constexpr std::size_t kMostChanges = 100;
    static constexpr std::size_t kMostBytes = std::size_t(256) << 20;

    static ChangeHistory& instance();

    // Told of every commit this program makes to a ledger file, with the change
    // it made (none when nothing was noted). A change that changed nothing is
    // ignored and leaves the redo stack as it is. The editor's Update of the
    // placeholder that the latest change inserted joins that insertion, so that
    // one undo takes back both.
    void committed(const std::string& ledgerPath, const CommitStamp& stamp,
                   std::unique_ptr<ChangeNotes> change) noexcept override;
    std::unique_ptr<ChangeNotes> newChange() override;

    // What undo or redo would apply to this file ("Delete of row 5"), or
    // nothing when there is nothing to undo or redo.
    std::optional<std::string> nextUndo(const std::string& ledgerPath) const;
    std::optional<std::string> nextRedo(const std::string& ledgerPath) const;

    // Undoes the latest change in one transaction on `connection`: checks
    // that every rowid it touched still holds the row it left there, then
    // writes the rows it found. The change moves to the redo stack.
    //
    // Returns the 1-based position of the first row the undo touched (the
    // row now standing there when that row is gone, 0 for an empty table),
    // or nothing when there is nothing to undo. Throws StoreError: NotUndoable
    // when the file changed since or the change is no longer kept, any other
    // kind when the file fails. On every failure the ledger is as it was; the
    // stacks too, but when another program wrote to the file since our last
    // commit: then both are emptied, as none of their changes leads back.
    std::optional<std::int64_t> undo(LedgerConnection& connection);
    // The same for the latest undone change, with its two images swapped.
    std::optional<std::int64_t> redo(LedgerConnection& connection);

    // True when older changes to this file were dropped, to keep within the
    // bounds or because another program wrote to the file: undo then says why.
    bool droppedEarlier(const std::string& ledgerPath) const { return dropped_ && holds(ledgerPath); }

    std::size_t undoCount() const { return undo_.size(); }
    std::size_t redoCount() const { return redo_.size(); }
    // The memory both stacks hold.
    std::size_t bytes() const { return bytes_; }
    std::size_t mostBytes() const { return mostBytes_; }

    void clear();
    // Tests make the bounds small enough to reach.
    void setLimits(std::size_t mostChanges, std::size_t mostBytes);

private:
    ChangeHistory();
    ~ChangeHistory() override;
    ChangeHistory(const ChangeHistory&) = delete;
    ChangeHistory& operator=(const ChangeHistory&) = delete;

    struct FileIdentity {
        dev_t device = 0;
        ino_t inode = 0;
        bool operator==(const FileIdentity&) const = default;
    };
    static std::optional<FileIdentity> identify(const std::string& path);
    bool holds(const std::string& ledgerPath) const;
    void startHistory(const std::string& ledgerPath);
    void dropOldest();
    void dropAll(const char* why);
    void keep(std::unique_ptr<ChangeRecord> change);
    bool joinsInsertion(const ChangeRecord& change) const;
    std::optional<std::int64_t> apply(LedgerConnection& connection, bool undoing);

    std::string path_;
    std::optional<FileIdentity> identity_;
    std::deque<ChangeRecord> undo_; // oldest first
    std::deque<ChangeRecord> redo_; // the next to redo last
    std::size_t bytes_ = 0;
    bool dropped_ = false; // older changes were dropped, so the undo stack does not reach back to the start
    const char* whyDropped_ = nullptr;
    // The file's change counter after our latest commit; nothing when unknown.
    std::optional<std::uint32_t> counter_;
    std::size_t mostChanges_ = kMostChanges;
    std::size_t mostBytes_ = kMostBytes;
};

} // namespace tallowick
