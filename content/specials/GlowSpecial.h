#pragma once

#include "scene/graph/TraversalCallback.h"
#include "scene/render/RenderAccumulator.h"

namespace pelican_specials
{

// Draws its group additively, late and without depth writes: the late list gets a setter of the
// blend function (source alpha, one) before the group and one that puts back (source alpha, one
// minus source alpha) after it. Stored as an empty block.
class GlowSpecial : public finch::TraversalCallback
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::GlowSpecial";
    [[nodiscard]] static heron::Streamable* create();

    class BlendSetter : public finch::Renderable
    {
    public:
        explicit BlendSetter(bool additive) : m_additive(additive) {}
        void render(kestrel::ImageBody& target) override;
        bool additive() const { return m_additive; }

    private:
        bool m_additive;
    };

    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override;
    void postTraverse(finch::Traverser& traverser, finch::Branch& branch) override;
    const char* className() const override { return classIdentifier; }

private:
    BlendSetter m_start{true};
    BlendSetter m_stop{false};
};

}
