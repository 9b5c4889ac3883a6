#include "FileOutput.h"

#include "StoreError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tallowick {

namespace {

[[noreturn]] void refuse(const std::string& path, int error)
{
    throw StoreError(StoreError::Kind::FileAccess, notWrittenSentence(path, error));
}

// The folder that holds `path`, so that a rename into it can be made durable.
std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool DescriptorBuffer::writeAll(const char* data, std::size_t size)
{
    while (size > 0 && error_ == 0) {
        const ssize_t written = ::write(fd_, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            error_ = written < 0 ? errno : EIO;
            break;
        }
        data += written;
        size -= std::size_t(written);
    }
    return error_ == 0;
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type c)
{
    if (sync() != 0)
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

std::streamsize DescriptorBuffer::xsputn(const char* data, std::streamsize size)
{
    // Large pieces (the export's blocks) go straight to the file.
    if (size < std::streamsize(sizeof buffer_) / 2)
        return std::streambuf::xsputn(data, size);
    if (sync() != 0 || !writeAll(data, std::size_t(size)))
        return 0;
    return size;
}

int DescriptorBuffer::sync()
{
    const std::size_t size = std::size_t(pptr() - pbase());
    setp(buffer_, buffer_ + sizeof buffer_);
    return writeAll(buffer_, size) ? 0 : -1;
}

std::string notWrittenSentence(const std::string& path, int error)
{
    return "The file \"" + path + "\" could not be written (" + std::strerror(error) + ").";
}

void writeFileReplacing(const std::string& path, const std::function<void(std::ostream&)>& write)
{
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        refuse(path, errno);
    bool renamed = false;
    bool closed = false;
    struct Cleanup {
        const std::string& temporary;
        const int fd;
        bool& closed;
        bool& renamed;
        ~Cleanup()
        {
            if (!closed)
                ::close(fd);
            if (!renamed)
                ::unlink(temporary.c_str());
        }
    } cleanup{temporary, fd, closed, renamed};

    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0)
        ::fchmod(fd, existing.st_mode & 07777);
    DescriptorBuffer buffer(fd);
    std::ostream out(&buffer);
    try {
        write(out);
    } catch (const StoreError&) {
        if (buffer.error() != 0)
            refuse(path, buffer.error()); // the file's own failure, in its own words
        throw;
    }
    out.flush();
    if (buffer.error() != 0)
        refuse(path, buffer.error());
    if (::fsync(fd) != 0)
        refuse(path, errno);
    closed = true;
    if (::close(fd) != 0)
        refuse(path, errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0)
        refuse(path, errno);
    renamed = true;
    // The rename itself reaches the disk with its folder.
    const int folder = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

void refuseOutputOverLedger(const std::string& outputPath, const std::string& ledgerPath)
{
    struct stat output {
    }, ledger{};
    if (::stat(outputPath.c_str(), &output) == 0 && ::stat(ledgerPath.c_str(), &ledger) == 0
        && output.st_dev == ledger.st_dev && output.st_ino == ledger.st_ino)
        throw StoreError(StoreError::Kind::FileAccess,
                         "The file \"" + outputPath + "\" is the ledger itself; choose another file.");
}

} // namespace tallowick
