#include "FaultInjectingVfs.h"

#include <sqlite3.h>

#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace tallowick::test {

namespace {

constexpr std::size_t kSectorBytes = 512;

// One write or truncate since the file's last sync.
struct PendingChange {
    bool truncate = false;
    sqlite3_int64 offset = 0; // where the write starts, or the size a truncate leaves
    std::string bytes;
};

// What a power cut can leave of one file: its content at its last sync,
// and the changes since then, in order.
struct FileHistory {
    std::string synced;
    std::vector<PendingChange> pending;
};

struct State {
    sqlite3_vfs* root = nullptr;
    bool counting = false;
    std::optional<FileFault> fault; // an I/O error
    bool interrupting = false;
    int at = 0;
    int writeError = SQLITE_IOERR_WRITE;
    std::uint32_t seed = 0;
    std::string ledgerPath;
    std::array<std::string, 3> folders; // by FileFault: crash, power cut, torn power cut
    int count = 0;
    std::vector<FileOperation> operations;
    // By path; kept only while an interruption is armed.
    std::map<std::string, FileHistory> histories;
};

State& state()
{
    static State instance;
    return instance;
}

// The shim's file: the default VFS's own file object follows it in memory.
struct ShimFile {
    sqlite3_file base;
    sqlite3_file* real;
    const char* path; // set for the files whose changes are counted
};

sqlite3_file* realOf(sqlite3_file* file)
{
    return reinterpret_cast<ShimFile*>(file)->real;
}

// Nothing when the file does not exist.
std::optional<std::string> readWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Applies the first `length` bytes of a write (all of a truncate) to a file's content.
void apply(std::string& content, const PendingChange& change, std::size_t length)
{
    if (change.truncate) {
        content.resize(std::size_t(change.offset));
        return;
    }
    const auto offset = std::size_t(change.offset);
    if (content.size() < offset + length)
        content.resize(offset + length, '\0');
    content.replace(offset, length, change.bytes, 0, length);
}

// How much of a write reached the disk when the power failed inside it:
// whole sectors from its start, up to a random sector boundary within it.
std::size_t tornLength(const PendingChange& change, std::mt19937& random)
{
    const auto begin = std::size_t(change.offset);
    const std::size_t end = begin + change.bytes.size();
    std::vector<std::size_t> boundaries{0};
    for (std::size_t at = (begin / kSectorBytes + 1) * kSectorBytes; at < end; at += kSectorBytes)
        boundaries.push_back(at - begin);
    return boundaries[random() % boundaries.size()];
}

// What a power cut at this moment leaves of a file with this history.
std::string afterPowerCut(const FileHistory& history, bool torn, std::mt19937& random)
{
    std::string content = history.synced;
    if (!torn || history.pending.empty())
        return content;
    const std::size_t tornChange = random() % history.pending.size();
    for (std::size_t k = 0; k < history.pending.size(); ++k) {
        const PendingChange& change = history.pending[k];
        if (k == tornChange && !change.truncate)
            apply(content, change, tornLength(change, random));
        else if (random() % 2)
            apply(content, change, change.bytes.size());
    }
    return content;
}

// Writes into each outcome folder what its fault at this moment would leave of the ledger and its
// journal, and ends the process.
[[noreturn]] void interrupt()
{
    State& s = state();
    std::mt19937 random(s.seed);
    for (const std::string& path : {s.ledgerPath, s.ledgerPath + "-journal"}) {
        const std::optional<std::string> now = readWholeFile(path);
        const auto history = s.histories.find(path);
        for (FileFault fault : {FileFault::Crash, FileFault::PowerCut, FileFault::TornPowerCut}) {
            const bool cut = fault != FileFault::Crash && history != s.histories.end();
            const std::optional<std::string> left =
                cut ? afterPowerCut(history->second, fault == FileFault::TornPowerCut, random) : now;
            if (left)
                std::ofstream(s.folders[std::size_t(fault)] + path.substr(path.rfind('/')), std::ios::binary)
                    << *left;
        }
    }
    ::_exit(kCrashedExitCode);
}

// The history of a counted file while an interruption is armed; null otherwise.
// A file first met here is taken as synced as it stands.
FileHistory* historyOf(const char* path)
{
    State& s = state();
    if (!s.counting || !s.interrupting)
        return nullptr;
    auto found = s.histories.find(path);
    if (found == s.histories.end())
        found = s.histories.emplace(path, FileHistory{readWholeFile(path).value_or(""), {}}).first;
    return &found->second;
}

int errorFor(FileOperation operation)
{
    const int code = operation == FileOperation::Write      ? state().writeError
                     : operation == FileOperation::Truncate ? SQLITE_IOERR_TRUNCATE
                     : operation == FileOperation::Sync     ? SQLITE_IOERR_FSYNC
                                                            : SQLITE_IOERR_DELETE;
    // What the engine reads back as the system's error number.
    errno = code == SQLITE_FULL ? ENOSPC : EIO;
    return code;
}

// Numbers the operation and does the armed fault when its number has come:
// returns the error the operation fails with, or SQLITE_OK to let it run.
int passGate(FileOperation operation)
{
    State& s = state();
    if (!s.counting)
        return SQLITE_OK;
    s.operations.push_back(operation);
    const int number = ++s.count;
    if (number < s.at)
        return SQLITE_OK;
    if (s.interrupting)
        interrupt();
    if (!s.fault || (s.fault == FileFault::TransientError && number != s.at))
        return SQLITE_OK;
    return errorFor(operation);
}

int shimWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset)
{
    auto* shim = reinterpret_cast<ShimFile*>(file);
    if (shim->path) {
        if (const int rc = passGate(FileOperation::Write))
            return rc;
        if (FileHistory* history = historyOf(shim->path))
            history->pending.push_back({false, offset, std::string(static_cast<const char*>(data), amount)});
    }
    return shim->real->pMethods->xWrite(shim->real, data, amount, offset);
}

