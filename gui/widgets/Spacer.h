#pragma once

#include "gui/toolkit/Component.h"

namespace kestrel
{

// An invisible component that only takes room.
class Spacer : public Component
{
public:
    Spacer(int width, int height) : m_width(width), m_height(height) {}

    // At least 1 x 1.
    void getPreferredSize(int& width, int& height) override;
    void draw(Graphics&) override {}

private:
    int m_width;
    int m_height;
};

}
