#include "content/specials/DetailTextureSpecial.h"

#include "content/specials/SpecialTweaker.h"
#include "scene/graph/Branch.h"
#include "scene/render/Texture.h"

namespace pelican_specials
{

heron::Streamable* DetailTextureSpecial::create()
{
    return new DetailTextureSpecial;
}

DetailTextureSpecial::DetailTextureSpecial(finch::Branch& group, const heron_string& file, float scale)
{
    TexGen walk(detailTexture(file), scale);
    group.process(walk);
}

bool DetailTextureSpecial::preTraverse(finch::Traverser&, finch::Branch& branch)
{
    branch.scheduleCallbackRemoval();
    return true;
}

}
