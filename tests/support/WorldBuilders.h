#pragma once

#include "content/world/EngineKinds.h"
#include "content/world/PelicanDB.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/JointBranch.h"
#include "scene/graph/Object.h"
#include "tests/support/SceneBuilders.h"

#include <memory>

// Content databases built in code, for the tests and the fuzz seeds of the content database.
namespace worldtest
{

using scenebuild::add;

inline finch::GroupBranch* group(finch::GroupBranch& parent, const char* name)
{
    auto made = std::make_unique<finch::GroupBranch>();
    made->setName(name);
    return add(parent, std::move(made));
}

inline finch::InstanceBranch* instance(finch::GroupBranch& parent, const char* name, finch::Object* shown)
{
    auto made = std::make_unique<finch::InstanceBranch>();
    made->setName(name);
    made->setInstance(shown);
    return add(parent, std::move(made));
}

// A content database under construction: its main object "world" has a root group "world";
// further objects are added by name with an empty root group.
class World
{
public:
    World() : db(std::make_unique<pelican::PelicanDB>())
    {
        worldObject = object("world");
        root = static_cast<finch::GroupBranch*>(worldObject->root());
    }

    finch::Object* object(const char* name, std::unique_ptr<finch::Branch> rootBranch = nullptr)
    {
        if (!rootBranch) {
            rootBranch = std::make_unique<finch::GroupBranch>();
            rootBranch->setName(name);
        }
        auto made = std::make_unique<finch::Object>();
        finch::Object* const raw = made.get();
        made->setName(name);
        made->setRoot(rootBranch);
        std::unique_ptr<finch::Object> holder(made.release());
        db->addObject(holder);
        return raw;
    }
    finch::GroupBranch* rootOf(finch::Object* object) { return static_cast<finch::GroupBranch*>(object->root()); }

    std::unique_ptr<pelican::PelicanDB> db;
    finch::Object* worldObject = nullptr;
    finch::GroupBranch* root = nullptr;
};

// A linear engine driving a spline that moves the target from the origin to the end.
inline std::unique_ptr<pelican::LinearEngine> pathDriver(finch::InstanceBranch* target, const finch::Vector3d& end)
{
    auto driver = std::make_unique<pelican::LinearEngine>();
    auto spline = std::make_unique<pelican::SplineEngine>();
    finch::BezierSegment segment;
    segment.setControlPoint(3, end);
    spline->path().addSegment(segment);
    spline->setTarget(target);
    driver->addChild(std::move(spline));
    return driver;
}

// A world with one engine of every kind: a named root with fields set, and under it a linear
// driver over a spline that moves an instance of the "objects" group, a wave, a pulse and an
// output that moves a joint; two animation pairs.
inline std::unique_ptr<pelican::PelicanDB> everyEngine()
{
    World world;
    finch::Object* const shown = world.object("shown");
    finch::InstanceBranch* const moved = instance(*group(*world.root, "objects"), "moved", shown);
    auto* const joint = add(*world.root, std::make_unique<finch::JointBranch>());

    auto root = std::make_unique<pelican::Engine>();
    root->setName("root");
    root->setIdentifier(17);
    root->setP(4, 2.5);
    root->setQ(2, -1.0);
    std::unique_ptr<pelican::LinearEngine> linear = pathDriver(moved, {3.0, 0.0, 0.0});
    linear->setHeldValue(0.75);
    linear->setMode(pelican::LinearEngine::holds);
    root->addChild(std::move(linear));
    root->addChild(std::make_unique<pelican::WaveEngine>());
    auto pulse = std::make_unique<pelican::PulseEngine>();
    pulse->setEnabled(false);
    root->addChild(std::move(pulse));
    auto output = std::make_unique<pelican::OutputEngine>();
    output->setTarget(joint);
    output->setTranslate(1, true);
    output->setRotate(2, true);
    root->addChild(std::move(output));
    world.db->addEngine(std::move(root));
    world.db->addAnimation(shown, 2.5f);
    world.db->addAnimation(nullptr, 1.0f);
    return std::move(world.db);
}

}
