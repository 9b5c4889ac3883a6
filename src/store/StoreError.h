#pragma once

#include <stdexcept>
#include <string>

namespace tallowick {

// Every failure of the ledger store arrives as a StoreError whose what() is a
// sentence a user can read in a message box. The kind lets a window choose
// its own message where it has one (the editor's number and date boxes).
class StoreError : public std::runtime_error {
public:
    enum class Kind {
        BadNumber,
        BadDate,
        BadDescription,
        BadAmount,
        Overflow,
        NoCurrentRow,
        UnknownColumn,
        MissingFile,
        NotALedger,
        ReadOnly,
        Locked,
        DiskFull,
        FileAccess,
        Engine,
        NotUndoable, // the ledger changed since, or the change is no longer kept
        NotAStatement, // a bank's file from which no statement of one bank account can be read
    };

    StoreError(Kind kind, const std::string& sentence) : std::runtime_error(sentence), kind_(kind) {}

    Kind kind() const noexcept { return kind_; }

private:
    Kind kind_;
};

} // namespace tallowick
