#include "gui/widgets/html/DocumentChunk.h"

#include "base/Debug.h"
#include "gui/paint/Graphics.h"

#include <algorithm>

namespace kestrel
{

int LayoutContext::overhang() const
{
    int lowest = 0;
    for (const std::vector<ActiveFloat>* side : {&leftFloats, &rightFloats}) {
        for (const ActiveFloat& active : *side) {
            lowest = std::max(lowest, active.remaining);
        }
    }
    return lowest;
}

void LayoutContext::passFloats(int distance)
{
    shrinkFloats(leftFloats, leftIndent, distance);
    shrinkFloats(rightFloats, rightIndent, distance);
}

void shrinkFloats(std::vector<ActiveFloat>& floats, int& indent, int distance)
{
    for (ActiveFloat& active : floats) {
        active.remaining -= distance;
    }
    while (!floats.empty() && floats.back().remaining < 0) {
        floats.pop_back();
    }
    indent = floats.empty() ? 0 : floats.back().indent;
}

namespace
{

// The part of the page a child's content covers: its rectangle, lengthened downwards to the
// chunk's extent, so that a float hanging below its paragraph is repainted and hit.
Rect reach(const DocumentChunk& chunk, const Rect& area)
{
    const int extent = std::max(area.height, chunk.extent());
    return Rect{area.x, area.y + area.height - extent, area.width, extent};
}

}

void ChunkListFuncs::paint(Graphics& graphics, const HTMLInfo& info, const Rect& r)
{
    visitChildren(
        [&](DocumentChunk& chunk, const Rect& area) {
            if (graphics.clipRect().intersects(reach(chunk, area))) {
                chunk.paint(graphics, info, area);
            }
            return true;
        },
        r);
}

bool ChunkListFuncs::findGlyph(GlyphHit& hit, const Rect& r, int x, int y)
{
    bool ended = false;
    visitChildren(
        [&](DocumentChunk& chunk, const Rect& area) {
            if (reach(chunk, area).contains(x, y)) {
                ended = chunk.findGlyph(hit, area, x, y);
            }
            return !ended;
        },
        r);
    return ended;
}

// A float that reaches below the last chunk makes the list as tall as the float.
void DocumentChunkList::layout(LayoutContext& context)
{
    m_height = 0;
    for (const auto& chunk : m_chunks) {
        chunk->layout(context);
        m_height += chunk->height();
    }
    m_height += context.overhang();
}

void DocumentChunkList::computeWidths()
{
    m_minWidth = 0;
    m_maxWidth = 0;
    for (const auto& chunk : m_chunks) {
        chunk->computeWidths();
        m_minWidth = std::max(m_minWidth, chunk->minWidth());
        m_maxWidth = std::max(m_maxWidth, chunk->maxWidth());
    }
}

void DocumentChunkList::visitChildren(const ChunkVisitor& visitor, const Rect& r)
{
    int top = r.y + r.height;
    for (const auto& chunk : m_chunks) {
        const int height = chunk->height();
        if (!visitor(*chunk, Rect{r.x, top - height, r.width, height})) {
            return;
        }
        top -= height;
    }
}

void DocumentChunkList::dump() const
{
    if (m_chunks.empty()) {
        heron::debug("<empty>");
        return;
    }
    m_chunks.front()->dump();
}

}
