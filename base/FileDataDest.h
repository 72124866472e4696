#pragma once

#include "base/DataDest.h"

#include <cstdio>

namespace heron
{

// Byte sink into a file, created or truncated when the sink is made. A failed open, write or close
// sets the error flag, after which writes do nothing.
class FileDataDest : public DataDest
{
public:
    // Creates or truncates the named file (the system's own form or a disk path, through the bridge
    // to disk); null leaves the sink closed.
    explicit FileDataDest(const char* name);
    // Closes the file.
    ~FileDataDest() override;

    // True while the file is open and no error is flagged.
    bool isOK() const override;
    DataDest& writeByte(char byte) override;
    void write(const void* buffer, std::uint32_t n) override;
    // Flushes and closes the file; a failed flush sets the error flag.
    void close() override;

private:
    std::FILE* m_file = nullptr;
};

}
