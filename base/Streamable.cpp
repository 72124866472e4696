#include "base/Streamable.h"

namespace heron
{

Streamable::~Streamable() = default;

void Streamable::registerFactories(DataSource&)
{
}

void Streamable::afterLoad()
{
}

}
