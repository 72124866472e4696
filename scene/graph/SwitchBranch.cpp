#include "scene/graph/SwitchBranch.h"

#include "base/DataDest.h"
#include "scene/core/TaggedBlock.h"

#include <algorithm>

namespace finch
{

namespace
{

enum SwitchTag : std::uint32_t
{
    modeTag = 1,
    onTag = 2,
    selectedTag = 3,
    parameterTag = 4,
};

}

heron::Streamable* SwitchBranch::create()
{
    return new SwitchBranch(selectOne);
}

void SwitchBranch::traverse(Traverser& traverser)
{
    if (m_mode == onOff) {
        if (m_on) {
            traverseGroup(traverser);
        }
        return;
    }
    if (m_mode != selectOne) {
        return;
    }
    const int count = childCount();
    Branch* const shown = count > 0 ? child(std::clamp(m_selected, 0, count - 1)) : nullptr;
    traverseGroup(traverser, shown, Children::OnlyGiven);
}

void SwitchBranch::read(heron::DataSource& source)
{
    GroupBranch::read(source);
    readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case modeTag: readInt32Field(source, m_mode); break;
        case onTag: readBoolField(source, m_on); break;
        case selectedTag: readInt32Field(source, m_selected); break;
        case parameterTag: source.readDouble(m_parameter); break;
        default: break;
        }
    });
}

void SwitchBranch::write(heron::DataDest& dest) const
{
    GroupBranch::write(dest);
    dest.writeTag(modeTag).writeInt32(m_mode);
    dest.writeTag(onTag).writeBool(m_on);
    dest.writeTag(selectedTag).writeInt32(m_selected);
    dest.writeTag(parameterTag).writeDouble(m_parameter);
    dest.writeTag(0);
}

}
