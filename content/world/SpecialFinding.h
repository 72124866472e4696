#pragma once

namespace heron
{
class DataSource;
}

namespace pelican
{

class PelicanDB;

// Turns the special-effect texts on a database's branches into the specials they name. The
// database's preparation runs it twice; the specials library installs the real one, and until
// then a finder that finds nothing stands in. Main thread only.
class SpecialFinding
{
public:
    virtual ~SpecialFinding() = default;
    virtual void run(PelicanDB& database) = 0;
    // Makes a content database's stream reader know the stored specials.
    virtual void registerFactories(heron::DataSource& source) {}
};

// The finder in use (never null).
SpecialFinding& specialFinder();
// Installs a finder; null puts back the one that finds nothing.
void setSpecialFinder(SpecialFinding* finder);

}
