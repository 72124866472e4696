#pragma once

#include "scene/math/BoundingBox.h"
#include "scene/render/Frustum.h"
#include "scene/render/RenderAccumulator.h"

#include <cstdint>
#include <vector>

namespace finch
{

class Matrix;

// Debug boxes and frusta drawn with a frame; drawing empties the lists and clears the suppress
// flag. Colours are packed bytes R, G, B, A in memory order. Main thread only.
class BoxRenderList : public Renderable
{
public:
    // The box under the matrix (null: the identity), which must live until the frame is drawn.
    void addBox(const Matrix* matrix, std::uint32_t colour, const BoundingBox& box);
    void addFrustum(std::uint32_t colour, const Frustum& frustum);
    // While set, the traverser's start does not queue the list.
    void setSuppressed(bool suppressed) { m_suppressed = suppressed; }
    bool isSuppressed() const { return m_suppressed; }
    bool isEmpty() const { return m_boxes.empty() && m_frusta.empty(); }

    using Renderable::render;
    void render(kestrel::ImageBody& target) override;

private:
    struct Box
    {
        const Matrix* matrix;
        std::uint32_t colour;
        BoundingBox box;
    };
    struct FrustumEntry
    {
        std::uint32_t colour;
        Frustum frustum;
    };

    bool m_suppressed = false;
    std::vector<Box> m_boxes;
    std::vector<FrustumEntry> m_frusta;
};

}
