#pragma once

#include <functional>
#include <ostream>
#include <streambuf>
#include <string>

namespace tallowick {

// An output stream buffer over an open file descriptor that keeps the
// reason (errno) of the first write that failed; the stream then fails.
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int fd) : fd_(fd) { setp(buffer_, buffer_ + sizeof buffer_); }
    ~DescriptorBuffer() override { sync(); }
    DescriptorBuffer(const DescriptorBuffer&) = delete;
    DescriptorBuffer& operator=(const DescriptorBuffer&) = delete;

    int error() const { return error_; } // 0 while every write succeeded

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* data, std::streamsize size) override;
    int sync() override;

private:
    bool writeAll(const char* data, std::size_t size);

    int fd_;
    int error_ = 0;
    char buffer_[1 << 16];
};

// Writes the file at `path` whole or not at all: `write` fills a temporary
// file beside it, which is synced and renamed over `path` when `write`
// returns. A failure (thrown by `write`, or met writing, syncing or renaming)
// removes the temporary file, leaves whatever was at `path` as it was, and
// throws: StoreError "The file "…" could not be written (reason)." for the
// file's own failures, or what `write` threw. A new file is readable by its
// owner only; a replaced one keeps its permissions.
void writeFileReplacing(const std::string& path, const std::function<void(std::ostream&)>& write);

// Refuses (StoreError) a file to be written that is the ledger itself, under
// whatever name, a symbolic or a hard link included (the device and inode
// decide, not the name): replaced by an export or a report, the ledger would
// be lost. Every writer of a file the user names asks this first.
void refuseOutputOverLedger(const std::string& outputPath, const std::string& ledgerPath);

// The sentence for a file that could not be written for the reason `error` (an errno value).
std::string notWrittenSentence(const std::string& path, int error);

} // namespace tallowick
