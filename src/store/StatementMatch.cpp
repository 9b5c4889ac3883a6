#include "StatementImport.h"

#include "ReconcileTables.h"
#include "RowCodec.h"

#include <algorithm>
#include <chrono>
#include <unordered_map>
#include <unordered_set>

namespace tallowick {

namespace {

constexpr long long kMatchDays = 7;
constexpr long long kChoiceDays = 31;
constexpr std::size_t kMostChoices = 8;

long long dayOf(const LedgerDate& date)
{
    using namespace std::chrono;
    return sys_days(year(date.year) / month(unsigned(date.month)) / day(unsigned(date.day)))
        .time_since_epoch()
        .count();
}

struct Candidate {
    std::int64_t rowid = 0;
    long long position = 0;
    std::optional<std::int64_t> number;
    std::optional<LedgerDate> date;
    std::optional<long long> day;
    std::int64_t amount = 0; // ten-thousandths
};

// The rows a transaction may be matched to, indexed by the numbers and amounts the statement has:
// no row with another is ever looked up.
class CandidateRows {
public:
    CandidateRows(LedgerConnection& connection, const std::vector<StatementTransaction>& transactions,
                  long long& rowCount)
    {
        std::unordered_set<std::int64_t> numbers, amounts;
        for (const StatementTransaction& transaction : transactions) {
            if (transaction.number)
                numbers.insert(*transaction.number);
            amounts.insert(transaction.amount.tenThousandths());
        }
        sqlite3* db = connection.db();
        std::unordered_map<std::int64_t, reconcile::MarkRow> marks;
        for (auto& [rowid, mark] : reconcile::currentMarkRows(db)) {
            if (!mark.fitid.empty())
                known.insert(mark.fitid);
            marks.emplace(rowid, std::move(mark));
        }
        Statement read(db,
                       "SELECT rowid, \"number\", \"date\", \"payment / debit\", fee, \"deposit / credit\" "
                       "FROM Ledger ORDER BY rowid");
        long long position = 0;
        while (read.step()) {
            ++position;
            const std::int64_t rowid = read.integer(0);
            const auto mark = marks.find(rowid);
            const bool taken =
                mark != marks.end()
                && (mark->second.status == MarkStatus::Reconciled || !mark->second.fitid.empty());
            if (position == 1 || taken)
                continue; // the anchor counts as reconciled
            Candidate row{rowid, position};
            if (!read.isNull(1))
                row.number = read.integer(1);
            if (!read.isNull(2)) {
                row.date = LedgerDate::fromIso(read.textView(2));
                row.day = dayOf(*row.date);
            }
            row.amount =
                (readAmount(read, 5, LedgerColumn::Deposit) - readAmount(read, 3, LedgerColumn::Payment)
                 - readAmount(read, 4, LedgerColumn::Fee))
                    .tenThousandths();
            if ((row.number && numbers.count(*row.number)) || (row.day && amounts.count(row.amount)))
                rows.push_back(row);
        }
        read.reset();
        rowCount = position;
        used.assign(rows.size(), false);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].number && numbers.count(*rows[i].number))
                byNumber[*rows[i].number].push_back(i);
            if (rows[i].day && amounts.count(rows[i].amount))
                byAmount[rows[i].amount].push_back(i);
        }
        const auto earlier = [this](std::size_t a, std::size_t b) { return *rows[a].day < *rows[b].day; };
        for (auto& [amount, list] : byAmount)
            if (!std::is_sorted(list.begin(), list.end(), earlier)) // rows are mostly stored in date order
                std::stable_sort(list.begin(), list.end(), earlier);
    }

    // The first unused row with the number whose amount is (`same`) or is not the transaction's.
    std::optional<std::size_t> byNumberAnd(std::int64_t number, std::int64_t amount, bool same) const
    {
        const auto found = byNumber.find(number);
        if (found != byNumber.end())
            for (const std::size_t i : found->second)
                if (!used[i] && (rows[i].amount == amount) == same)
                    return i;
        return std::nullopt;
    }

    // The rows with the amount dated within `days` of `day`, nearest first, then in stored order.
    std::vector<std::size_t> near(std::int64_t amount, long long day, long long days, bool unusedOnly) const
    {
        std::vector<std::size_t> found;
        const auto list = byAmount.find(amount);
        if (list == byAmount.end())
            return found;
        auto at = std::lower_bound(list->second.begin(), list->second.end(), day - days,
                                   [this](std::size_t i, long long d) { return *rows[i].day < d; });
        for (; at != list->second.end() && *rows[*at].day <= day + days; ++at)
            if (!unusedOnly || !used[*at])
                found.push_back(*at);
        std::stable_sort(found.begin(), found.end(), [this, day](std::size_t a, std::size_t b) {
            const auto distance = [&](std::size_t i) { return std::abs(*rows[i].day - day); };
            return std::pair(distance(a), rows[a].position) < std::pair(distance(b), rows[b].position);
        });
        return found;
    }

    std::vector<Candidate> rows;
    std::vector<bool> used;
    std::unordered_set<std::string> known;

