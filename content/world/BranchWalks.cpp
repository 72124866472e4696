#include "content/world/BranchWalks.h"

#include "scene/graph/ExrefBranch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/Object.h"

namespace pelican
{

namespace
{

class InstanceCollector : public finch::BranchProcessor
{
public:
    bool process(finch::Branch& branch) override
    {
        if (auto* const instance = dynamic_cast<finch::InstanceBranch*>(&branch)) {
            instances.push_back(instance);
        }
        return true;
    }
    std::vector<finch::InstanceBranch*> instances;
};

}

finch::Database* referencedDatabase(const finch::Object& object)
{
    const auto* const exref = dynamic_cast<const finch::ExrefBranch*>(object.root());
    return exref != nullptr ? exref->database().get() : nullptr;
}

std::vector<finch::InstanceBranch*> instancesUnder(finch::Object& object)
{
    InstanceCollector collector;
    object.process(collector);
    return std::move(collector.instances);
}

}
