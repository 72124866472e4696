#pragma once

#include <vector>

namespace kestrel
{

class Component;

// Components shown and hidden together (not owned).
class ComponentGroup
{
public:
    void add(Component* component) { members.push_back(component); }
    void setVisible(bool visible);

private:
    std::vector<Component*> members;
};

}
