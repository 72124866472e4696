#include "launcher/document/Paragraph.h"

#include "launcher/document/ParagraphInternals.h"

namespace old_document
{

Paragraph::Paragraph() : m_internals(std::make_unique<ParagraphInternals>())
{
}

Paragraph::~Paragraph() = default;

void Paragraph::append(const PlacedChar& placed)
{
    m_internals->chars.push_back(placed);
    m_internals->laidOutWidth.reset();
}

void Paragraph::setAlignment(Alignment alignment)
{
    m_internals->alignment = alignment;
}

Paragraph::Alignment Paragraph::alignment() const
{
    return m_internals->alignment;
}

const std::vector<PlacedChar>& Paragraph::chars() const
{
    return m_internals->chars;
}

const std::vector<Line>& Paragraph::lines(int width)
{
    m_internals->layout(width);
    return m_internals->lines;
}

int Paragraph::height(int width, int emptyHeight)
{
    m_internals->layout(width);
    return m_internals->lines.empty() ? emptyHeight : m_internals->height;
}

}
