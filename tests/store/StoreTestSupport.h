#pragma once
// Shared by the store tests. REFUSES: the statement throws a StoreError of the expected kind.
#include "FieldText.h"
#include "RecordCursor.h"
#include "StoreError.h"

#include <QTest>

namespace tallowick {

inline char* toString(const Money& money) { return qstrdup(money.plainText().c_str()); }
inline Money units(std::int64_t tenThousandths) { return Money::fromTenThousandths(tenThousandths); }

inline std::vector<LedgerRow> numberedRows(std::int64_t first, std::int64_t last)
{
    std::vector<LedgerRow> rows;
    for (std::int64_t k = first; k <= last; ++k)
        rows.push_back({k, std::nullopt, "row " + std::to_string(k), units(k * 100), int(k % 2), units(k % 7),
                        units((k % 3) * 5000), units(1'000'000 - k)});
    return rows;
}
inline LedgerRow numberedRow(std::int64_t k) { return numberedRows(k, k)[0]; }

// Adds a row as the windows do, from each field's plain text, naming the columns in capitals.
inline void addRow(RecordCursor& cursor, const LedgerRow& row)
{
    cursor.AddNew();
    for (LedgerColumn column : kAllColumns)
        cursor.SetField(QString::fromUtf8(columnName(column)).toUpper().toStdString(), plainFieldText(row, column));
    cursor.Update();
}

} // namespace tallowick

#define REFUSES(statement, expected) \
    do { try { (void)(statement); QFAIL("no StoreError from " #statement); } \
         catch (const ::tallowick::StoreError& error) { QCOMPARE(error.kind(), expected); } } while (false)
