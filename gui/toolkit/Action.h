#pragma once

#include "gui/paint/Image.h"

#include <cstdint>

namespace kestrel
{

// A command described once (label with its mnemonic, icon, tooltip, command id) so that menu
// items and buttons built from it look and behave alike.
class Action
{
public:
    virtual ~Action() = default;
    // '!' marks the mnemonic.
    virtual const char* label() { return ""; }
    virtual Image icon() { return Image(); }
    virtual const char* tooltip() { return ""; }
    virtual int commandId() { return -1; }
    virtual std::uint32_t tooltipKind() { return 0; }
    virtual int value() { return -1; }
};

}
