#pragma once

#include "LedgerFile.h"
#include "LedgerRow.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tallowick {

// A cursor over the Ledger table in stored order (ascending rowid). It rests
// on one row, or before the first (BOF) or after the last (EOF). Every move
// is an indexed seek from the current rowid, so walking a long ledger costs
// the same per step at its start as at its end.
//
// EOF is a macro of the C library, so the two end tests are IsBOF/IsEOF.
class RecordCursor {
public:
    // Opens its own connection to the ledger file and moves to the first row.
    explicit RecordCursor(const std::string& ledgerPath);
    ~RecordCursor();

    LedgerConnection& connection() { return *connection_; }

    long long RecordCount();
    // On an empty table the cursor stands before the first and after the
    // last row at once, so both are true.
    bool IsBOF() const { return rowid_ == kBeforeFirst || empty_; }
    bool IsEOF() const { return rowid_ == kAfterLast || empty_; }

    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    // Moves n rows from the current one; past either end the cursor stops at
    // BOF or EOF.
    void Move(std::int64_t rows);
    // Leaves the cursor after the last row, as a finished walk does.
    void MovePastEnd();

    // The 1-based position of the current row in stored order.
    long long AbsolutePosition();

    // Reading the current row. Throw StoreError(NoCurrentRow) at BOF/EOF or
    // after Delete.
    LedgerRow CurrentRow();
    std::string FieldText(std::string_view columnName);

    // Writing: AddNew or Edit opens the buffer, SetField converts the value
    // into the column's type at once (refusals throw), Update stores it.
    // Empty text for number, date or description means "no value".
    void AddNew();
    void Edit();
    void SetField(std::string_view columnName, std::string_view text);
    void SetField(std::string_view columnName, std::int64_t value);
    void SetFieldEmpty(std::string_view columnName);
    void Update();
    void CancelUpdate();
    bool IsEditing() const { return mode_ != Mode::Idle; }

    // Removes the current row; the later rows move up one position. The
    // cursor then has no current row until it moves.
    void Delete();

    // Seeks to the row stored under this rowid (used after a rollback to
    // come back to the row the user is working on).
    std::int64_t currentRowid() const { return rowid_; }
    void MoveToRowid(std::int64_t rowid);

    // Where the cursor stands. A change that is rolled back returns the
    // cursor to its place without a read: the file may refuse every read
    // until its fault clears, and the rolled-back table holds the row again.
    struct Place {
        std::int64_t rowid;
        bool deleted;
        bool empty;
        std::optional<long long> position;
    };
    Place place() const { return {rowid_, deleted_, empty_, position_}; }
    void returnTo(const Place& place);

private:
    enum class Mode { Idle, Adding, Editing };
    static constexpr std::int64_t kBeforeFirst = INT64_MIN;
    static constexpr std::int64_t kAfterLast = INT64_MAX;

    void requireCurrentRow() const;
    // After a move that ended at BOF or EOF: notes whether the table is empty.
    void settleAtEnd();
    void setColumn(LedgerColumn column, std::optional<std::string_view> text);

    struct Statements;
    std::unique_ptr<LedgerConnection> connection_;
    std::unique_ptr<Statements> statements_;
    std::int64_t rowid_ = kBeforeFirst;
    bool deleted_ = false;
    bool empty_ = false; // the last move found no row in the table at all
    std::optional<long long> position_;

    Mode mode_ = Mode::Idle;
    LedgerRow buffer_;
    std::array<bool, 8> written_{};
};

} // namespace tallowick
