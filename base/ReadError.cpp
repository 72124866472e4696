#include "base/ReadError.h"

#include "base/DataSource.h"

namespace heron
{

void requireGood(const DataSource& source, const char* reason)
{
    if (source.hasError()) {
        throw ReadError(reason);
    }
}

}
