#pragma once

#include "base/counted_ptr.h"

namespace heron
{
class FilePath;
}

namespace finch
{

class Database;

// Loads the model files that external references name. The content layer installs its own at
// start-up; the engine never owns it.
class FinchDatabaseReader
{
public:
    virtual ~FinchDatabaseReader();
    // The database read from the model file at path, shared with the caller; empty when it
    // cannot be read.
    [[nodiscard]] virtual heron::counted_ptr<Database> load(const heron::FilePath& path) = 0;
};

// The reader in force (null at first); the engine does not own it.
void setDatabaseReader(FinchDatabaseReader* reader);
FinchDatabaseReader* getDatabaseReader();

// Polygon records come from pooled blocks once this is on; there is no way back. The main routine
// turns it on at start-up.
void enableGeometryPool();
bool geometryPoolEnabled();

}
