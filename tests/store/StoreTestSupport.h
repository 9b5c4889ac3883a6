#pragma once

// Small helpers shared by the store tests: readable failure output for the
// store's value types, and rows that can be recognised by their number.

#include "LedgerRow.h"
#include "Money.h"
#include "StoreError.h"

#include <QByteArray>
#include <QString>

#include <cstring>
#include <string>
#include <vector>

namespace tallowick {

inline QString qs(const std::string& text) { return QString::fromStdString(text); }

inline std::string describe(const LedgerRow& row)
{
    std::string out = "{";
    out += row.number ? std::to_string(*row.number) : "-";
    out += ", " + (row.date ? row.date->isoText() : std::string("-"));
    out += ", " + (row.description ? "\"" + *row.description + "\"" : std::string("-"));
    out += ", pay " + row.payment.plainText() + ", tax " + std::to_string(row.taxDeductible);
    out += ", fee " + row.fee.plainText() + ", dep " + row.deposit.plainText();
    out += ", bal " + row.balance.plainText() + "}";
    return out;
}

// Found by argument-dependent lookup from QCOMPARE.
inline char* toString(const LedgerRow& row) { return qstrdup(describe(row).c_str()); }
inline char* toString(const Money& money) { return qstrdup(money.plainText().c_str()); }
inline char* toString(const LedgerDate& date) { return qstrdup(date.isoText().c_str()); }
inline char* toString(const std::vector<LedgerRow>& rows)
{
    std::string out = std::to_string(rows.size()) + " rows:";
    for (const LedgerRow& row : rows)
        out += "\n    " + describe(row);
    return qstrdup(out.c_str());
}

inline Money units(std::int64_t tenThousandths) { return Money::fromTenThousandths(tenThousandths); }

// A row recognisable by its number k, with amounts that differ from row to row.
inline LedgerRow numberedRow(std::int64_t k)
{
    LedgerRow row;
    row.number = k;
    row.description = "row " + std::to_string(k);
    row.payment = units(k * 100);
    row.fee = units(k % 7);
    row.deposit = units((k % 3) * 5000);
    row.balance = units(1'000'000 - k);
    row.taxDeductible = int(k % 2);
    return row;
}

inline std::vector<LedgerRow> numberedRows(std::int64_t first, std::int64_t last)
{
    std::vector<LedgerRow> rows;
    for (std::int64_t k = first; k <= last; ++k)
        rows.push_back(numberedRow(k));
    return rows;
}

} // namespace tallowick

// Runs `statement`, which must throw a StoreError of `expectedKind`.
#define STORE_REFUSES(statement, expectedKind)                                                                    \
    do {                                                                                                          \
        bool storeErrorSeen_ = false;                                                                             \
        try {                                                                                                     \
            statement;                                                                                            \
        } catch (const ::tallowick::StoreError& error_) {                                                         \
            storeErrorSeen_ = true;                                                                               \
            QVERIFY2(error_.kind() == (expectedKind),                                                             \
                     qPrintable(QStringLiteral("wrong kind %1 (%2) from: %3")                                     \
                                    .arg(int(error_.kind()))                                                      \
                                    .arg(QString::fromUtf8(error_.what()), QStringLiteral(#statement))));        \
            QVERIFY2(std::strlen(error_.what()) > 0, "a StoreError without a sentence");                         \
        }                                                                                                         \
        QVERIFY2(storeErrorSeen_, "no StoreError from: " #statement);                                             \
    } while (false)
