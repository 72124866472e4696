#include "base/DataSource.h"
#include "base/ReadError.h"
#include "content/models/QuillReader.h"
#include "content/models/SpecialParams.h"
#include "content/world/PelicanDB.h"
#include "scene/geometry/PolygonBranch.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/JointBranch.h"
#include "scene/graph/LodBranch.h"
#include "scene/graph/Object.h"
#include "scene/graph/SwitchBranch.h"
#include "scene/math/Matrix.h"

#include <cmath>

namespace pelican
{

namespace
{

using heron::ReadError;

// The current branch as the type a record needs; message is the refusal when it is not one.
template <class T>
T& currentAs(finch::Branch* current, const char* message)
{
    auto* const branch = dynamic_cast<T*>(current);
    if (branch == nullptr) {
        throw ReadError(message);
    }
    return *branch;
}

finch::InstanceBranch& currentInstance(finch::Branch* current)
{
    return currentAs<finch::InstanceBranch>(current, "QuillReader: Hierarchy: current branch isn't a InstanceBranch");
}

finch::LodBranch& currentLod(finch::Branch* current)
{
    return currentAs<finch::LodBranch>(current, "QuillReader: Hierarchy: current branch isn't a LodBranch");
}

finch::SwitchBranch& currentSwitch(finch::Branch* current)
{
    return currentAs<finch::SwitchBranch>(current, "QuillReader: Hierarchy: current branch isn't a SwitchBranch");
}

finch::JointBranch& currentJoint(finch::Branch* current)
{
    return currentAs<finch::JointBranch>(current, "QuillReader: Hierarchy: current branch isn't a JointBranch");
}

finch::PolygonBranch& currentPolygons(finch::Branch* current)
{
    return currentAs<finch::PolygonBranch>(current, "QuillReader: Hierarchy: current branch isn't a PolygonBranch");
}

finch::Branch& currentBranch(finch::Branch* current)
{
    if (current == nullptr) {
        throw ReadError("Bad file");
    }
    return *current;
}

// The branch a branch-creating tag makes; null for any other tag.
std::unique_ptr<finch::Branch> makeBranch(std::int32_t tag)
{
    switch (tag) {
    case 110:
    case 116: return std::make_unique<finch::GroupBranch>();
    case 111: return std::make_unique<finch::PolygonBranch>();
    case 112: return std::make_unique<finch::LodBranch>();
    case 113: return std::make_unique<finch::InstanceBranch>();
    case 114: return std::make_unique<finch::SwitchBranch>(finch::SwitchBranch::selectOne);
    case 115: return std::make_unique<finch::JointBranch>();
    default: return nullptr;
    }
}

}

// The working state of one hierarchy record.
struct QuillReader::Hierarchy
{
    explicit Hierarchy(finch::Object& shaped) : object(shaped) {}

