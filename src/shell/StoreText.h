#pragma once

#include <QString>

#include <exception>
#include <string>
#include <string_view>

namespace tallowick {

inline std::string toStd(const QString& text)
{
    return text.toStdString();
}
inline QString toQt(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The sentence of a store failure, or of anything else a handler traps.
inline QString describe(const std::exception& error)
{
    return QString::fromUtf8(error.what());
}

} // namespace tallowick

#include "StoreError.h"

namespace tallowick {

// True for failures of the ledger file itself (locked, read-only, disk full,
// missing or damaged) rather than of a value the user typed: these are shown
// in the store's own words, never behind a message about the typed value.
inline bool isFileFault(const StoreError& error)
{
    switch (error.kind()) {
    case StoreError::Kind::MissingFile:
    case StoreError::Kind::NotALedger:
    case StoreError::Kind::ReadOnly:
    case StoreError::Kind::Locked:
    case StoreError::Kind::DiskFull:
    case StoreError::Kind::FileAccess: return true;
    default: return false;
    }
}

} // namespace tallowick
