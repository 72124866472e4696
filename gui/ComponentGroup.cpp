#include "gui/ComponentGroup.h"

#include "gui/Component.h"

namespace kestrel
{

void ComponentGroup::setVisible(bool visible)
{
    for (Component* member : members) {
        member->setVisible(visible);
    }
}

}
