#pragma once

#include "gui/widgets/GuiRenderer.h"

namespace kestrel
{

// The renderer that would paint parts in the desktop's visual theme. This desktop offers no
// theme engine to draw through, so it answers that themes are unavailable and every part it is
// asked for is painted the classic way. Main thread only.
class ThemedRenderer : public GuiRenderer
{
public:
    // The one instance, made on first use and kept to the end of the program.
    static ThemedRenderer& instance();

    // Whether visual themes can be drawn (window creation and the renderer choice ask).
    bool isAvailable() const { return m_available; }

private:
    ThemedRenderer() = default;

    const bool m_available = false;
};

}
