#pragma once

#include "content/specials/DetailRegenerator.h"
#include "content/specials/DetailTexture2Special.h"
#include "content/specials/DolphinSwimSpecial.h"
#include "content/specials/GlowSpecial.h"
#include "content/specials/LayerSpecial.h"
#include "content/specials/MyBunchProcessor.h"
#include "content/specials/PianoSpecial.h"
#include "content/specials/TextureScrollSpecial.h"
#include "content/specials/TextureWobbleSpecial.h"
#include "scene/geometry/GeometryBranch.h"
#include "tests/support/WorldBuilders.h"

// Content databases whose branches hold stored specials, for the tests and the fuzz seeds.
namespace specialbuild
{

template <class Special>
Special* put(finch::Branch& branch, Special* special)
{
    branch.setTraversalCallback(heron::counted_ptr<finch::TraversalCallback>(special));
    return special;
}

// Under the main object's root, in order: glow, layer, scroll, swim, piano (with its joint), a
// geometry branch with a wobble and detail hook, a wobble group whose child holds the stored
// wobble, and a geometry branch with a detail texture and a stored detail rewrite.
inline std::unique_ptr<pelican::PelicanDB> everySpecial()
{
    using worldtest::group;
    worldtest::World world;
    put(*group(*world.root, "glow"), new pelican_specials::GlowSpecial);
    finch::GroupBranch* const layered = group(*world.root, "layer");
    put(*layered, new pelican_specials::LayerSpecial(layered));
    put(*group(*world.root, "scroll"), new pelican_specials::TextureScrollSpecial(0.5f, -0.25f));
    put(*group(*world.root, "swim"), new pelican_specials::DolphinSwimSpecial(world.worldObject, 0.05));
    finch::GroupBranch* const rolled = group(*world.root, "piano");
    put(*rolled, new pelican_specials::PianoSpecial(*rolled, 4.0f));
    auto* const geometry = worldtest::add(*world.root, std::make_unique<finch::GeometryBranch>());
    auto* const hook = new pelican_specials::MyBunchProcessor;
    hook->setWobble(0.1f, 0.2f, 3.0f, 0.04f);
    hook->setDetail(8.0f);
    geometry->setBunchCallbacks(heron::counted_ptr<finch::BunchCallbacks>(hook));
    finch::GroupBranch* const wobbled = group(*world.root, "wobble");
    put(*wobbled, new pelican_specials::TextureWobbleSpecial);
    finch::GroupBranch* const wobbledLeaf = group(*wobbled, "leaf");
    put(*wobbledLeaf, new pelican_specials::TextureWobbler(wobbledLeaf, 0.5f, 0.25f, 2.0f, 0.1f));
    auto* const detailed = worldtest::add(*world.root, std::make_unique<finch::GeometryBranch>());
    put(*detailed, new pelican_specials::DetailTexture2Special);
    detailed->setBunchCallbacks(heron::counted_ptr<finch::BunchCallbacks>(new pelican_specials::DetailRegenerator(
        3.0f, detailed, heron::counted_ptr<finch::BunchCallbacks>(new pelican_specials::MyBunchProcessor))));
    return std::move(world.db);
}

}
