#include "game/EngineSetup.h"

#include "gui/gl/GLstate.h"
#include "gui/widgets/html/HTMLPane.h"
#include "scene/core/EngineSwitches.h"

void setUpEngine()
{
    kestrel::setZUp(true);
    finch::enableGeometryPool();
    kestrel::useHtmlTooltips();
}
