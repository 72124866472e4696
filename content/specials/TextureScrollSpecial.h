#pragma once

#include "scene/graph/TraversalCallback.h"
#include "scene/render/RenderAccumulator.h"

namespace pelican_specials
{

// Scrolls the textures of its group: each drawn frame moves the offsets by speed x frame time,
// kept to (-1, 1), and draws the group in the ordered list between a setter of the texture
// offset and one that clears it. A special whose speeds did not both parse stays off.
class TextureScrollSpecial : public finch::TraversalCallback
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::TextureScrollSpecial";
    [[nodiscard]] static heron::Streamable* create();

    class OffsetSetter : public finch::Renderable
    {
    public:
        void set(float u, float v);
        void render(kestrel::ImageBody& target) override;
        float u() const { return m_u; }
        float v() const { return m_v; }

    private:
        float m_u = 0.0f;
        float m_v = 0.0f;
    };

    TextureScrollSpecial() = default;
    TextureScrollSpecial(float uSpeed, float vSpeed);

    bool isOn() const { return m_on; }
    float uOffset() const { return m_uOffset; }
    float vOffset() const { return m_vOffset; }

    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override;
    void postTraverse(finch::Traverser& traverser, finch::Branch& branch) override;
    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void write(heron::DataDest& dest) const override;

private:
    OffsetSetter m_before;
    OffsetSetter m_after;
    bool m_on = false;
    bool m_active = false;
    float m_uOffset = 0.0f;
    float m_vOffset = 0.0f;
    float m_uSpeed = 0.0f;
    float m_vSpeed = 0.0f;
};

}
