#pragma once

namespace plat
{

// Once the connection to the X display is lost, nothing can be drawn or read any more, and the
// program's exit handlers would wait on the dead connection for ever (at full CPU): from this
// call on, losing it logs a line and ends the process at once with this status. Call after the
// video subsystem has started; later calls do nothing.
constexpr int lostDisplayStatus = 1;
void endProgramOnLostDisplay();

}
