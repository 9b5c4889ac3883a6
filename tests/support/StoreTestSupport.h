#pragma once
#include "FieldText.h"
#include "RecordCursor.h"
#include "StoreError.h"
#include <QTest>
#include <random>
namespace tallowick {
inline char* toString(const Money& money)
{
    return qstrdup(money.plainText().c_str());
}
} // namespace tallowick
using namespace tallowick;
using Kind = StoreError::Kind;
inline Money units(std::int64_t tenThousandths)
{
    return Money::fromTenThousandths(tenThousandths);
}
// REFUSES: the statement throws a StoreError of the expected kind.
#define REFUSES(statement, expected)                                                                         \
    do {                                                                                                     \
        try {                                                                                                \
            (void)(statement);                                                                               \
            QFAIL("no StoreError from " #statement);                                                         \
        } catch (const ::tallowick::StoreError& error) {                                                     \
            QCOMPARE(error.kind(), expected);                                                                \
        }                                                                                                    \
    } while (false)
