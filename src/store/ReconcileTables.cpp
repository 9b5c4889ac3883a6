#include "ReconcileTables.h"

#include "StoreError.h"

#include <charconv>
#include <string_view>

namespace tallowick {

namespace reconcile {

namespace {

// The same rule as the ledger's own date column.
std::string dateCheck(const std::string& column)
{
    return "(" + column + " GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]' AND " + column
           + " >= '0001' AND date(" + column + ", '+0 days') IS " + column + ")";
}

// The mark table and the index that keeps each bank's id on one row.
constexpr const char* kMarkTableSql = R"sql(CREATE TABLE ReconcileMark (
  "ledger rowid" INTEGER PRIMARY KEY,
  "status"       INTEGER NOT NULL CHECK ("status" IN (0, 1, 2)),
  "statement"    INTEGER CHECK (("status" = 2) = ("statement" IS NOT NULL AND "statement" > 0)),
  "fingerprint"  INTEGER NOT NULL,
  "fitid"        TEXT CHECK ("fitid" IS NULL OR "fitid" <> ''),
  CHECK ("status" <> 0 OR "fitid" IS NOT NULL)
) STRICT;
CREATE UNIQUE INDEX ReconcileMarkFitid ON ReconcileMark ("fitid") WHERE "fitid" IS NOT NULL;
)sql";

// A statement is kept with the day it ends on, the bank's ending balance and
// the day it was finished; a mark is cleared (1) or reconciled (2) with its
// statement, under its ledger row's rowid, with that row's fingerprint and the
// bank's id of the transaction imported into it (a row that is not cleared
// keeps a mark, status 0, only to remember that id); the
// draft is the one postponed reconciliation; the stamp is the change counter
// at which this program last saw the marks.
std::string tablesSql()
{
    return R"sql(CREATE TABLE ReconcileStatement (
  "id"             INTEGER PRIMARY KEY CHECK ("id" > 0),
  "statement date" TEXT NOT NULL CHECK )sql"
           + dateCheck("\"statement date\"") + R"sql(,
  "ending balance" INTEGER NOT NULL,
  "finished"       TEXT NOT NULL CHECK )sql"
           + dateCheck("\"finished\"") + R"sql(
) STRICT;
)sql" + std::string(kMarkTableSql)
           + R"sql(CREATE TABLE ReconcileDraft (
  "id"             INTEGER PRIMARY KEY CHECK ("id" = 1),
  "statement date" TEXT CHECK ("statement date" IS NULL OR )sql"
           + dateCheck("\"statement date\"") + R"sql(),
  "ending balance" INTEGER
) STRICT;
CREATE TABLE ReconcileStamp (
  "id"             INTEGER PRIMARY KEY CHECK ("id" = 1),
  "change counter" INTEGER NOT NULL,
  "dropped marks"  INTEGER NOT NULL CHECK ("dropped marks" >= 0)
) STRICT;
)sql";
}

// The mark table as files written before statements were imported have it,
// rebuilt with the column for the bank's id.
std::string addFitidSql()
{
    return std::string("ALTER TABLE ReconcileMark RENAME TO ReconcileMarkBefore;\n") + kMarkTableSql
           + "INSERT INTO ReconcileMark SELECT *, NULL FROM ReconcileMarkBefore;\n"
             "DROP TABLE ReconcileMarkBefore;\n";
}

std::vector<std::string_view> fields(std::string_view image)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t bar = image.find('|', start);
        parts.push_back(image.substr(start, bar == std::string_view::npos ? bar : bar - start));
        if (bar == std::string_view::npos)
            return parts;
        start = bar + 1;
    }
}

std::int64_t integerOf(std::string_view text)
{
    std::int64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

const char* keyColumn(SideTable table)
{
    return table == SideTable::Mark ? "\"ledger rowid\"" : "\"id\"";
}

const char* tableName(SideTable table)
{
    switch (table) {
    case SideTable::Mark: return "ReconcileMark";
    case SideTable::Statement: return "ReconcileStatement";
    case SideTable::Tables:
    case SideTable::Draft: break;
    }
    return "ReconcileDraft";
}

} // namespace

bool haveTables(sqlite3* db)
{
    KeptStatement probe(
        db, "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = 'ReconcileStamp'");
    probe->step();
    return probe->integer(0) > 0;
}

bool marksHaveFitid(sqlite3* db)
{
    // A statement that names the column compiles only while the table has it (unquoted: the engine takes
    // a quoted name it cannot find for a string); kept, it is compiled again only when the schema changes.
    // Asked once a mark, this costs far less than reading the table's info.
    try {
        KeptStatement probe(db, "SELECT fitid FROM ReconcileMark LIMIT 0");
        probe->step();
        return true;
    } catch (const StoreError& error) {
        if (error.kind() != StoreError::Kind::Engine)
            throw;
        return false;
    }
}

