#include "RecordCursor.h"

#include "FieldText.h"
#include "Reconciliation.h"
#include "RowCodec.h"
#include "StoreError.h"

namespace tallowick {

struct RecordCursor::Statements {
    explicit Statements(sqlite3* db)
        : first(db, "SELECT rowid FROM Ledger ORDER BY rowid LIMIT 1")
        , last(db, "SELECT rowid FROM Ledger ORDER BY rowid DESC LIMIT 1")
        , forward(db, "SELECT rowid FROM Ledger WHERE rowid > ?1 ORDER BY rowid LIMIT 1 OFFSET ?2")
        , backward(db, "SELECT rowid FROM Ledger WHERE rowid < ?1 ORDER BY rowid DESC LIMIT 1 OFFSET ?2")
        , count(db, "SELECT count(*) FROM Ledger")
        , countUpTo(db, "SELECT count(*) FROM Ledger WHERE rowid <= ?1")
        , read(db, std::string("SELECT ") + kRowColumnsSql + " FROM Ledger WHERE rowid = ?1")
        , insert(db, kInsertRowSql)
        , update(db, kRewriteRowSql)
        , remove(db, "DELETE FROM Ledger WHERE rowid = ?1")
    {
    }

    Statement first, last, forward, backward, count, countUpTo, read, insert, update, remove;
};

namespace {

// Returns the rowid of the statement's single row, or `fallback` when there is none.
std::int64_t seek(Statement& statement, std::int64_t fallback)
{
    const std::int64_t found = statement.step() ? statement.integer(0) : fallback;
    statement.reset();
    return found;
}

[[noreturn]] void refuseNoCurrentRow()
{
    throw StoreError(StoreError::Kind::NoCurrentRow, "There is no current row in the ledger.");
}

} // namespace

RecordCursor::RecordCursor(const std::string& ledgerPath)
    : connection_(LedgerConnection::open(ledgerPath))
    , statements_(std::make_unique<Statements>(connection_->db()))
{
    MoveFirst();
}

RecordCursor::~RecordCursor() = default;

long long RecordCursor::RecordCount()
{
    return seek(statements_->count, 0);
}

void RecordCursor::MoveFirst()
{
    rowid_ = seek(statements_->first, kBeforeFirst);
    deleted_ = false;
    empty_ = rowid_ == kBeforeFirst; // no first row: an empty table
    position_ = empty_ ? std::nullopt : std::optional<long long>(1);
}

void RecordCursor::MoveLast()
{
    rowid_ = seek(statements_->last, kAfterLast);
    deleted_ = false;
    position_.reset();
    empty_ = rowid_ == kAfterLast; // no last row: an empty table
    if (empty_)
        rowid_ = kBeforeFirst;
}

void RecordCursor::MovePastEnd()
{
    rowid_ = kAfterLast;
    deleted_ = false;
    position_.reset();
    settleAtEnd();
}

void RecordCursor::settleAtEnd()
{
    empty_ = false;
    if (rowid_ != kBeforeFirst && rowid_ != kAfterLast)
        return;
    // One indexed probe, only when a move ran off the table.
    if (seek(statements_->first, kBeforeFirst) == kBeforeFirst) {
        empty_ = true;
        rowid_ = kBeforeFirst;
    }
}

void RecordCursor::MoveNext()
{
    if (IsEOF())
        refuseNoCurrentRow();
    Move(1);
}

void RecordCursor::MovePrevious()
{
    if (IsBOF())
        refuseNoCurrentRow();
    Move(-1);
}

void RecordCursor::Move(std::int64_t rows)
{
    if (rows == 0) {
        if (!IsBOF() && !IsEOF() && !deleted_)
            return;
        if (deleted_)
            refuseNoCurrentRow();
        return;
    }
    // A deleted row's rowid still marks its place between its neighbours.
    const std::optional<long long> before = deleted_ ? std::nullopt : position_;
    deleted_ = false;
    if (rows > 0) {
        Statement& forward = statements_->forward;
        forward.bind(1, rowid_).bind(2, rows - 1);
        rowid_ = seek(forward, kAfterLast);
    } else {
        Statement& backward = statements_->backward;
        // -(rows + 1) is the offset; written so that the smallest count cannot overflow.
        backward.bind(1, rowid_).bind(2, -(rows + 1));
        rowid_ = seek(backward, kBeforeFirst);
    }
    settleAtEnd();
    if (before && !IsBOF() && !IsEOF())
        position_ = *before + rows;
    else
        position_.reset();
}

void RecordCursor::MoveToRowid(std::int64_t rowid)
{
    Statement& forward = statements_->forward;
    forward.bind(1, rowid - 1).bind(2, 0);
    rowid_ = seek(forward, kAfterLast);
    deleted_ = false;
    position_.reset();
    settleAtEnd();
}

void RecordCursor::returnTo(const Place& place)
{
    rowid_ = place.rowid;
    deleted_ = place.deleted;
    empty_ = place.empty;
    position_ = place.position;
}

long long RecordCursor::AbsolutePosition()
{
    if (IsBOF() || IsEOF() || deleted_)
        return -1;
    if (!position_) {
        Statement& countUpTo = statements_->countUpTo;
        countUpTo.bind(1, rowid_);
        position_ = seek(countUpTo, 0);
    }
    return *position_;
}

void RecordCursor::requireCurrentRow() const
{
    if (IsBOF() || IsEOF() || deleted_)
        refuseNoCurrentRow();
}

LedgerRow RecordCursor::CurrentRow()
{
    requireCurrentRow();
    Statement& read = statements_->read;
    read.bind(1, rowid_);
    if (!read.step()) {
        read.reset();
        refuseNoCurrentRow(); // removed by someone else meanwhile
    }
    try {
        LedgerRow row = readRow(read, 0);
        read.reset();
        return row;
    } catch (...) {
        read.reset();
        throw;
    }
}

std::string RecordCursor::FieldText(std::string_view name)
{
    const LedgerColumn column = columnNamed(name);
    return plainFieldText(CurrentRow(), column);
}

void RecordCursor::AddNew()
{
    mode_ = Mode::Adding;
    buffer_ = LedgerRow{};
    written_.fill(false);
}

void RecordCursor::Edit()
{
    buffer_ = CurrentRow();
    mode_ = Mode::Editing;
    written_.fill(true);
}

void RecordCursor::SetField(std::string_view name, std::string_view text)
{
    setColumn(columnNamed(name), text);
}

void RecordCursor::SetField(std::string_view name, std::int64_t value)
{
    const LedgerColumn column = columnNamed(name);
    switch (column) {
    case LedgerColumn::Payment:
    case LedgerColumn::Fee:
    case LedgerColumn::Deposit:
    case LedgerColumn::Balance:
    case LedgerColumn::Number:
    case LedgerColumn::TaxDeductible: setColumn(column, std::to_string(value)); return;
    default:
        throw StoreError(StoreError::Kind::Engine,
                         "The column \"" + std::string(columnName(column)) + "\" does not take a number.");
    }
}

void RecordCursor::SetFieldEmpty(std::string_view name)
{
    setColumn(columnNamed(name), std::nullopt);
}

void RecordCursor::setColumn(LedgerColumn column, std::optional<std::string_view> text)
{
    if (mode_ == Mode::Idle)
        throw StoreError(StoreError::Kind::Engine, "The row is not open for changes.");
    const bool empty = !text || text->empty();
    switch (column) {
    case LedgerColumn::Number:
        buffer_.number = empty ? std::nullopt : std::optional<std::int64_t>(parseNumber(*text));
        break;
    case LedgerColumn::Date:
        buffer_.date = empty ? std::nullopt : std::optional<LedgerDate>(LedgerDate::parse(*text));
        break;
    case LedgerColumn::Description:
        buffer_.description = empty ? std::nullopt : std::optional<std::string>(checkedDescription(*text));
        break;
    case LedgerColumn::TaxDeductible: {
        if (empty)
            throw StoreError(StoreError::Kind::BadNumber, "The tax deductible flag needs a value.");
        const std::int64_t flag = parseNumber(*text);
        if (flag != 0 && flag != 1)
            throw StoreError(StoreError::Kind::BadNumber, "The tax deductible flag must be 0 or 1.");
        buffer_.taxDeductible = int(flag);
        break;
    }
    case LedgerColumn::Payment:
    case LedgerColumn::Fee:
    case LedgerColumn::Deposit:
    case LedgerColumn::Balance: {
        if (!text)
            throw StoreError(StoreError::Kind::BadAmount,
                             "The column \"" + std::string(columnName(column)) + "\" needs an amount.");
        // An empty amount counts as 0.
        const Money amount = text->empty() ? Money() : Money::parse(*text);
        if (column == LedgerColumn::Payment)
            buffer_.payment = amount;
        else if (column == LedgerColumn::Fee)
            buffer_.fee = amount;
        else if (column == LedgerColumn::Deposit)
            buffer_.deposit = amount;
        else
            buffer_.balance = amount;
        break;
    }
    }
    written_[std::size_t(column)] = true;
}

void RecordCursor::Update()
{
    if (mode_ == Mode::Idle)
        throw StoreError(StoreError::Kind::Engine, "The row is not open for changes.");
    if (mode_ == Mode::Adding)
        for (LedgerColumn column : {LedgerColumn::Payment, LedgerColumn::TaxDeductible, LedgerColumn::Fee,
                                    LedgerColumn::Deposit, LedgerColumn::Balance})
            if (!written_[std::size_t(column)])
                throw StoreError(StoreError::Kind::BadAmount,
                                 "The new row has no value for \"" + std::string(columnName(column)) + "\".");
    // Its own transaction (nested in the caller's, if any): the change it
    // makes is recorded for undo when the outermost one commits.
    Transaction transaction(*connection_);
    ChangeNotes& change = connection_->changes();
    if (mode_ == Mode::Adding) {
        // Appended after the last row, with room left before it for insertions.
        Statement& insert = statements_->insert;
        const std::int64_t lastRowid = seek(statements_->last, kBeforeFirst);
        // The first row of a ledger is its opening balance, the anchor of every other.
        const bool first = lastRowid == kBeforeFirst;
        change.name(first ? ChangeKind::InitialBalance : ChangeKind::Add, 0);
        const std::int64_t rowid = rowidAfterLast(first ? 0 : lastRowid);
        bindRow(insert, buffer_, 1);
        insert.bind(9, rowid);
        insert.run();
        change.noteRow(rowid, nullptr, &buffer_);
        transaction.commit();
        // The table has a row now; a cursor that found it empty stands before it.
        empty_ = false;
    } else {
        requireCurrentRow();
        if (!change.named())
            change.name(ChangeKind::Update, AbsolutePosition(), rowid_);
        const LedgerRow before = CurrentRow();
        Statement& update = statements_->update;
        bindRow(update, buffer_, 1);
        update.bind(9, rowid_);
        update.run();
        if (sqlite3_changes(connection_->db()) == 0)
            refuseNoCurrentRow();
        change.noteRow(rowid_, &before, &buffer_);
        marksAfterUpdate(*connection_, rowid_, before, buffer_);
        transaction.commit();
    }
    mode_ = Mode::Idle;
}

void RecordCursor::CancelUpdate()
{
    mode_ = Mode::Idle;
}

void RecordCursor::Delete()
{
    requireCurrentRow();
    Transaction transaction(*connection_);
    ChangeNotes& change = connection_->changes();
    if (!change.named())
        change.name(ChangeKind::Delete, AbsolutePosition());
    const LedgerRow before = CurrentRow();
    Statement& remove = statements_->remove;
    remove.bind(1, rowid_);
    remove.run();
    if (sqlite3_changes(connection_->db()) == 0)
        refuseNoCurrentRow();
    change.noteRow(rowid_, &before, nullptr);
    marksAfterDelete(*connection_, rowid_);
    transaction.commit();
    deleted_ = true;
    position_.reset();
}

} // namespace tallowick
