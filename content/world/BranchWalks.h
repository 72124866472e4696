#pragma once

#include <vector>

namespace finch
{
class Database;
class InstanceBranch;
class Object;
}

// Walks over model trees that the content database's preparation and rocks share.
namespace pelican
{

// The database an object's root shows when the root is an external reference; null otherwise.
finch::Database* referencedDatabase(const finch::Object& object);
// The instance branches of the object's tree, in walking order.
std::vector<finch::InstanceBranch*> instancesUnder(finch::Object& object);

}
