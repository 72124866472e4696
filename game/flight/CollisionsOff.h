#pragma once

#include "content/world/PelicanObject.h"

// Keeps an object (none: nothing) out of collision tests while it lives, by its branch value.
class CollisionsOff
{
public:
    explicit CollisionsOff(pelican::PelicanObject* object)
        : m_object(object), m_saved(object != nullptr ? object->branchValue() : 0)
    {
        if (m_object != nullptr) {
            m_object->setBranchValue(noCollisions);
        }
    }
    ~CollisionsOff()
    {
        if (m_object != nullptr) {
            m_object->setBranchValue(m_saved);
        }
    }
    CollisionsOff(const CollisionsOff&) = delete;
    CollisionsOff& operator=(const CollisionsOff&) = delete;

private:
    // The branch value that tells the collision tests to pass an object by.
    static constexpr int noCollisions = 1;

    pelican::PelicanObject* m_object;
    int m_saved;
};
