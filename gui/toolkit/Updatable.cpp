#include "gui/toolkit/Updatable.h"

#include <algorithm>
#include <vector>

namespace kestrel
{

namespace
{

// Entries stopped while a pass runs become null and are swept out when the pass ends, so no
// pass ever touches a removed (possibly deleted) updatable.
std::vector<Updatable*>& updateList()
{
    static std::vector<Updatable*> list;
    return list;
}

int passDepth = 0;

void sweep()
{
    std::vector<Updatable*>& list = updateList();
    list.erase(std::remove(list.begin(), list.end(), nullptr), list.end());
}

}

Updatable::~Updatable()
{
    stopUpdating(this);
}

void Updatable::startUpdating(Updatable* updatable)
{
    std::vector<Updatable*>& list = updateList();
    if (updatable && std::find(list.begin(), list.end(), updatable) == list.end()) {
        list.push_back(updatable);
    }
}

void Updatable::stopUpdating(Updatable* updatable)
{
    std::vector<Updatable*>& list = updateList();
    if (passDepth > 0) {
        std::replace(list.begin(), list.end(), updatable, static_cast<Updatable*>(nullptr));
        return;
    }
    list.erase(std::remove(list.begin(), list.end(), updatable), list.end());
}

bool runUpdatables()
{
    std::vector<Updatable*>& list = updateList();
    bool busy = false;
    ++passDepth;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (Updatable* updatable = list[i]) {
            busy = updatable->update() || busy;
        }
    }
    if (--passDepth == 0) {
        sweep();
    }
    return busy;
}

}
