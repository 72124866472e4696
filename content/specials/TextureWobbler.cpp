#include "content/specials/TextureWobbler.h"

#include "base/DataDest.h"
#include "scene/core/TaggedBlock.h"
#include "scene/graph/Branch.h"
#include "scene/graph/GroupBranch.h"

namespace pelican_specials
{

namespace
{

enum WobblerTag : std::uint32_t
{
    scrollTag = 1,
    wobbleTag = 2,
    branchTag = 3,
};

}

heron::Streamable* TextureWobbler::create()
{
    return new TextureWobbler;
}

TextureWobbler::TextureWobbler(finch::Branch* branch, float uScroll, float vScroll, float frequency, float amplitude)
    : m_branch(branch), m_uScroll(uScroll), m_vScroll(vScroll), m_frequency(frequency), m_amplitude(amplitude)
{
}

bool TextureWobbler::preTraverse(finch::Traverser&, finch::Branch& branch)
{
    branch.scheduleCallbackRemoval();
    return true;
}

void TextureWobbler::afterLoad()
{
    for (finch::Branch* branch = m_branch; branch != nullptr; branch = branch->parent()) {
        if (auto* const dest = dynamic_cast<WobbleParamsDest*>(branch->traversalCallback().get())) {
            dest->setWobbleParams(m_uScroll, m_vScroll, m_frequency, m_amplitude);
            return;
        }
    }
}

void TextureWobbler::read(heron::DataSource& source)
{
    TraversalCallback::read(source);
    finch::readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case scrollTag:
            finch::readFiniteFloat(source, m_uScroll, "TextureWobbler");
            finch::readFiniteFloat(source, m_vScroll, "TextureWobbler");
            break;
        case wobbleTag:
            finch::readFiniteFloat(source, m_frequency, "TextureWobbler");
            finch::readFiniteFloat(source, m_amplitude, "TextureWobbler");
            break;
        case branchTag: finch::readBorrowedRef(source, m_branch); break;
        default: break;
        }
    });
}

void TextureWobbler::write(heron::DataDest& dest) const
{
    TraversalCallback::write(dest);
    dest.writeTag(scrollTag);
    finch::writeFloat(dest, m_uScroll);
    finch::writeFloat(dest, m_vScroll);
    dest.writeTag(wobbleTag);
    finch::writeFloat(dest, m_frequency);
    finch::writeFloat(dest, m_amplitude);
    dest.writeTag(branchTag).writeObjectRef(m_branch);
    dest.writeTag(0);
}

}
