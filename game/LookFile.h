#pragma once

#include "content/DataFileName.h"

class Look;

// Reads a look file - the text that describes the whole world: its content database, counters and
// rings, shared media, and every level with its zones - into world. Lines whose first word is no
// keyword of their block are comments; numbers that do not parse store 0, and so do numbers out of
// range and integers that run on into other characters (logged with their line); the end of the
// file closes the blocks still open; form feeds and vertical tabs are blanks; a run of end-of-file
// marks or NUL bytes that ends the file is no part of it. What is unusual is logged. A missing
// content database ends the reading with a log line and its reason; what was read stays. False
// when the file could not be opened, the reading ended so, or it gave no level. Main thread only.
[[nodiscard]] bool readLookFile(Look& world, pelican::DataFileName& record);
