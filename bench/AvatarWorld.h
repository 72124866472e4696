#pragma once

// A world for the network benchmarks: one level with a given number of avatar zones, each with
// an object of its own, and a ring counter (rings a server sends are kept there, as in the game),
// read from a look file written to a temp folder of the process's own and removed once read. With
// a pen, the avatars are gliders waiting outside a pen of radius penRadius at the origin, the
// avatar of index i at outside(i).

#include "content/world/PelicanObject.h"
#include "game/Look.h"
#include "game/net/LookNetwork.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/SwitchBranch.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace avatarworld
{

// The objects the world's avatars stand for; they must outlive the world.
struct Objects
{
    std::vector<std::unique_ptr<finch::SwitchBranch>> switches;
    std::unique_ptr<pelican::PelicanObject> root;
};

enum class Pen
{
    none,
    gliders
};

constexpr double penRadius = 10.0;

inline finch::Vector3d outside(int index)
{
    return {2.5 * penRadius, 5.0 * index, 0.0};
}

inline heron::counted_ptr<Look> make(int count, Objects& objects, Pen pen = Pen::none)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("netload-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::string text = "Data {\n    counter \"rings\" {\n        isRing 1\n    }\n}\n";
    text += "Level \"Sea\" {\n    isStartupLevel 1\n";
    for (int i = 0; i < count; ++i) {
        text += "    Zone \"A" + std::to_string(i) + "\" {\n        isAnAvatar 1\n        radius 1\n";
        text += pen == Pen::gliders ? "        isAGravatar 1\n    }\n" : "    }\n";
    }
    if (pen == Pen::gliders) {
        text += "    Zone \"Pen\" {\n        isGravatarPen 1\n        radius " + std::to_string(penRadius) + "\n    }\n";
    }
    text += "}\n";
    std::ofstream(folder / "load.look") << text;
    heron::counted_ptr<Look> world(new Look(heron::FilePath((folder / "load.look").c_str())));
    std::filesystem::remove_all(folder);
    static finch::SwitchBranch rootSwitch;
    rootSwitch.setName("objects");
    objects.root = std::make_unique<pelican::PelicanObject>(nullptr, &rootSwitch);
    const auto& zones = world->levels().front()->zones();
    for (int i = 0; i < count; ++i) {
        objects.switches.push_back(std::make_unique<finch::SwitchBranch>());
        objects.switches.back()->setName(("avatar" + std::to_string(i)).c_str());
        std::unique_ptr<finch::Branch> placement = std::make_unique<finch::InstanceBranch>();
        objects.switches.back()->addChild(placement);
        zones[std::size_t(i)]->object =
            objects.root->addChild(std::make_unique<pelican::PelicanObject>(nullptr, objects.switches.back().get()));
        if (pen == Pen::gliders) {
            finch::Matrix home;
            home.setTranslation(outside(i));
            zones[std::size_t(i)]->object->setTransform(home);
        }
    }
    world->avatars().buildAvatarSlots(*world);
    return world;
}

// Makes the world serve on a port the system chooses, and starts its server.
inline void serve(Look& world)
{
    world.network().setServing(true);
    world.network().setServerPort(0);
    world.network().updateNetwork();
}

}
