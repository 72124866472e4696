#pragma once

#include "base/counted_ptr.h"
#include "game/net/AvatarSlot.h"
#include "game/Look.h"
#include "game/LookLogic.h"
#include "game/net/LookNetwork.h"
#include "game/Zone.h"
#include "gui/toolkit/Window.h"

// A player of the demo world in network play, its data file registered already: a world of its own
// that plays as a program plays it once looking starts, in window.
namespace demoplayer
{

// The world started: serving (on a port the system chooses) or not, as the player named.
inline heron::counted_ptr<Look> start(kestrel::Window& window, bool serving, const PlayerIdentity& identity)
{
    heron::counted_ptr<Look> world(new Look(heron::FilePath("glasstide.look")));
    world->network().setServing(serving);
    world->network().setServerPort(0);
    world->network().setIdentity(identity);
    world->logic().start(&window);
    return world;
}

// Puts the world's player two units behind the glider, where the next frame hands it over.
inline void comeUpTo(Look& world, const AvatarSlot& glider)
{
    world.logic().teleport(finch::Transform{objectPosition(glider.object()) - finch::Vector3d(0, 2, 0)});
}

}
