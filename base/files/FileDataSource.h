#pragma once

#include "base/files/PositionedFileSource.h"
#include "base/heron_string.h"

#include <cstdint>

namespace heron
{

class FilePath;

// Byte source over a file, named in the system's own form or as a disk path (each name goes
// through FilePath's bridge to disk), read through a buffer as every positioned file source is;
// the first bytes are read on opening. Files of 4 GiB or more are refused with a logged error,
// since positions are 32-bit.
class FileDataSource : public PositionedFileSource
{
public:
    // Opens the named file for reading; null or a missing file leaves the source closed (not OK).
    explicit FileDataSource(const char* name);
    // The same with the path, opened as it is spelled.
    explicit FileDataSource(const FilePath& path);
    ~FileDataSource() override;

    // The name the source was made from.
    const heron_string& name() const { return m_name; }

private:
    void open(const FilePath& path);

    heron_string m_name;
};

}
