#include "base/files/FileDataSource.h"

#include "base/Debug.h"
#include "base/FilePath.h"
#include "base/Limits.h"

namespace heron
{

FileDataSource::FileDataSource(const char* name) : m_name(name)
{
    if (name) {
        open(FilePath(name));
    }
}

FileDataSource::FileDataSource(const FilePath& path) : m_name(path.spelling())
{
    open(path);
}

FileDataSource::~FileDataSource() = default;

void FileDataSource::open(const FilePath& path)
{
    const FileStatus status = path.stat();
    if (!status.exists || status.isDirectory) {
        return;
    }
    auto file = std::make_shared<const PositionedFile>(path);
    if (!file->isOpen()) {
        setError();
        return;
    }
    if (file->size() > limits::maxFileSourceSize) {
        debug("FileDataSource: \"%s\" is 4 GiB or larger (or its size is unknown), not read\n", m_name.c_str());
        setError();
        return;
    }
    const auto size = std::uint32_t(file->size());
    attach(std::move(file), 0, size);
    peekByte();
}

}
