#include "gui/toolkit/ToolkitServices.h"

namespace kestrel
{

ToolkitServices& toolkitServices()
{
    static ToolkitServices services;
    return services;
}

void hideTooltip()
{
    if (toolkitServices().hideTooltip) {
        toolkitServices().hideTooltip();
    }
}

}