const char* fitidColumn(sqlite3* db)
{
    return marksHaveFitid(db) ? "ifnull(\"fitid\", '')" : "''";
}

void insertMark(sqlite3* db, std::int64_t rowid, const MarkRow& mark)
{
    bool fitids = marksHaveFitid(db);
    if (!mark.fitid.empty() && !fitids) {
        execute(db, addFitidSql().c_str());
        fitids = true;
    }
    KeptStatement insert(db, fitids ? "INSERT INTO ReconcileMark VALUES (?1, ?2, nullif(?3, 0), ?4, "
                                      "nullif(?5, ''))"
                                    : "INSERT INTO ReconcileMark VALUES (?1, ?2, nullif(?3, 0), ?4)");
    insert->bind(1, rowid).bind(2, std::int64_t(mark.status)).bind(3, mark.statement);
    insert->bind(4, mark.fingerprint);
    if (fitids)
        insert->bind(5, mark.fitid);
    insert->run();
}

void ensureTables(LedgerConnection& connection)
{
    if (haveTables(connection.db()))
        return;
    execute(connection.db(), tablesSql().c_str());
    Statement stamp(connection.db(), "INSERT INTO ReconcileStamp VALUES (1, ?1, 0)");
    const auto counter = connection.counterAtBegin();
    stamp.bind(1, counter ? std::int64_t(*counter) : std::int64_t(-1)).run();
}

void beginChange(LedgerConnection& connection, ChangeKind kind, std::optional<std::uint32_t> seen)
{
    if (seen && connection.counterAtBegin() != seen)
        throw StoreError(StoreError::Kind::Engine,
                         "The ledger file has changed since the reconciliation was read; open it again.");
    ChangeNotes& change = connection.changes();
    change.name(kind, 0);
    if (!haveTables(connection.db())) {
        // Created by this change, they go with its undo: the file keeps the schema it had.
        ensureTables(connection);
        const std::string created = "1";
        change.noteSide(SideTable::Tables, 0, nullptr, &created);
    }
}

std::string packMark(const MarkRow& mark)
{
    return std::to_string(int(mark.status)) + "|" + std::to_string(mark.statement) + "|"
           + std::to_string(mark.fingerprint) + "|" + mark.fitid;
}

MarkRow unpackMark(const std::string& image)
{
    const auto parts = fields(image);
    // The bank's id comes last and is all that follows the third bar, bars included.
    std::string fitid;
    if (parts.size() > 3)
        fitid = image.substr(std::size_t(parts[3].data() - image.data()));
    return {MarkStatus(integerOf(parts.at(0))), integerOf(parts.at(1)), integerOf(parts.at(2)), fitid};
}

std::string packStatement(const BankStatement& statement)
{
    return statement.date.isoText() + "|" + std::to_string(statement.endingBalance.tenThousandths()) + "|"
           + statement.finished.isoText();
}

BankStatement unpackStatement(std::int64_t id, const std::string& image)
{
    const auto parts = fields(image);
    return {id, LedgerDate::fromIso(parts.at(0)), Money::fromTenThousandths(integerOf(parts.at(1))),
            LedgerDate::fromIso(parts.at(2))};
}

std::string packDraft(const ReconcileDraft& draft)
{
    return (draft.statementDate ? draft.statementDate->isoText() : std::string()) + "|"
           + (draft.endingBalance ? std::to_string(draft.endingBalance->tenThousandths()) : std::string());
}

ReconcileDraft unpackDraft(const std::string& image)
{
    const auto parts = fields(image);
    ReconcileDraft draft;
    if (!parts.at(0).empty())
        draft.statementDate = LedgerDate::fromIso(parts.at(0));
    if (!parts.at(1).empty())
        draft.endingBalance = Money::fromTenThousandths(integerOf(parts.at(1)));
    return draft;
}

void writeNoted(LedgerConnection& connection, SideTable table, std::int64_t key,
                const std::optional<std::string>& image)
{
    const std::optional<std::string> before = readSideRow(connection, table, key);
    if (before == image)
        return;
    writeSideRow(connection, table, key, image);
    connection.changes().noteSide(table, key, before ? &*before : nullptr, image ? &*image : nullptr);
}

std::vector<std::pair<std::int64_t, MarkRow>> readAllMarks(sqlite3* db)
{
    std::vector<std::pair<std::int64_t, MarkRow>> marks;
    Statement read(db, std::string("SELECT \"ledger rowid\", \"status\", ifnull(\"statement\", 0), "
                                   "\"fingerprint\", ")
                           + fitidColumn(db) + " FROM ReconcileMark ORDER BY 1");
    while (read.step())
        marks.push_back(
            {read.integer(0), {MarkStatus(read.integer(1)), read.integer(2), read.integer(3), read.text(4)}});
    read.reset();
    return marks;
}

