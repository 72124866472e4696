#include "scene/core/EngineSwitches.h"

namespace finch
{

namespace
{

FinchDatabaseReader* databaseReader = nullptr;
bool geometryPool = false;

}

FinchDatabaseReader::~FinchDatabaseReader() = default;

void setDatabaseReader(FinchDatabaseReader* reader)
{
    databaseReader = reader;
}

FinchDatabaseReader* getDatabaseReader()
{
    return databaseReader;
}

void enableGeometryPool()
{
    geometryPool = true;
}

bool geometryPoolEnabled()
{
    return geometryPool;
}

}
