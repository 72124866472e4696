#pragma once

#include <stdexcept>

namespace heron
{

class DataSource;

// Why a reader of outside bytes (a file, a packed member, a stored stream, a packet) gave up on
// them. The reader throws it where it finds the fault, with a reason that names the fault and not
// the file; the reader's entry point catches it, and only it, logs the reason once with the
// file's name, and returns its fallback. See DESIGN.md, "Readers of outside bytes".
class ReadError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Throws ReadError(reason) when the source has run short or flagged an error: called after a run
// of typed reads, so the run itself needs no check per value.
void requireGood(const DataSource& source, const char* reason);

}
