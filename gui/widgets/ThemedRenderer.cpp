#include "gui/widgets/ThemedRenderer.h"

namespace kestrel
{

ThemedRenderer& ThemedRenderer::instance()
{
    static ThemedRenderer themed;
    return themed;
}

}
