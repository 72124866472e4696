#pragma once

#include "support/TempLog.h"

// The debug log captured for the lifetime of the object: text(), contains() and count().
using LogCapture = TempLog;
