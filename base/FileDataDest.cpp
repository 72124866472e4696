#include "base/FileDataDest.h"

#include "base/FilePath.h"

namespace heron
{

FileDataDest::FileDataDest(const char* name)
{
    if (!name) {
        return;
    }
    m_file = std::fopen(diskPath(name).c_str(), "wb");
    if (!m_file) {
        setError();
    }
}

FileDataDest::~FileDataDest()
{
    close();
}

bool FileDataDest::isOK() const
{
    return !hasError() && m_file;
}

DataDest& FileDataDest::writeByte(char byte)
{
    if (!isOK()) {
        return *this;
    }
    if (std::fputc(static_cast<unsigned char>(byte), m_file) == EOF) {
        setError();
    }
    return *this;
}

void FileDataDest::write(const void* buffer, std::uint32_t n)
{
    if (!isOK() || n == 0) {
        return;
    }
    if (std::fwrite(buffer, 1, n, m_file) != n) {
        setError();
    }
}

void FileDataDest::close()
{
    if (!m_file) {
        return;
    }
    if (std::fclose(m_file) != 0) {
        setError();
    }
    m_file = nullptr;
}

}
