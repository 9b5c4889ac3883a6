#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tallowick::test {

// The operations that change what is on the disk, counted across the ledger
// file and its rollback journal.
enum class FileOperation { Write, Truncate, Sync, Delete };

// What happens at the armed operation. The first three are what an
// interruption leaves on the disk.
enum class FileFault {
    // The process ends before the operation; every earlier one reached the file.
    Crash,
    // As a crash, and every write and truncate since each file's last sync
    // is lost; a deleted journal stays deleted.
    PowerCut,
    // As a power cut, but a seeded random subset of those writes is lost and
    // one of them is torn at a 512-byte sector boundary.
    TornPowerCut,
    // The operation fails once.
    TransientError,
    // The operation and every later one fail until the fault is cleared.
    PersistentError,
};

// The exit status of a process that an interruption ended.
inline constexpr int kCrashedExitCode = 86;

// A shim over SQLite's default VFS, registered as the new default so that
// every connection the program opens goes through it. It numbers each
// write, truncate, sync and delete of main database files and their
// journals from 1, and can do one fault at a chosen number. Reads and
// locks pass through untouched; a sync is recorded (it makes the writes
// before it safe from a power cut) but not sent to the disk. One thread:
// the windows' and the tests'.
class FaultInjectingVfs {
public:
    // Registers the shim once and returns it; counting starts switched off.
    static FaultInjectingVfs& install();

    // Counts from 0 again, with no fault armed.
    void startCounting();
    // Counts from 0 again; operation number `at` meets `fault`, an I/O
    // error. A failing write returns `writeError` (SQLITE_IOERR_WRITE or
    // SQLITE_FULL); a sync fails with SQLITE_IOERR_FSYNC, a truncate with
    // SQLITE_IOERR_TRUNCATE, a delete with SQLITE_IOERR_DELETE.
    void arm(FileFault fault, int at, int writeError = 0);
    // Counts from 0 again; operation number `at` ends the process, after
    // writing into each of `folders`, under their own names, what a crash, a
    // power cut and a torn power cut there would have left of `ledgerPath`
    // and its journal (a file left absent is not written). One run gives all
    // three, as the operations before the fault are the same. `seed` chooses
    // the writes a torn power cut loses.
    void armInterruption(int at, const std::string& ledgerPath, const std::array<std::string, 3>& folders,
                         std::uint32_t seed);
    // Does an armed interruption at once, as if the operation after the last
    // one had come; with none armed, it ends the process as a crash does.
    [[noreturn]] void strikeNow();
    // Clears the fault and stops counting; the figures below stay.
    void stop();

    int count() const;
    // The counted operations, in order.
    const std::vector<FileOperation>& operations() const;

private:
    FaultInjectingVfs() = default;
};

} // namespace tallowick::test
