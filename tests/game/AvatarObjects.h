#pragma once

#include "content/world/PelicanObject.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/SwitchBranch.h"
#include "support/WorldBuilders.h"

#include <array>
#include <memory>
#include <string>

// The scene objects a world's avatar zones stand for, named "/objects/ann$0" (at the origin) and
// "/objects/bob$0" (at x = bobX), or after the names given in their place.
class AvatarObjects
{
public:
    explicit AvatarObjects(double bobX = 50.0, const std::array<std::string, 2>& names = {"ann", "bob"})
    {
        m_rootSwitch.setName("objects");
        m_root = std::make_unique<pelican::PelicanObject>(nullptr, &m_rootSwitch);
        for (std::size_t i = 0; i < m_switches.size(); ++i) {
            m_switches[i].setName(names[i].c_str());
            worldtest::add(m_switches[i], std::make_unique<finch::InstanceBranch>());
            objects[i] = m_root->addChild(std::make_unique<pelican::PelicanObject>(nullptr, &m_switches[i]));
        }
        finch::Matrix away;
        away.setTranslation({bobX, 0.0, 0.0});
        objects[1]->setTransform(away);
    }

    std::array<pelican::PelicanObject*, 2> objects{};

private:
    finch::SwitchBranch m_rootSwitch;
    std::array<finch::SwitchBranch, 2> m_switches;
    std::unique_ptr<pelican::PelicanObject> m_root;
};