std::optional<Stamp> readStamp(sqlite3* db)
{
    if (!haveTables(db))
        return std::nullopt;
    Statement read(db, "SELECT \"change counter\", \"dropped marks\" FROM ReconcileStamp WHERE \"id\" = 1");
    Stamp stamp;
    if (read.step())
        stamp = {read.integer(0), read.integer(1)};
    read.reset();
    return stamp;
}

} // namespace reconcile

using namespace reconcile;

std::optional<std::string> readSideRow(LedgerConnection& connection, SideTable table, std::int64_t key)
{
    sqlite3* db = connection.db();
    if (!haveTables(db))
        return std::nullopt;
    if (table == SideTable::Tables)
        return "1";
    std::string sql;
    switch (table) {
    case SideTable::Mark:
        sql = std::string("SELECT \"status\", ifnull(\"statement\", 0), \"fingerprint\", ") + fitidColumn(db)
              + " FROM ReconcileMark WHERE \"ledger rowid\" = ?1";
        break;
    case SideTable::Statement:
        sql = "SELECT \"statement date\", \"ending balance\", \"finished\" FROM ReconcileStatement "
              "WHERE \"id\" = ?1";
        break;
    case SideTable::Tables:
    case SideTable::Draft:
        sql = "SELECT ifnull(\"statement date\", ''), ifnull(\"ending balance\", '') FROM ReconcileDraft "
              "WHERE \"id\" = ?1";
        break;
    }
    KeptStatement read(db, sql);
    read->bind(1, key);
    std::optional<std::string> image;
    if (read->step()) {
        image = read->text(0) + "|" + read->text(1);
        if (table != SideTable::Draft)
            *image += "|" + read->text(2);
        if (table == SideTable::Mark)
            *image += "|" + read->text(3);
    }
    return image;
}

void writeSideRow(LedgerConnection& connection, SideTable table, std::int64_t key,
                  const std::optional<std::string>& image)
{
    if (table == SideTable::Tables && !image) {
        execute(connection.db(),
                "DROP TABLE IF EXISTS ReconcileMark; DROP TABLE IF EXISTS ReconcileStatement; "
                "DROP TABLE IF EXISTS ReconcileDraft; DROP TABLE IF EXISTS ReconcileStamp");
        return;
    }
    ensureTables(connection);
    if (table == SideTable::Tables)
        return;
    sqlite3* db = connection.db();
    KeptStatement remove(db, std::string("DELETE FROM ") + tableName(table) + " WHERE " + keyColumn(table)
                                 + " = ?1");
    remove->bind(1, key).run();
    if (!image)
        return;
    switch (table) {
    case SideTable::Mark: {
        insertMark(db, key, unpackMark(*image));
        return;
    }
    case SideTable::Statement: {
        const BankStatement statement = unpackStatement(key, *image);
        Statement insert(db, "INSERT INTO ReconcileStatement VALUES (?1, ?2, ?3, ?4)");
        insert.bind(1, key)
            .bind(2, statement.date.isoText())
            .bind(3, statement.endingBalance.tenThousandths());
        insert.bind(4, statement.finished.isoText()).run();
        return;
    }
    case SideTable::Tables: return;
    case SideTable::Draft: {
        const ReconcileDraft draft = unpackDraft(*image);
        Statement insert(db, "INSERT INTO ReconcileDraft VALUES (?1, ?2, ?3)");
        insert.bind(1, key);
        if (draft.statementDate)
            insert.bind(2, draft.statementDate->isoText());
        else
            insert.bindNull(2);
        if (draft.endingBalance)
            insert.bind(3, draft.endingBalance->tenThousandths());
        else
            insert.bindNull(3);
        insert.run();
        return;
    }
    }
}

std::int64_t rowFingerprint(const LedgerRow& row)
{
    // FNV-1a over each field, led by a tag that tells an absent field from an empty one.
    std::uint64_t hash = 14695981039346656037ull;
    const auto mix = [&hash](std::string_view bytes) {
        for (unsigned char c : bytes) {
            hash ^= c;
            hash *= 1099511628211ull;
        }
    };
    const auto field = [&](const std::optional<std::string>& text) {
        mix(text ? std::string_view("+", 1) : std::string_view("-", 1));
        if (text) {
            mix(std::to_string(text->size()));
            mix(*text);
        }
    };
    field(row.number ? std::optional(std::to_string(*row.number)) : std::nullopt);
    field(row.date ? std::optional(row.date->isoText()) : std::nullopt);
    field(row.description);
    for (const Money amount : {row.payment, row.fee, row.deposit})
        field(std::to_string(amount.tenThousandths()));
    return std::int64_t(hash);
}

} // namespace tallowick
