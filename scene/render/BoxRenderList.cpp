#include "scene/render/BoxRenderList.h"

#include "gui/gl/GLstate.h"
#include "scene/math/Matrix.h"
#include "scene/render/Material.h"

namespace finch
{

void BoxRenderList::addBox(const Matrix* matrix, std::uint32_t colour, const BoundingBox& box)
{
    m_boxes.push_back(Box{matrix, colour, box});
}

void BoxRenderList::addFrustum(std::uint32_t colour, const Frustum& frustum)
{
    m_frusta.push_back(FrustumEntry{colour, frustum});
}

void BoxRenderList::render(kestrel::ImageBody& target)
{
    kestrel::pushMatrix();
    Material::defaultMaterial()->apply();
    for (const Box& box : m_boxes) {
        (box.matrix ? *box.matrix : Matrix()).loadGL();
        kestrel::color4ub(box.colour);
        box.box.draw();
    }
    m_boxes.clear();
    for (const FrustumEntry& entry : m_frusta) {
        kestrel::loadIdentity();
        kestrel::color4ub(entry.colour);
        entry.frustum.draw();
    }
    m_frusta.clear();
    kestrel::popMatrix();
    m_suppressed = false;
}

}
