#include "gui/toolkit/AppWindow.h"

#include "gui/toolkit/Event.h"
#include "gui/toolkit/ProgramEntry.h"

namespace kestrel
{

void AppWindow::idle()
{
    idleSleep();
}

void AppWindow::run()
{
    create();
    afterCreate();
    paintDirtyWindows();
    afterFirstPaint();
    runEventLoop(this);
}

}
