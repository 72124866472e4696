#pragma once

#include "gui/paint/Image.h"

namespace kestrel
{

// The pictures of the standard commands, drawn into the program.
enum class StandardIcon
{
    None,
    Cut,
    Copy,
    Paste,
    Undo,
    Redo,
    Delete,
    New,
    Open,
    Save,
};

// A new 16 x 16 picture of the command with a transparent background; empty for None.
Image standardIcon(StandardIcon icon);

}
