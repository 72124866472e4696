#include "content/specials/DetailRegenerator.h"

#include "base/DataDest.h"
#include "base/Debug.h"
#include "scene/core/TaggedBlock.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/graph/GroupBranch.h"

#include <set>

namespace pelican_specials
{

namespace
{

constexpr std::uint32_t valuesTag = 1;

}

heron::Streamable* DetailRegenerator::create()
{
    return new DetailRegenerator;
}

DetailRegenerator::DetailRegenerator(float scale, finch::Branch* branch,
                                     const heron::counted_ptr<finch::BunchCallbacks>& chained)
    : m_scale(scale), m_branch(branch), m_chained(chained)
{
}

void DetailRegenerator::beforeDraw(finch::GeoBunch& bunch)
{
    if (m_chained) {
        m_chained->beforeDraw(bunch);
    }
    const heron::counted_ptr<finch::texcoord_data>& base = bunch.texcoordSlot(0);
    heron::counted_ptr<finch::texcoord_data>& detail = bunch.texcoordSlot(1);
    if (!base || !detail || base->elements().size() != detail->elements().size()) {
        return;
    }
    const std::vector<finch::TexCoord>& from = base->elements();
    std::vector<finch::TexCoord>& to = detail->elements();
    for (std::size_t i = 0; i < from.size(); ++i) {
        to[i] = {from[i].s * m_scale, from[i].t * m_scale};
    }
    bunch.addFlags(finch::GeoBunch::texCoords1Changed);
}

bool DetailRegenerator::chainLeadsBack() const
{
    std::set<const finch::BunchCallbacks*> met{this};
    for (const auto* next = dynamic_cast<const DetailRegenerator*>(m_chained.get()); next != nullptr;
         next = dynamic_cast<const DetailRegenerator*>(next->m_chained.get())) {
        if (!met.insert(next).second) {
            return true;
        }
    }
    return false;
}

void DetailRegenerator::afterLoad()
{
    if (chainLeadsBack()) {
        heron::debug("DetailRegenerator - a chain of bunch hooks that leads back to itself was cut!\n");
        m_chained = heron::counted_ptr<finch::BunchCallbacks>();
    }
    for (finch::Branch* branch = m_branch; branch != nullptr; branch = branch->parent()) {
        if (auto* const parent = dynamic_cast<DetailRegeneratorParent*>(branch->traversalCallback().get())) {
            parent->setDetailScale(m_scale);
        }
    }
}

void DetailRegenerator::read(heron::DataSource& source)
{
    BunchCallbacks::read(source);
    finch::readTaggedBlock(source, [&](std::uint32_t tag) {
        if (tag == valuesTag) {
            finch::readFiniteFloat(source, m_scale, "DetailRegenerator");
            finch::readBorrowedRef(source, m_branch);
            heron::StreamReader::readCheckedRef(source, m_chained);
        }
    });
}

void DetailRegenerator::write(heron::DataDest& dest) const
{
    BunchCallbacks::write(dest);
    dest.writeTag(valuesTag);
    finch::writeFloat(dest, m_scale);
    dest.writeObjectRef(m_branch).writeObjectRef(m_chained);
    dest.writeTag(0);
}

}
