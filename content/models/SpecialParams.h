#pragma once

#include "base/heron_string.h"
#include "scene/graph/TraversalCallback.h"

namespace pelican_specials
{

// The special-effect text a model file gives a branch, kept as the branch's traversal callback
// until the special finder turns it into the specials it names. It changes nothing in traversal.
class SpecialParams : public finch::TraversalCallback
{
public:
    explicit SpecialParams(const heron_string& text) : m_text(text) {}

    const heron_string& text() const { return m_text; }

private:
    heron_string m_text;
};

}
