#pragma once

#include "StatementImport.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallowick {

// A bank's statement file (OFX 1.x in SGML, OFX 2.x in XML, QFX), read with
// libofx. Text comes in the file's character set and is kept as UTF-8.

enum class OfxAccountKind { Bank, CreditCard, Investment };

// One account's statement as the file holds it.
struct OfxAccountStatement {
    std::string id; // ACCTID
    std::string type; // CHECKING, SAVINGS, MONEYMRKT, CREDITLINE, CMA; empty when the file gives none
    OfxAccountKind kind = OfxAccountKind::Bank;
    std::vector<StatementTransaction> transactions; // in the file's order
    long long withoutAmount = 0; // transactions left out: they have no amount that can be read
    std::optional<Money> endingBalance; // LEDGERBAL BALAMT
    std::optional<LedgerDate> balanceDate; // its DTASOF, else the last DTEND

    // "12345 (CHECKING)", as the refusals and the account choice name it.
    std::string label() const;
};

struct OfxFile {
    std::vector<OfxAccountStatement> accounts; // in the file's order
};

// Reads the bytes of a statement file. Refuses (StoreError, NotAStatement) a
// file from which no account at all can be read, in one sentence that names
// `fileName`; libofx itself stays silent.
OfxFile readOfxFile(std::string_view bytes, const std::string& fileName);

// The bank account to import. `choice` is an ACCTID, or ACCTID/TYPE where two
// accounts share an id, or empty: then the only bank account, else the only
// checking account. Refuses, naming the accounts with their types, a choice
// that matches none or several, a file with several bank accounts and no
// single checking one, and a credit-card or investment statement (the ledger
// is one bank account). `byDefault`, when given, says whether the account was
// taken without a choice among several.
const OfxAccountStatement& chooseAccount(const OfxFile& file, std::string_view choice,
                                         const std::string& fileName, bool* byDefault = nullptr);

// The bank accounts of the file, for a choice among them.
std::vector<const OfxAccountStatement*> bankAccounts(const OfxFile& file);

// --- The parts of the reading, for the reader's own use and its tests ---

// The calendar day at the start of an OFX date ("20090401122017.000[-5:EST]"
// is 4/1/2009); none for an empty or unreadable value.
std::optional<LedgerDate> writtenDay(std::string_view value);

// What the file writes in each <DTPOSTED> of its <STMTTRN>s, in order
// (an empty value where a transaction has none), each <DTASOF> and <BALAMT>
// of a <LEDGERBAL> and each <DTEND>, whatever the tags' letter case.
struct WrittenDates {
    std::vector<std::string> posted;
    std::vector<std::string> balanceAsOf;
    std::vector<std::string> balanceAmounts; // each <BALAMT> of a <LEDGERBAL>: libofx reads an empty one as 0
    std::vector<std::string> ends;
    // The offset from UTC of the first date written with one, in seconds.
    long long offsetSeconds = 0;
};
WrittenDates writtenDates(std::string_view bytes);

// The description of a transaction: NAME, then MEMO where it is not empty
// and not already part of NAME, at most 255 characters, as valid UTF-8.
std::string statementDescription(std::string_view name, std::string_view memo);

} // namespace tallowick