private:
    std::unordered_map<std::int64_t, std::vector<std::size_t>> byNumber;
    std::unordered_map<std::int64_t, std::vector<std::size_t>> byAmount;
};

StatementCandidate offered(const Candidate& row)
{
    return {row.rowid, row.position, row.date, Money::fromTenThousandths(row.amount)};
}

} // namespace

std::vector<std::string> statementKeys(const std::vector<StatementTransaction>& transactions)
{
    std::vector<std::string> keys;
    std::unordered_map<std::string, int> repeats;
    for (const StatementTransaction& t : transactions) {
        if (!t.fitid.empty()) {
            keys.push_back(t.fitid);
            continue;
        }
        // A leading NUL keeps these apart from every id a bank writes.
        std::string key = std::string(1, '\0') + (t.date ? t.date->isoText() : std::string()) + "|"
                          + std::to_string(t.amount.tenThousandths()) + "|"
                          + (t.number ? std::to_string(*t.number) : std::string()) + "|" + t.description;
        const int seen = repeats[key]++;
        keys.push_back(seen == 0 ? key : key + "#" + std::to_string(seen + 1));
    }
    return keys;
}

StatementProposal proposeStatement(LedgerConnection& connection,
                                   const std::vector<StatementTransaction>& transactions)
{
    StatementProposal proposal;
    const bool ownRead = connection.transactionDepth() == 0;
    if (ownRead)
        execute(connection.db(), "BEGIN");
    struct EndRead {
        sqlite3* db;
        bool own;
        ~EndRead()
        {
            if (own)
                sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        }
    } endRead{connection.db(), ownRead};
    CandidateRows candidates(connection, transactions, proposal.rowCount);
    proposal.counter = fileChangeCounter(connection.db());

    const std::vector<std::string> keys = statementKeys(transactions);
    std::unordered_set<std::string> inThisFile;
    std::vector<bool> known(transactions.size());
    // A check takes the row with its number and amount first, wherever it
    // stands in the statement: a payment of the same amount listed before it
    // must not take that row by its amount.
    std::vector<std::optional<std::size_t>> byNumber(transactions.size());
    for (std::size_t t = 0; t < transactions.size(); ++t) {
        known[t] = candidates.known.count(keys[t]) || !inThisFile.insert(keys[t]).second;
        if (!known[t] && transactions[t].number
            && (byNumber[t] = candidates.byNumberAnd(*transactions[t].number,
                                                     transactions[t].amount.tenThousandths(), true)))
            candidates.used[*byNumber[t]] = true;
    }
    for (std::size_t t = 0; t < transactions.size(); ++t) {
        const StatementTransaction& transaction = transactions[t];
        const std::int64_t amount = transaction.amount.tenThousandths();
        StatementDecision decision;
        std::optional<std::size_t> row;
        if (known[t]) {
            decision.outcome = StatementOutcome::AlreadyImported;
        } else if ((row = byNumber[t])) {
            decision.outcome = StatementOutcome::Matched;
        } else if (std::vector<std::size_t> near;
                   transaction.date
                   && !(near = candidates.near(amount, dayOf(*transaction.date), kMatchDays, true)).empty()) {
            row = near.front();
            decision.outcome = StatementOutcome::Matched;
        } else if (transaction.number && (row = candidates.byNumberAnd(*transaction.number, amount, false))) {
            decision.outcome = StatementOutcome::AmountDiffers;
        }
        std::vector<StatementCandidate> choices;
        if (row) {
            candidates.used[*row] = true;
            decision.rowid = candidates.rows[*row].rowid;
            decision.position = candidates.rows[*row].position;
            decision.rowAmount = Money::fromTenThousandths(candidates.rows[*row].amount);
            if (decision.outcome == StatementOutcome::Matched)
                choices.push_back(offered(candidates.rows[*row]));
        }
        if (transaction.date && decision.outcome != StatementOutcome::AlreadyImported)
            for (const std::size_t i : candidates.near(amount, dayOf(*transaction.date), kChoiceDays, false))
                if (choices.size() < kMostChoices && candidates.rows[i].rowid != decision.rowid)
                    choices.push_back(offered(candidates.rows[i]));
        proposal.decisions.push_back(decision);
        proposal.choices.push_back(std::move(choices));
    }
    return proposal;
}

} // namespace tallowick