int shimTruncate(sqlite3_file* file, sqlite3_int64 size)
{
    auto* shim = reinterpret_cast<ShimFile*>(file);
    if (shim->path) {
        if (const int rc = passGate(FileOperation::Truncate))
            return rc;
        if (FileHistory* history = historyOf(shim->path))
            history->pending.push_back({true, size, {}});
    }
    return shim->real->pMethods->xTruncate(shim->real, size);
}

int shimSync(sqlite3_file* file, int flags)
{
    auto* shim = reinterpret_cast<ShimFile*>(file);
    if (shim->path)
        if (const int rc = passGate(FileOperation::Sync))
            return rc;
    // The shim stands in for the disk's durability (a power cut is its own),
    // so the real flush would add only time: thousands of runs each sync.
    (void)flags;
    if (shim->path)
        if (FileHistory* history = historyOf(shim->path))
            *history = FileHistory{readWholeFile(shim->path).value_or(""), {}};
    return SQLITE_OK;
}

// Version 1: the ledger keeps a rollback journal and maps no memory, so the engine needs no shared
// memory or page fetching from it.
const sqlite3_io_methods kShimMethods = {
    1,
    [](sqlite3_file* file) { return realOf(file)->pMethods->xClose(realOf(file)); },
    [](sqlite3_file* file, void* data, int amount, sqlite3_int64 offset) {
        return realOf(file)->pMethods->xRead(realOf(file), data, amount, offset);
    },
    shimWrite,
    shimTruncate,
    shimSync,
    [](sqlite3_file* file, sqlite3_int64* size) {
        return realOf(file)->pMethods->xFileSize(realOf(file), size);
    },
    [](sqlite3_file* file, int lock) { return realOf(file)->pMethods->xLock(realOf(file), lock); },
    [](sqlite3_file* file, int lock) { return realOf(file)->pMethods->xUnlock(realOf(file), lock); },
    [](sqlite3_file* file, int* reserved) {
        return realOf(file)->pMethods->xCheckReservedLock(realOf(file), reserved);
    },
    [](sqlite3_file* file, int op, void* argument) {
        return realOf(file)->pMethods->xFileControl(realOf(file), op, argument);
    },
    [](sqlite3_file* file) { return realOf(file)->pMethods->xSectorSize(realOf(file)); },
    [](sqlite3_file* file) { return realOf(file)->pMethods->xDeviceCharacteristics(realOf(file)); },
};

int shimOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
{
    auto* shim = reinterpret_cast<ShimFile*>(file);
    shim->real = reinterpret_cast<sqlite3_file*>(shim + 1);
    shim->real->pMethods = nullptr;
    shim->path = name && (flags & (SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_MAIN_JOURNAL)) ? name : nullptr;
    sqlite3_vfs* root = state().root;
    const int rc = root->xOpen(root, name, shim->real, flags, outFlags);
    shim->base.pMethods = shim->real->pMethods ? &kShimMethods : nullptr;
    return rc;
}

int shimDelete(sqlite3_vfs*, const char* name, int syncDirectory)
{
    if (std::string_view(name).ends_with("-journal"))
        if (const int rc = passGate(FileOperation::Delete))
            return rc;
    sqlite3_vfs* root = state().root;
    const int rc = root->xDelete(root, name, syncDirectory);
    state().histories.erase(name);
    return rc;
}

} // namespace

FaultInjectingVfs& FaultInjectingVfs::install()
{
    static FaultInjectingVfs instance;
    static sqlite3_vfs shim = [] {
        sqlite3_vfs* root = sqlite3_vfs_find(nullptr);
        state().root = root;
        // Every other method of the default VFS ignores the VFS it is called on.
        sqlite3_vfs copy = *root;
        copy.pNext = nullptr;
        copy.zName = "tallowick-faults";
        copy.szOsFile = int(sizeof(ShimFile)) + root->szOsFile;
        copy.xOpen = shimOpen;
        copy.xDelete = shimDelete;
        return copy;
    }();
    static const bool registered = sqlite3_vfs_register(&shim, 1) == SQLITE_OK;
    (void)registered;
    return instance;
}

void FaultInjectingVfs::startCounting()
{
    stop();
    State& s = state();
    s.count = 0;
    s.operations.clear();
    s.counting = true;
}

void FaultInjectingVfs::arm(FileFault fault, int at, int writeError)
{
    startCounting();
    State& s = state();
    s.fault = fault;
    s.at = at;
    s.writeError = writeError ? writeError : SQLITE_IOERR_WRITE;
}

void FaultInjectingVfs::armInterruption(int at, const std::string& ledgerPath,
                                        const std::array<std::string, 3>& folders, std::uint32_t seed)
{
    startCounting();
    State& s = state();
    s.interrupting = true;
    s.at = at;
    s.ledgerPath = ledgerPath;
    s.folders = folders;
    s.seed = seed;
}

void FaultInjectingVfs::strikeNow()
{
    if (state().counting && state().interrupting)
        interrupt();
    ::_exit(kCrashedExitCode);
}

void FaultInjectingVfs::stop()
{
    State& s = state();
    s.counting = false;
    s.fault.reset();
    s.interrupting = false;
    s.histories.clear();
}

int FaultInjectingVfs::count() const
{
    return state().count;
}

const std::vector<FileOperation>& FaultInjectingVfs::operations() const
{
    return state().operations;
}

} // namespace tallowick::test
