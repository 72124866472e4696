#include "base/files/PositionedFile.h"

#include "base/FilePath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace heron
{

PositionedFile::PositionedFile(const FilePath& path)
{
    const int descriptor = ::open(path.diskPath().c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return;
    }
    struct stat info;
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        return;
    }
    m_descriptor = descriptor;
    m_size = std::uint64_t(info.st_size);
}

PositionedFile::~PositionedFile()
{
    if (isOpen()) {
        ::close(m_descriptor);
    }
}

std::uint32_t PositionedFile::readAt(void* buffer, std::uint32_t n, std::uint64_t offset) const
{
    auto* const bytes = static_cast<unsigned char*>(buffer);
    std::uint32_t count = 0;
    while (isOpen() && count < n) {
        const ssize_t got = ::pread(m_descriptor, bytes + count, n - count, off_t(offset + count));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        count += std::uint32_t(got);
    }
    return count;
}

}
