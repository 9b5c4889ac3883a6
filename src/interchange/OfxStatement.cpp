#include "OfxStatement.h"

#include "StoreError.h"

#include <libofx/libofx.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <locale.h>
#include <map>
#include <unistd.h>

namespace tallowick {

namespace {

// The largest amount a statement line may hold: far beyond any bank's, well inside Money's range.
constexpr double kLargestAmount = 1e12;

[[noreturn]] void refuse(const std::string& sentence)
{
    throw StoreError(StoreError::Kind::NotAStatement, sentence);
}

// What libofx hands over, before the written dates are laid beside it.
struct Reading {
    struct Account {
        OfxAccountStatement statement;
        std::vector<std::size_t> transactionIndexes; // into the file's transactions, in order
        std::optional<time_t> balanceAsOf, end;
        std::optional<std::size_t> statementIndex;
    };
    std::map<std::string, Account> accounts; // by accountKey()
    std::vector<std::string> order; // account keys in the file's order
    std::vector<std::optional<time_t>> posted; // every transaction's instant, in the file's order
    std::size_t statements = 0;

    Account& account(const std::string& id)
    {
        auto [at, added] = accounts.try_emplace(id);
        if (added)
            order.push_back(id);
        return at->second;
    }
};

// libofx's account id is the bank's and the account's number only: the type
// tells apart two accounts of one bank that share a number.
std::string accountKey(const char* id, const OfxAccountData* account)
{
    return std::string(id) + "|"
           + (account && account->account_type_valid ? std::to_string(int(account->account_type)) : "");
}

std::string text(const char* field, int valid)
{
    return valid ? std::string(field) : std::string();
}

int onAccount(const OfxAccountData data, void* context)
{
    Reading& reading = *static_cast<Reading*>(context);
    OfxAccountStatement& account = reading.account(accountKey(data.account_id, &data)).statement;
    account.id = data.account_number_valid ? data.account_number : data.account_id;
    account.kind = OfxAccountKind::Bank;
    if (data.account_type_valid) {
        switch (data.account_type) {
        case OfxAccountData::OFX_CHECKING: account.type = "CHECKING"; break;
        case OfxAccountData::OFX_SAVINGS: account.type = "SAVINGS"; break;
        case OfxAccountData::OFX_MONEYMRKT: account.type = "MONEYMRKT"; break;
        case OfxAccountData::OFX_CREDITLINE: account.type = "CREDITLINE"; break;
        case OfxAccountData::OFX_CMA: account.type = "CMA"; break;
        case OfxAccountData::OFX_CREDITCARD: account.kind = OfxAccountKind::CreditCard; break;
        case OfxAccountData::OFX_INVESTMENT:
        case OfxAccountData::OFX_401K: account.kind = OfxAccountKind::Investment; break;
        }
    }
    return 0;
}

std::optional<std::int64_t> checkNumber(const OfxTransactionData& data)
{
    const std::string digits = text(data.check_number, data.check_number_valid);
    std::int64_t number = 0;
    std::size_t count = 0;
    for (const char c : digits) {
        if (c == ' ')
            continue;
        if (c < '0' || c > '9' || ++count > 12)
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number > 0 ? std::optional(number) : std::nullopt;
}

int onTransaction(const OfxTransactionData data, void* context)
{
    Reading& reading = *static_cast<Reading*>(context);
    reading.posted.push_back(data.date_posted_valid ? std::optional(data.date_posted) : std::nullopt);
    Reading::Account& account =
        reading.account(data.account_id_valid ? accountKey(data.account_id, data.account_ptr) : "");
    if (!data.amount_valid || !std::isfinite(data.amount) || std::fabs(data.amount) >= kLargestAmount) {
        ++account.statement.withoutAmount;
        return 0;
    }
    StatementTransaction transaction;
    transaction.amount = Money::fromTenThousandths(std::llround(data.amount * Money::kScale));
    transaction.fee =
        data.transactiontype_valid && (data.transactiontype == OFX_FEE || data.transactiontype == OFX_SRVCHG);
    transaction.number = checkNumber(data);
    transaction.description =
        statementDescription(text(data.name, data.name_valid), text(data.memo, data.memo_valid));
    transaction.fitid = statementDescription(text(data.fi_id, data.fi_id_valid), "");
    account.statement.transactions.push_back(std::move(transaction));
    account.transactionIndexes.push_back(reading.posted.size() - 1);
    return 0;
}

int onStatement(const OfxStatementData data, void* context)
{
    Reading& reading = *static_cast<Reading*>(context);
    Reading::Account& account =
        reading.account(data.account_id_valid ? accountKey(data.account_id, data.account_ptr) : "");
    account.statementIndex = reading.statements++;
    if (data.ledger_balance_valid && std::isfinite(data.ledger_balance)
        && std::fabs(data.ledger_balance) < kLargestAmount)
        account.statement.endingBalance =
            Money::fromTenThousandths(std::llround(data.ledger_balance * Money::kScale));
    if (data.ledger_balance_date_valid)
        account.balanceAsOf = data.ledger_balance_date;
    else if (data.date_asof_valid)
        account.balanceAsOf = data.date_asof;
    if (data.date_end_valid)
        account.end = data.date_end;
    return 0;
}

// A day from what the file writes, else from libofx's instant turned back
// with the offset the file writes.
std::optional<LedgerDate> dayOf(const std::vector<std::string>& written, std::optional<std::size_t> index,
                                std::size_t expected, std::optional<time_t> instant, long long offset)
{
    if (index && written.size() == expected && *index < written.size())
        return writtenDay(written[*index]);
    if (!instant)
        return std::nullopt;
    const time_t local = *instant + time_t(offset);
    std::tm parts{};
    if (!gmtime_r(&local, &parts))
        return std::nullopt;
    const LedgerDate day{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday};
    return day.year >= 1 && day.year <= 9999 ? std::optional(day) : std::nullopt;
}

// libofx reads a file by name: the bytes go to a private temporary file first.
class TemporaryCopy {
public:
    explicit TemporaryCopy(std::string_view bytes)
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tallowick-statement-XXXXXX").string();
        const int fd = mkstemp(pattern.data());
        if (fd < 0)
            refuse("The statement could not be read: no temporary file could be made.");
        path_ = pattern;
        std::size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t wrote = ::write(fd, bytes.data() + written, bytes.size() - written);
            if (wrote <= 0)
                break;
            written += std::size_t(wrote);
        }
        ::close(fd);
        if (written != bytes.size()) {
            ::unlink(path_.c_str());
            refuse("The statement could not be read: its temporary copy could not be written.");
        }
    }
    ~TemporaryCopy() { ::unlink(path_.c_str()); }
    TemporaryCopy(const TemporaryCopy&) = delete;
    TemporaryCopy& operator=(const TemporaryCopy&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Numbers in the file are read with a decimal point whatever the user's locale.
class ClassicLocale {
public:
    ClassicLocale() : classic_(newlocale(LC_ALL_MASK, "C", nullptr)), before_(uselocale(classic_)) {}
    ~ClassicLocale()
    {
        uselocale(before_);
        freelocale(classic_);
    }
    ClassicLocale(const ClassicLocale&) = delete;
    ClassicLocale& operator=(const ClassicLocale&) = delete;

private:
    locale_t classic_;
    locale_t before_;
};

void silenceLibofx()
{
    ofx_PARSER_msg = ofx_DEBUG_msg = ofx_DEBUG1_msg = ofx_DEBUG2_msg = ofx_DEBUG3_msg = 0;
    ofx_DEBUG4_msg = ofx_DEBUG5_msg = ofx_STATUS_msg = ofx_INFO_msg = ofx_WARNING_msg = ofx_ERROR_msg = 0;
}

} // namespace

std::string OfxAccountStatement::label() const
{
    return id + " (" + (type.empty() ? std::string("no type") : type) + ")";
}

OfxFile readOfxFile(std::string_view bytes, const std::string& fileName)
{
    Reading reading;
    {
        const TemporaryCopy copy(bytes);
        const ClassicLocale classic;
        silenceLibofx();
        LibofxContextPtr context = libofx_get_new_context();
        ofx_set_account_cb(context, onAccount, &reading);
        ofx_set_transaction_cb(context, onTransaction, &reading);
        ofx_set_statement_cb(context, onStatement, &reading);
        // Banks' files are untidy: libofx reports errors while it still hands
        // over what it read, so what was read counts, not its verdict.
        libofx_proc_file(context, copy.path().c_str(), AUTODETECT);
        libofx_free_context(context);
    }
    if (reading.accounts.empty())
        refuse("The file \"" + fileName + "\" is not an OFX or QFX statement that can be read.");

    const WrittenDates written = writtenDates(bytes);
    OfxFile file;
    for (const std::string& id : reading.order) {
        Reading::Account& account = reading.accounts.at(id);
        for (std::size_t i = 0; i < account.transactionIndexes.size(); ++i) {
            const std::size_t index = account.transactionIndexes[i];
            account.statement.transactions[i].date = dayOf(written.posted, index, reading.posted.size(),
                                                           reading.posted[index], written.offsetSeconds);
        }
        if (account.statementIndex && written.balanceAmounts.size() == reading.statements
            && written.balanceAmounts[*account.statementIndex].empty())
            account.statement.endingBalance.reset(); // the file writes none
        account.statement.balanceDate = dayOf(written.balanceAsOf, account.statementIndex, reading.statements,
                                              account.balanceAsOf, written.offsetSeconds);
        if (!account.statement.balanceDate && written.ends.size() == reading.statements
            && account.statementIndex)
            account.statement.balanceDate = writtenDay(written.ends[*account.statementIndex]);
        if (!account.statement.balanceDate)
            account.statement.balanceDate = dayOf({}, std::nullopt, 0, account.end, written.offsetSeconds);
        file.accounts.push_back(std::move(account.statement));
    }
    return file;
}

std::vector<const OfxAccountStatement*> bankAccounts(const OfxFile& file)
{
    std::vector<const OfxAccountStatement*> banks;
    for (const OfxAccountStatement& account : file.accounts)
        if (account.kind == OfxAccountKind::Bank)
            banks.push_back(&account);
    return banks;
}

const OfxAccountStatement& chooseAccount(const OfxFile& file, std::string_view choice,
                                         const std::string& fileName, bool* byDefault)
{
    const std::string quoted = "The file \"" + fileName + "\"";
    const auto names = [](const std::vector<const OfxAccountStatement*>& accounts) {
        std::string list;
        for (const OfxAccountStatement* account : accounts)
            list += (list.empty() ? "" : ", ") + account->label();
        return list;
    };
    const auto refuseKind = [&](OfxAccountKind kind) {
        refuse(quoted
               + (kind == OfxAccountKind::CreditCard ? " is a credit-card statement"
                                                     : " is an investment statement")
               + "; the ledger keeps one bank account.");
    };
    const std::vector<const OfxAccountStatement*> banks = bankAccounts(file);
    if (byDefault)
        *byDefault = false;
    if (!choice.empty()) {
        const std::size_t slash = choice.find('/');
        const std::string_view id = choice.substr(0, slash);
        const std::string_view type =
            slash == std::string_view::npos ? std::string_view() : choice.substr(slash + 1);
        std::vector<const OfxAccountStatement*> chosen;
        for (const OfxAccountStatement& account : file.accounts)
            if (account.id == id && (slash == std::string_view::npos || account.type == type)) {
                if (account.kind != OfxAccountKind::Bank)
                    refuseKind(account.kind);
                chosen.push_back(&account);
            }
        if (chosen.size() == 1)
            return *chosen.front();
        if (chosen.empty())
            refuse(quoted + " holds no bank account " + std::string(choice) + "; it holds "
                   + (banks.empty() ? std::string("none") : names(banks)) + ".");
        refuse(quoted + " holds several accounts " + std::string(id)
               + "; choose one by its type: " + names(chosen) + ".");
    }
    if (banks.empty())
        refuseKind(file.accounts.front().kind);
    if (banks.size() == 1)
        return *banks.front();
    std::vector<const OfxAccountStatement*> checking;
    for (const OfxAccountStatement* account : banks)
        if (account->type == "CHECKING")
            checking.push_back(account);
    if (checking.size() != 1)
        refuse(quoted + " holds several bank accounts; choose one: " + names(banks) + ".");
    if (byDefault)
        *byDefault = true;
    return *checking.front();
}

} // namespace tallowick
