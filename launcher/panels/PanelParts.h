#pragma once

#include "gui/toolkit/Component.h"
#include "gui/toolkit/Container.h"

#include <cstdint>

namespace kestrel
{
class Button;
class Checkbox;
}

// Small builders the launcher's panels share.
namespace game_launcher
{

// A plain component that shows the text.
kestrel::Component* label(const char* text);

kestrel::Button* button(const char* text, kestrel::MessageDest* listener, std::uint32_t commandId);
kestrel::Checkbox* checkbox(const char* text, kestrel::MessageDest* listener, std::uint32_t commandId);

// An empty container whose children take the cells of a grid with the spacing.
kestrel::Container* tileGrid(int horizontal, int vertical);

// An empty container whose children stand in a row with the gap, centred both ways.
kestrel::Container* centredRow(int gap);

// An empty container whose children stand in a column with the gap, centred across.
kestrel::Container* centredColumn(int gap);

}
