#pragma once

#include "base/Refcountable.h"
#include "base/counted_ptr.h"
#include "gui/paint/Rect.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace kestrel
{

class Graphics;
class HTMLGlyph;
class HTMLInfo;

// A float that lines flow around: the indent of its side after it, and how far it still
// reaches below the current line.
struct ActiveFloat
{
    int indent = 0;
    int remaining = 0;
};

// What chunks of one list are laid out in: the width, the alignment (1 left, 2 right,
// 3 centre, 4 justify) and the floats that reach below the chunk laid out last.
struct LayoutContext
{
    int width = 0;
    int alignment = 1;
    int leftIndent = 0;
    int rightIndent = 0;
    std::vector<ActiveFloat> leftFloats;
    std::vector<ActiveFloat> rightFloats;

    // How far the lowest float still reaches.
    int overhang() const;
    // Something as tall as the distance was laid out beside the floats: they reach that much
    // less below it.
    void passFloats(int distance);
};

// Shrinks the floats of one side by a distance; those that no longer reach below go from the
// end of the list, and the side's indent returns to the last one left (0 without any).
void shrinkFloats(std::vector<ActiveFloat>& floats, int& indent, int distance);

// The glyph under a point and its link (an index into the document's links, -1 for none).
struct GlyphHit
{
    const HTMLGlyph* glyph = nullptr;
    int link = -1;
};

// A laid-out piece of a document: a paragraph, a table or a list of chunks. Positions inside a
// chunk are relative to the top-left of the rectangle it is given, y going down negative.
class DocumentChunk : public heron::Refcountable
{
public:
    // Positions everything for the context's width; sets the height.
    virtual void layout(LayoutContext& context) = 0;
    virtual void paint(Graphics& graphics, const HTMLInfo& info, const Rect& r) = 0;
    // True when the search ends here: the point lies in some glyph's box (the hit is filled
    // when the glyph itself agrees).
    virtual bool findGlyph(GlyphHit& hit, const Rect& r, int x, int y) = 0;
    // The narrowest and widest the chunk can be laid out at.
    virtual void computeWidths() = 0;
    // Writes what the chunk holds to the debug log; by default nothing.
    virtual void dump() const {}

    int height() const { return m_height; }
    // How far below its top the chunk's content reaches: its height, or more where a float hangs
    // below its last line (and over the chunks after it).
    int extent() const { return std::max(m_height, m_extent); }
    // -1 until computed.
    int minWidth() const { return m_minWidth; }
    int maxWidth() const { return m_maxWidth; }

protected:
    int m_height = 0;
    int m_extent = 0;
    int m_minWidth = -1;
    int m_maxWidth = -1;
};

// A chunk made of chunks, painted and searched by visiting each child in its rectangle.
class ChunkListFuncs : public DocumentChunk
{
public:
    // Called with each child and its rectangle; false stops the visit.
    using ChunkVisitor = std::function<bool(DocumentChunk& chunk, const Rect& r)>;

    virtual void visitChildren(const ChunkVisitor& visitor, const Rect& r) = 0;
    // Paints the children whose rectangles meet the clip.
    void paint(Graphics& graphics, const HTMLInfo& info, const Rect& r) override;
    // Searches the children whose rectangles hold the point.
    bool findGlyph(GlyphHit& hit, const Rect& r, int x, int y) override;

protected:
    std::vector<heron::counted_ptr<DocumentChunk>> m_chunks;
};

// Chunks stacked from the top down: the document itself and the content of each table cell.
class DocumentChunkList : public ChunkListFuncs
{
public:
    void add(const heron::counted_ptr<DocumentChunk>& chunk) { m_chunks.push_back(chunk); }
    bool empty() const { return m_chunks.empty(); }
    const std::vector<heron::counted_ptr<DocumentChunk>>& chunks() const { return m_chunks; }

    // Each child at the width in turn; the height is theirs together and what the floats of the
    // last reach below it.
    void layout(LayoutContext& context) override;
    void computeWidths() override;
    void visitChildren(const ChunkVisitor& visitor, const Rect& r) override;
    // The first chunk's dump, or "<empty>".
    void dump() const override;
};

}
