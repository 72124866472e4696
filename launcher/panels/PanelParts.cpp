#include "launcher/panels/PanelParts.h"

#include "gui/widgets/Button.h"
#include "gui/widgets/Checkbox.h"
#include "gui/widgets/ColumnLayout.h"
#include "gui/widgets/TileLayout.h"

namespace game_launcher
{

namespace
{

kestrel::Container* laidOut(kestrel::RowLayout* layout, int gap)
{
    auto* container = new kestrel::Container;
    layout->setMainAlignment(kestrel::RowLayout::alignMiddle);
    layout->setGap(gap);
    container->setLayout(layout);
    return container;
}

}

kestrel::Component* label(const char* text)
{
    auto* component = new kestrel::Component;
    component->setText(text);
    return component;
}

namespace
{

template <typename Control>
Control* control(const char* text, kestrel::MessageDest* listener, std::uint32_t commandId)
{
    auto* made = new Control;
    made->setText(text);
    made->setActionListener(listener, commandId);
    return made;
}

}

kestrel::Button* button(const char* text, kestrel::MessageDest* listener, std::uint32_t commandId)
{
    return control<kestrel::Button>(text, listener, commandId);
}

kestrel::Checkbox* checkbox(const char* text, kestrel::MessageDest* listener, std::uint32_t commandId)
{
    return control<kestrel::Checkbox>(text, listener, commandId);
}

kestrel::Container* tileGrid(int horizontal, int vertical)
{
    auto* container = new kestrel::Container;
    auto* layout = new kestrel::TileLayout;
    layout->setSpacing(horizontal, vertical);
    container->setLayout(layout);
    return container;
}

kestrel::Container* centredRow(int gap)
{
    auto* layout = new kestrel::RowLayout;
    layout->setCrossAlignment(kestrel::RowLayout::alignMiddle);
    return laidOut(layout, gap);
}

kestrel::Container* centredColumn(int gap)
{
    return laidOut(new kestrel::ColumnLayout, gap);
}

}
