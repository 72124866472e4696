#include "gui/AppWindow.h"

#include "gui/Event.h"
#include "gui/ProgramEntry.h"

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
