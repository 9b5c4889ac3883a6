#include "TestLedger.h"

#include "LedgerFile.h"
#include "Module1.h"
#include "Reconciliation.h"
#include "RecordCursor.h"
#include "RowCodec.h"
#include "StoreError.h"

#include <QDir>
#include <QTest>

#include <sqlite3.h>

#include <map>
#include <stdexcept>

namespace tallowick::test {

TestLedger::TestLedger()
{
    if (!dir_.isValid())
        throw std::runtime_error("no temporary folder");
    createLedgerFile(path());
    Module1::setInstallFolder(dir_.path());
}

std::string TestLedger::path() const
{
    return QDir(dir_.path()).filePath(QString::fromUtf8(kLedgerFileName)).toStdString();
}

void TestLedger::append(const std::vector<LedgerRow>& rows)
try {
    auto connection = LedgerConnection::open(path());
    Transaction transaction(*connection);
    Statement insert(connection->db(), std::string("INSERT INTO Ledger (") + kRowColumnsSql
                                           + ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    for (const LedgerRow& row : rows) {
        bindRow(insert, row, 1);
        insert.run();
    }
    transaction.commit();
} catch (const StoreError& error) {
    QTest::qFail(error.what(), __FILE__, __LINE__);
}

void TestLedger::exec(const std::string& sql)
try {
    auto connection = LedgerConnection::open(path());
    execute(connection->db(), sql.c_str());
} catch (const StoreError& error) {
    QTest::qFail(error.what(), __FILE__, __LINE__);
}

std::vector<LedgerRow> TestLedger::rows() const
try {
    RecordCursor cursor(path());
    std::vector<LedgerRow> all;
    for (cursor.MoveFirst(); !cursor.IsEOF() && !cursor.IsBOF(); cursor.MoveNext())
        all.push_back(cursor.CurrentRow());
    return all;
} catch (const StoreError& error) {
    QTest::qFail(error.what(), __FILE__, __LINE__);
    return {};
}

LedgerRow makeRow(const char* payment, const char* fee, const char* deposit, const char* balance,
                  const char* description, long long number, int tax)
{
    LedgerRow row;
    row.payment = Money::parse(payment);
    row.fee = Money::parse(fee);
    row.deposit = Money::parse(deposit);
    row.balance = Money::parse(balance);
    if (description)
        row.description = description;
    if (number >= 0)
        row.number = number;
    row.taxDeductible = tax;
    return row;
}

LedgerRow dated(LedgerRow row, LedgerDate date)
{
    row.date = date;
    return row;
}

std::vector<LedgerRow> paymentRows(int count)
{
    std::vector<LedgerRow> rows{makeRow("0", "0", "0", "1000", "Initial Balance")};
    for (int k = 1; k < count; ++k)
        rows.push_back(makeRow("1", "0", "0", std::to_string(1000 - k).c_str(),
                               ("Payment " + std::to_string(k + 1)).c_str(), 1000 + k));
    return rows;
}

QStringList firstColumn(const std::string& path, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    QStringList values;
    while (rc == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
        values << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    rc = rc == SQLITE_OK ? sqlite3_finalize(statement) : rc;
    if (rc != SQLITE_OK)
        values << QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_close_v2(db);
    return values;
}

QStringList storedRows(const std::string& path)
{
    return firstColumn(path,
                       "SELECT rowid || '|' || quote(\"number\") || '|' || quote(\"date\") || '|' "
                       "|| quote(\"description of transaction\") || '|' || quote(\"payment / debit\") "
                       "|| '|' || quote(\"tax deductible\") || '|' || quote(fee) || '|' "
                       "|| quote(\"deposit / credit\") || '|' || quote(balance) FROM Ledger ORDER BY rowid");
}

QStringList storedMarks(const std::string& path)
{
    return firstColumn(path,
                       "SELECT 'm|' || \"ledger rowid\" || '|' || status || '|' || quote(statement) || '|' "
                       "|| fingerprint FROM ReconcileMark UNION ALL SELECT 's|' || id || '|' || "
                       "\"statement date\" || '|' || \"ending balance\" || '|' || finished FROM "
                       "ReconcileStatement UNION ALL SELECT 'd|' || quote(\"statement date\") || '|' || "
                       "quote(\"ending balance\") FROM ReconcileDraft");
}

std::string markLetters(const std::string& path)
try {
    auto connection = LedgerConnection::open(path);
    std::map<std::int64_t, MarkStatus> marks;
    for (const auto& [rowid, status] : readMarks(*connection))
        marks[rowid] = status;
    Statement rowids(connection->db(), "SELECT rowid FROM Ledger ORDER BY rowid");
    std::string letters;
    while (rowids.step()) {
        const auto found = marks.find(rowids.integer(0));
        letters += "ncy"[found == marks.end() ? 0 : int(found->second)];
    }
    rowids.reset();
    return letters;
} catch (const StoreError& error) {
    QTest::qFail(error.what(), __FILE__, __LINE__);
    return {};
}

bool balancesFollowRule(const std::vector<LedgerRow>& rows)
{
    for (std::size_t k = 1; k < rows.size(); ++k)
        if (rows[k].balance != rows[k - 1].balance - rows[k].payment - rows[k].fee + rows[k].deposit)
            return false;
    return true;
}

} // namespace tallowick::test
