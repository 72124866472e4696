#pragma once

#include "gui/toolkit/Container.h"

#include <vector>

namespace testing_gui
{

// The components of type T in the container's tree, depth first, in the order added.
template <typename T>
std::vector<T*> findAll(kestrel::Container& container)
{
    std::vector<T*> found;
    for (const auto& child : container.getChildren()) {
        if (auto* match = dynamic_cast<T*>(child.get())) {
            found.push_back(match);
        }
        if (child->asContainer()) {
            const std::vector<T*> inner = findAll<T>(*child->asContainer());
            found.insert(found.end(), inner.begin(), inner.end());
        }
    }
    return found;
}

}
