#pragma once

#include <cstddef>
#include <cstdint>

// Caps on what readers of outside bytes may decode: every size, count and length a file, stream
// or packet states is checked against one of these before anything is allocated for it. Each
// says what it protects. Limits of what a widget displays stay beside the widget.
namespace heron::limits
{

// Images

// Sounds

// Data files, packed files and stored streams

// Scenes

// Texts and documents

}
