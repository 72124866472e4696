#include "base/DataSource.h"
#include "base/Limits.h"
#include "base/ReadError.h"
#include "content/models/QuillReader.h"
#include "content/world/EngineKinds.h"
#include "content/world/PelicanDB.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/JointBranch.h"
#include "scene/graph/Object.h"
#include "scene/math/BezierPath.h"

#include <algorithm>

namespace pelican
{

namespace
{

using heron::ReadError;

constexpr const char* engineMessage = "QuillReader: Bad engine data";

// The engine an engine-creating tag makes; null for any other tag.
std::unique_ptr<Engine> makeEngine(std::int32_t tag)
{
    switch (tag) {
    case 110:
    case 150:
    case 151:
    case 152:
    case 154:
    case 155:
    case 157:
    case 158:
    case 159:
    case 161: return std::make_unique<Engine>();
    case 153: return std::make_unique<WaveEngine>();
    case 156: return std::make_unique<SplineEngine>();
    case 160: return std::make_unique<OutputEngine>();
    case 162: return std::make_unique<LinearEngine>();
    case 165: return std::make_unique<PulseEngine>();
    default: return nullptr;
    }
}

// Tags of records the reader reads past: an int32, one byte.
bool isIgnoredInt32(std::int32_t tag)
{
    return tag == 197 || (tag >= 208 && tag <= 225) || (tag >= 227 && tag <= 235);
}

bool isIgnoredByte(std::int32_t tag)
{
    return tag == 105 || tag == 143 || tag == 177 || tag == 178 || tag == 179 || tag == 207;
}

// The OutputEngine's six axis flags in the file's order: translations along x, y, z, then
// rotations about them.
void setAxisFlag(OutputEngine& engine, int flag, bool on)
{
    if (flag < 3) {
        engine.setTranslate(flag, on);
    } else {
        engine.setRotate(flag - 3, on);
    }
}

// Walks an object's branches in order to the one of the wanted index and makes it the engine's
// target when its kind fits the engine's.
class EngineConnector : public finch::BranchProcessor
{
public:
    EngineConnector(Engine& engine, const std::map<finch::Branch*, std::int32_t>& indexes, std::int32_t wanted)
        : m_engine(engine), m_indexes(indexes), m_wanted(wanted)
    {
    }

    bool process(finch::Branch& branch) override
    {
        const auto index = m_indexes.find(&branch);
        if (index == m_indexes.end()) {
            throw ReadError("Quill reader - branch not found");
        }
        if (index->second != m_wanted) {
            return true;
        }
        auto* const output = dynamic_cast<OutputEngine*>(&m_engine);
        auto* const joint = dynamic_cast<finch::JointBranch*>(&branch);
        auto* const spline = dynamic_cast<SplineEngine*>(&m_engine);
        auto* const instance = dynamic_cast<finch::InstanceBranch*>(&branch);
        if (output != nullptr && joint != nullptr) {
            output->setTarget(joint);
            target = &branch;
        } else if (spline != nullptr && instance != nullptr) {
            spline->setTarget(instance);
            target = &branch;
        }
        return false;
    }

    finch::Branch* target = nullptr;

private:
    Engine& m_engine;
    const std::map<finch::Branch*, std::int32_t>& m_indexes;
    const std::int32_t m_wanted;
};

}

// The working state of one engines record: the engines made without a parent are held here
// until the record ends.
struct QuillReader::Engines
{
    explicit Engines(finch::Object& driven) : object(driven) {}

