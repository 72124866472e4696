#include "gui/toolkit/ComponentGroup.h"

#include "gui/toolkit/Component.h"

namespace kestrel
{

void ComponentGroup::setVisible(bool visible)
{
    for (Component* member : members) {
        member->setVisible(visible);
    }
}

}
