#pragma once

#include "content/DataFileName.h"

class Look;

// Reads a look file - the text that describes the whole world: its content database, counters and
// rings, shared media, and every level with its zones - into world. Lines whose first word is no
// keyword of their block are ignored; numbers that do not parse store 0. A missing content
// database, a file that ends inside a block (cut short) or control bytes in its text (damaged) end
// the reading with a log line and its reason; what was read stays. False when the file could not be
// opened or the reading ended so. Main thread only.
[[nodiscard]] bool readLookFile(Look& world, pelican::DataFileName& record);
