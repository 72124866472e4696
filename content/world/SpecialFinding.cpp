#include "content/world/SpecialFinding.h"

namespace pelican
{

namespace
{

class FindsNothing : public SpecialFinding
{
public:
    void run(PelicanDB&) override {}
};

FindsNothing nothingFinder;
SpecialFinding* installedFinder = &nothingFinder;

}

SpecialFinding& specialFinder()
{
    return *installedFinder;
}

void setSpecialFinder(SpecialFinding* finder)
{
    installedFinder = finder != nullptr ? finder : &nothingFinder;
}

}