    finch::Object& object;
    finch::Branch* current = nullptr;
    finch::Branch* parent = nullptr;
    heron_string pendingName;
    // Surface flags the polygons of the current polygon branch take.
    bool flagA = true;
    bool flagB = false;
    // Descents not yet ascended.
    int depth = 0;
};

void QuillReader::readHierarchy(finch::Object& object)
{
    Hierarchy state(object);
    for (;;) {
        const std::int32_t tag = readRecordTag();
        if (tag == 102) {
            requireNesting(++state.depth);
            state.parent = state.current;
        } else if (tag == 103) {
            if (state.parent == nullptr) {
                return;
            }
            --state.depth;
            state.current = state.parent;
            state.parent = state.parent->parent();
        } else if (std::unique_ptr<finch::Branch> branch = makeBranch(tag)) {
            placeBranch(state, std::move(branch));
        } else {
            readHierarchyRecord(state, tag);
        }
    }
}

void QuillReader::placeBranch(Hierarchy& state, std::unique_ptr<finch::Branch> branch)
{
    branch->setName(state.pendingName);
    finch::Branch* const placed = branch.get();
    if (state.parent == nullptr) {
        replaceRoot(state.object, branch);
    } else {
        currentAs<finch::GroupBranch>(state.parent, "QuillReader: Hierarchy: parent/current branch isn't a GroupBranch")
            .addChild(branch);
    }
    state.current = placed;
    state.flagA = true;
    state.flagB = false;
}

void QuillReader::readHierarchyRecord(Hierarchy& state, std::int32_t tag)
{
    if (readBranchRecord(state, tag)) {
        return;
    }
    switch (tag) {
    case 100: state.pendingName = readString(); break;
    case 104:
    case 105:
    case 106: readByte(); break;
    case 127: readVertexTable(false); break;
    case 123:
    case 124:
    case 125: ignoreIntList(); break;
    case 126:
        readPosition();
        readPosition();
        break;
    case 128:
    case 131:
    case 134: readInt32(); break;
    case 130: readString(); break;
    case 182: readValue(); break;
    case 320:
        requireCount(8, 1);
        m_source.skip(8);
        break;
    case 59:
    case 67:
    case 137:
    case 232:
    case 360:
    case 361: skipChunk("Bad file"); break;
    default:
        dumpUnknown();
        skipChunk("Bad file");
        break;
    }
}

bool QuillReader::readBranchRecord(Hierarchy& state, std::int32_t tag)
{
    finch::Matrix matrix;
    switch (tag) {
    case 30:
    case 119:
    case 120:
    case 121:
    case 139: readPolygonBranchRecord(state, tag); return true;
    case 53: m_instanceIndexes[&currentInstance(state.current)] = readInt32(); return true;
    case 55:
        readTransform(matrix);
        currentInstance(state.current).setMatrix(matrix);
        return true;
    case 122: currentLod(state.current).setDistance(std::fabs(readValue())); return true;
    case 240: {
        readChunkLength();
        const bool hysteresis = readInt32() != 0;
        currentLod(state.current).setHysteresis(hysteresis);
        return true;
    }
    case 132: currentSwitch(state.current).setParameter(readValue()); return true;
    case 133:
        readInt32();
        m_database->addFlipbook(&currentSwitch(state.current));
        return true;
    case 135: m_branchIndexes[&currentBranch(state.current)] = readInt32(); return true;
    case 136:
        readTransform(matrix);
        currentJoint(state.current).setPivotMatrix(matrix);
        return true;
    case 129:
        currentBranch(state.current)
            .setTraversalCallback(heron::counted_ptr<finch::TraversalCallback>(new pelican_specials::SpecialParams(readString())));
        return true;
    default: return false;
    }
}

void QuillReader::readPolygonBranchRecord(Hierarchy& state, std::int32_t tag)
{
    finch::PolygonBranch& branch = currentPolygons(state.current);
    switch (tag) {
    case 30: branch.addPolygon(readPolygon(state.flagA, state.flagB)); break;
    case 119:
        if (m_variant == QuillVariant::Rxs) {
            skipChunk("Bad file");
            break;
        }
        state.flagB = readInt32() != 0;
        if (state.flagB) {
            for (finch::Polygon* polygon : branch.polygons()) {
                polygon->setSurfaceFlagB(true);
            }
        }
        break;
    case 120:
        state.flagA = readInt32() != 0;
        for (finch::Polygon* polygon : branch.polygons()) {
            polygon->setSurfaceFlagA(state.flagA);
        }
        break;
    case 121:
        if (readInt32() != 0) {
            branch.setFacingMode(finch::GeometryBranch::turnsAboutZ);
        }
        break;
    default:
        if (readInt32() != 0) {
            branch.setFacingMode(finch::GeometryBranch::facesEye);
        }
        break;
    }
}

void QuillReader::ignoreIntList()
{
    std::int32_t value = 0;
    do {
        m_source.readInt32(value);
    } while (!m_source.hasError() && value >= 0);
}

}
