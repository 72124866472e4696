#include "content/world/Engine.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"
#include "content/world/EngineKinds.h"
#include "content/world/RefVector.h"
#include "scene/core/Clock.h"
#include "scene/core/TaggedBlock.h"

namespace pelican
{

namespace
{

enum EngineTag : std::uint32_t
{
    nameTag = 1,
    parentTag = 2,
    identifierTag = 3,
    enabledTag = 4,
    pTag = 5,
    qTag = 6,
    childrenTag = 10,
};

template <std::size_t n>
void readDoubles(heron::DataSource& source, double (&values)[n])
{
    double read[n];
    for (double& value : read) {
        source.readDouble(value);
    }
    if (!source.hasError()) {
        std::copy(read, read + n, values);
    }
}

}

heron::Streamable* Engine::create()
{
    return new Engine;
}

Engine::~Engine()
{
    for (Engine* child : m_children) {
        delete child;
    }
}

Engine* Engine::addChild(std::unique_ptr<Engine> child)
{
    Engine* const added = child.release();
    added->m_parent = this;
    m_children.push_back(added);
    return added;
}

void Engine::start(double time)
{
    m_startTime = time;
    for (Engine* child : m_children) {
        child->start(time);
    }
}

void Engine::evaluate(EngineValue value)
{
    passOn(value);
}

void Engine::passOn(const EngineValue& value)
{
    if (!m_enabled) {
        return;
    }
    for (Engine* child : m_children) {
        child->evaluate(value);
    }
}

double Engine::elapsed() const
{
    return finch::Clock::now() - m_startTime;
}

void Engine::registerFactories(heron::DataSource& source)
{
    source.registerFactory(&LinearEngine::create)
        .registerFactory(&WaveEngine::create)
        .registerFactory(&PulseEngine::create)
        .registerFactory(&SplineEngine::create)
        .registerFactory(&OutputEngine::create);
}

void Engine::read(heron::DataSource& source)
{
    bool childrenRead = false;
    finch::readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case nameTag: source.readString(m_name); break;
        // The parent is the engine that lists this one among its children.
        case parentTag: finch::skipRef(source); break;
        case identifierTag: finch::readInt32Field(source, m_identifier); break;
        case enabledTag: finch::readBoolField(source, m_enabled); break;
        case pTag: readDoubles(source, m_p); break;
        case qTag: readDoubles(source, m_q); break;
        case childrenTag: finch::readRefList(source, m_children, childrenRead, heron::StreamReader::Hold::Keeps); break;
        default: break;
        }
    });
}

void Engine::afterLoad()
{
    finch::settleLoadedGraph();
}

void Engine::write(heron::DataDest& dest) const
{
    dest.writeTag(nameTag).writeString(m_name);
    dest.writeTag(parentTag).writeObjectRef(m_parent);
    dest.writeTag(identifierTag).writeInt32(m_identifier);
    dest.writeTag(enabledTag).writeBool(m_enabled);
    dest.writeTag(pTag);
    for (const double value : m_p) {
        dest.writeDouble(value);
    }
    dest.writeTag(qTag);
    for (const double value : m_q) {
        dest.writeDouble(value);
    }
    dest.writeTag(childrenTag);
    writeRefVector(dest, m_children);
    dest.writeTag(0);
}

void Engine::adoptLoaded(finch::LoadClaims& claims)
{
    if (claims.atDepthLimit() && !m_children.empty()) {
        claims.cutAfterSettling([this] {
            for (Engine* child : m_children) {
                delete child;
            }
            m_children.clear();
        });
    }
    std::erase_if(m_children, [&](Engine* child) {
        if (child == nullptr || !claims.claim(child, "a child engine")) {
            return true;
        }
        child->m_parent = this;
        claims.queue(*child);
        return false;
    });
}

}