    finch::Object& object;
    Engine* current = nullptr;
    Engine* parent = nullptr;
    std::vector<std::unique_ptr<Engine>> roots;
    int depth = 0;
};

void QuillReader::readEngines(finch::Object& object)
{
    Engines state(object);
    for (;;) {
        const std::int32_t tag = readRecordTag();
        if (tag == 141) {
            requireNesting(++state.depth);
            state.parent = state.current;
        } else if (tag == 142) {
            if (state.parent == nullptr) {
                endEngines(state);
                return;
            }
            --state.depth;
            state.current = state.parent;
            state.parent = state.parent->parent();
        } else if (std::unique_ptr<Engine> engine = makeEngine(tag)) {
            addEngine(state, std::move(engine));
        } else {
            readEngineRecord(state, tag);
        }
    }
}

void QuillReader::addEngine(Engines& state, std::unique_ptr<Engine> engine)
{
    if (state.parent != nullptr) {
        state.current = state.parent->addChild(std::move(engine));
        return;
    }
    state.current = engine.get();
    state.roots.push_back(std::move(engine));
}

void QuillReader::endEngines(Engines& state)
{
    // The root ending the record is kept when it drives something; every other engine made
    // without a parent goes.
    for (std::unique_ptr<Engine>& root : state.roots) {
        if (root.get() == state.current && !root->children().empty()) {
            m_database->addEngine(std::move(root));
        }
    }
    std::erase_if(m_engineTargets, [&](const std::pair<Engine*, finch::Branch*>& connection) {
        return std::any_of(state.roots.begin(), state.roots.end(),
                           [&](const std::unique_ptr<Engine>& root) { return root.get() == connection.first; });
    });
}

void QuillReader::readEngineRecord(Engines& state, std::int32_t tag)
{
    switch (tag) {
    case 140: readString(); return;
    case 67:
    case 137:
    case 138: skipChunk("Bad file"); return;
    default: break;
    }
    if (isIgnoredInt32(tag)) {
        readInt32();
    } else if (isIgnoredByte(tag)) {
        readByte();
    } else if (state.current != nullptr && tag == 144) {
        connectEngine(state.object, *state.current, readInt32());
    } else if (state.current == nullptr || !readEngineValue(*state.current, tag)) {
        dumpUnknown();
        throw ReadError(engineMessage);
    }
}

bool QuillReader::readEngineValue(Engine& engine, std::int32_t tag)
{
    auto* const output = dynamic_cast<OutputEngine*>(&engine);
    auto* const spline = dynamic_cast<SplineEngine*>(&engine);
    switch (tag) {
    case 135: engine.setIdentifier(readInt32()); return true;
    case 183: engine.setP(0, readValue()); return true;
    case 182: engine.setP(1, readValue()); return true;
    case 196: engine.setP(2, readValue()); return true;
    case 180: engine.setP(3, readValue()); return true;
    case 181: engine.setP(4, readValue()); return true;
    case 174: engine.setQ(0, readValue()); return true;
    case 175: engine.setQ(1, readValue()); return true;
    case 176: engine.setQ(2, readValue()); return true;
    case 184:
    case 185:
    case 186:
    case 188:
    case 189: {
        const bool on = readByte() != 0;
        if (output != nullptr) {
            setAxisFlag(*output, tag - 184, on);
        }
        return true;
    }
    case 187: {
        const std::uint8_t byte = readByte();
        if (output != nullptr) {
            setAxisFlag(*output, 3, byte != 0);
        } else if (spline != nullptr) {
            // The editor stores the flag inverted.
            spline->setOrient(byte == 0);
        }
        return true;
    }
    case 190:
        if (spline == nullptr) {
            throw ReadError("QuillReader: Hierarchy: current engine isn't a SplineEngine");
        }
        readSpline(spline->path());
        return true;
    default: return false;
    }
}

void QuillReader::connectEngine(finch::Object& object, Engine& engine, std::int32_t index)
{
    EngineConnector connector(engine, m_branchIndexes, index);
    object.process(connector);
    if (connector.target == nullptr) {
        return;
    }
    std::erase_if(m_engineTargets,
                  [&](const std::pair<Engine*, finch::Branch*>& connection) { return connection.first == &engine; });
    m_engineTargets.emplace_back(&engine, connector.target);
}

void QuillReader::clearTarget(Engine& engine)
{
    if (auto* const output = dynamic_cast<OutputEngine*>(&engine)) {
        output->setTarget(nullptr);
    }
    if (auto* const spline = dynamic_cast<SplineEngine*>(&engine)) {
        spline->setTarget(nullptr);
    }
}

void QuillReader::readSpline(finch::BezierPath& path)
{
    for (std::int32_t tag = readRecordTag(); tag != 0; tag = readRecordTag()) {
        switch (tag) {
        case 191: readSplineBead(); break;
        case 192:
        case 194:
        case 198:
        case 205:
        case 206: readInt32(); break;
        case 193: path.setLooping(readInt32() != 0); break;
        case 199:
            if (path.segmentCount() >= heron::limits::maxPathSegments) {
                throw ReadError("Bad spline data");
            }
            path.addSegment(readBezierSegment());
            break;
        case 201: readValue(); break;
        default: throw ReadError("Bad spline data");
        }
    }
}

void QuillReader::readSplineBead()
{
    readVector3d();
    for (std::int32_t tag = readRecordTag(); tag != 0; tag = readRecordTag()) {
        if (tag != 195) {
            throw ReadError("Bad spline bead");
        }
        readInt32();
    }
}

finch::BezierSegment QuillReader::readBezierSegment()
{
    finch::BezierSegment segment;
    readInt32();
    for (std::int32_t tag = readRecordTag(); tag != 0; tag = readRecordTag()) {
        switch (tag) {
        case 200:
        case 201: readValue(); break;
        case 202: {
            const std::int32_t point = readInt32();
            const finch::Vector3d position = readVector3d();
            if (point < 0 || point > 3) {
                throw ReadError("Bad bezier");
            }
            segment.setControlPoint(point, position);
            break;
        }
        case 203: {
            const std::int32_t count = readInt32();
            const std::uint32_t valueBytes = isBelow(4.01) ? 4 : 8;
            requireCount(count, valueBytes);
            m_source.skip(std::uint32_t(count) * valueBytes);
            break;
        }
        default: throw ReadError("Bad bezier");
        }
    }
    return segment;
}

}
