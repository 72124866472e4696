#include "gui/widgets/Spacer.h"

#include <algorithm>

namespace kestrel
{

void Spacer::getPreferredSize(int& width, int& height)
{
    width = std::max(m_width, 1);
    height = std::max(m_height, 1);
}

}
