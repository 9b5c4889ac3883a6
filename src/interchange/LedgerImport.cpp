#include "LedgerImport.h"

#include "LedgerCsv.h"
#include "LedgerFile.h"
#include "RowCodec.h"
#include "StoreError.h"

#include <array>
#include <fstream>
#include <istream>
#include <optional>

namespace tallowick {

namespace {

// Rows go to the engine this many at a time: one statement per batch
// instead of one per row roughly halves the engine's share of an import.
constexpr int kBatchRows = 64;

// "INSERT ... VALUES (...), (...)" for `rows` rows; row k's eight columns are
// bound to 9k+1 .. 9k+8 and its rowid to 9k+9, as bindRow and kInsertRowSql do.
// Plain "?" parameters, numbered in order: "?NNN" names cost the engine a
// search each, quadratic in the statement's hundreds of parameters.
std::string batchInsertSql(int rows)
{
    std::string sql = std::string("INSERT INTO Ledger (") + kRowColumnsSql + ", rowid) VALUES ";
    for (int k = 0; k < rows; ++k)
        sql += k == 0 ? "(?, ?, ?, ?, ?, ?, ?, ?, ?)" : ", (?, ?, ?, ?, ?, ?, ?, ?, ?)";
    return sql;
}

// Appends rows to an empty table, spaced as the program spaces the rows it adds.
class RowAppender {
public:
    explicit RowAppender(sqlite3* db) : db_(db), single_(db, kInsertRowSql) {}

    void append(const LedgerRow& row)
    {
        pending_[std::size_t(count_++)] = row;
        if (count_ == kBatchRows)
            flush();
    }

    void flush()
    {
        const bool whole = count_ == kBatchRows;
        // Prepared when first needed: a short file is stored without parsing the long statement.
        if (whole && !batch_)
            batch_.emplace(db_, batchInsertSql(kBatchRows));
        for (int k = 0; k < count_; ++k) {
            rowid_ = rowidAfterLast(rowid_);
            Statement& insert = whole ? *batch_ : single_;
            const int first = whole ? 9 * k + 1 : 1;
            bindRow(insert, pending_[std::size_t(k)], first);
            insert.bind(first + 8, rowid_);
            if (!whole)
                insert.run();
        }
        if (whole)
            batch_->run();
        count_ = 0;
    }

private:
    sqlite3* db_;
    std::optional<Statement> batch_;
    Statement single_;
    std::array<LedgerRow, kBatchRows> pending_;
    int count_ = 0;
    std::int64_t rowid_ = 0;
};

void refuseRows(LedgerConnection& connection)
{
    Statement any(connection.db(), "SELECT EXISTS (SELECT 1 FROM Ledger)");
    any.step();
    const bool hasRows = any.integer(0) != 0;
    any.reset();
    if (hasRows)
        throw StoreError(StoreError::Kind::Engine,
                         "The ledger already has rows; import fills an empty ledger only.");
}

// Reads the file, gives each row its balance by the running-balance rule and
// appends it. Any refusal throws.
ImportSummary appendBalancedRows(std::istream& in, RowAppender& appender)
{
    CsvLedgerReader reader(in);
    CsvLedgerRow read;
    Money running;
    ImportSummary summary;
    while (reader.next(read)) {
        LedgerRow& row = read.row;
        const auto line = [&read] { return "Line " + std::to_string(read.line); };
        if (summary.rows == 0 && !read.fileBalance)
            throw StoreError(StoreError::Kind::BadAmount,
                             line()
                                 + ", column \"balance\": the first row needs a balance, since it is the "
                                   "ledger's opening balance.");
        try {
            if (summary.rows > 0)
                row.balance = running - row.payment - row.fee + row.deposit;
        } catch (const StoreError& error) {
            throw StoreError(error.kind(), line() + ": " + error.what());
        }
        running = row.balance;
        ++summary.rows;
        if (read.fileBalance && *read.fileBalance != row.balance && summary.balancesDiffering++ == 0) {
            summary.firstDifferingLine = read.line;
            summary.firstDifferingPosition = summary.rows;
            summary.fileBalance = *read.fileBalance;
            summary.storedBalance = row.balance;
        }
        appender.append(row);
    }
    appender.flush();
    summary.skippedLines = reader.skippedLines();
    return summary;
}

} // namespace

ImportSummary importCsv(LedgerConnection& connection, std::istream& in, const ImportCheck& beforeCommit)
{
    Transaction transaction(connection);
    refuseRows(connection);
    RowAppender appender(connection.db());
    const ImportSummary summary = appendBalancedRows(in, appender);
    if (beforeCommit)
        beforeCommit(summary);
    transaction.commit();
    return summary;
}

ImportSummary importCsv(std::istream& in, const std::string& ledgerPath, const ImportCheck& beforeCommit)
{
    return importCsv(*LedgerConnection::open(ledgerPath), in, beforeCommit);
}

ImportSummary importCsvFile(const std::string& csvPath, const std::string& ledgerPath,
                            const ImportCheck& beforeCommit)
{
    auto connection = LedgerConnection::open(ledgerPath);
    std::ifstream file(csvPath, std::ios::binary);
    if (!file)
        throw StoreError(StoreError::Kind::FileAccess, "The file \"" + csvPath + "\" could not be read.");
    return importCsv(*connection, file, beforeCommit);
}

} // namespace tallowick
