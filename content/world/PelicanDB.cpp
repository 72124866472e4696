#include "content/world/PelicanDB.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"
#include "base/FilePath.h"
#include "base/Limits.h"
#include "base/ReadError.h"
#include "base/threads/Thread.h"
#include "content/DataFiles.h"
#include "content/world/FogSetter.h"
#include "content/world/RefVector.h"
#include "content/world/Rocks.h"
#include "content/world/SpecialFinding.h"
#include "scene/core/Clock.h"
#include "scene/core/TaggedBlock.h"
#include "scene/graph/Branch.h"
#include "scene/graph/ExrefBranch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/Object.h"
#include "scene/graph/SwitchBranch.h"
#include "scene/render/RenderAccumulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace pelican
{

namespace
{

enum DatabaseTag : std::uint32_t
{
    enginesTag = 1,
    animationCountTag = 2,
    animationPairTag = 3,
};

// The fewest bytes a stored animation pair takes: its tag, a reference and a period.
constexpr std::uint32_t animationPairBytes = 9;
// The depth range of normal drawing while a depth tweak draws objects in front.
constexpr float tweakedDepthNear = 0.01f;

PelicanDB::WarningPause& warningPause()
{
    static PelicanDB::WarningPause pause;
    return pause;
}

// How many trailing "/"-separated components of the two paths are equal.
int matchingTail(const heron_string& a, const heron_string& b)
{
    int score = 0;
    std::uint32_t i = a.length();
    std::uint32_t j = b.length();
    while (i > 0 && j > 0) {
        const std::uint32_t componentA = i;
        const std::uint32_t componentB = j;
        while (i > 0 && a[i - 1] != '/') {
            --i;
        }
        while (j > 0 && b[j - 1] != '/') {
            --j;
        }
        if (componentA - i != componentB - j ||
            !std::equal(a.data() + i, a.data() + componentA, b.data() + j)) {
            return score;
        }
        ++score;
        // Past the separators.
        i = i > 0 ? i - 1 : 0;
        j = j > 0 ? j - 1 : 0;
    }
    return score;
}

// Scores every record against a name: the one strictly best, or none when the best is shared.
class RemapScorer : public ObjectRefProcessor
{
public:
    explicit RemapScorer(const heron_string& name) : m_name(name) {}

    void process(PelicanObject& record) override
    {
        const int score = matchingTail(record.name(), m_name);
        if (score > m_best) {
            m_best = score;
            m_found = &record;
            m_ambiguous = false;
        } else if (score == m_best && score > 0) {
            m_ambiguous = true;
        }
    }
    PelicanObject* found() const { return m_ambiguous ? nullptr : m_found; }

private:
    const heron_string& m_name;
    int m_best = 0;
    PelicanObject* m_found = nullptr;
    bool m_ambiguous = false;
};

class NameCollector : public ObjectRefProcessor
{
public:
    explicit NameCollector(std::map<heron_string, PelicanObject*>& names) : m_names(names) {}
    void process(PelicanObject& record) override { m_names.emplace(record.name(), &record); }

private:
    std::map<heron_string, PelicanObject*>& m_names;
};

heron_string remapLogPath(const heron_string& folder)
{
    return heron::diskPath(heron::joinPath(folder, "remapped_objects.txt").c_str(), heron::CaseMatch::Exact);
}

void appendToRemapLog(const heron_string& folder, const heron_string& text)
{
    std::FILE* const file = std::fopen(remapLogPath(folder).c_str(), "a");
    if (file == nullptr) {
        return;
    }
    std::fputs(text.c_str(), file);
    std::fclose(file);
}

}

heron::Streamable* PelicanDB::create()
{
    return new PelicanDB;
}

void PelicanDB::setWarningPause(WarningPause pause)
{
    warningPause() = std::move(pause);
}

void PelicanDB::pauseAfterWarning(double seconds)
{
    if (warningPause()) {
        warningPause()(seconds);
        return;
    }
    heron::sleepSeconds(seconds);
}

PelicanDB::PelicanDB() = default;

PelicanDB::~PelicanDB()
{
    // A hook still pending may be on a branch of this database, which goes with it.
    finch::Branch::releaseScheduledCallbacks();
    clearFogSetters();
    m_rootObject.reset();
    for (Engine* engine : m_engines) {
        delete engine;
    }
}

void PelicanDB::clean()
{
    if (!m_prepared) {
        m_prepared = true;
        prepare();
    }
    Database::clean();
    finch::Branch::releaseScheduledCallbacks();
}

void PelicanDB::addEngine(std::unique_ptr<Engine> engine)
{
    m_engines.push_back(engine.release());
}

void PelicanDB::addAnimation(finch::Object* object, float period)
{
    m_animations.push_back(AnimationEntry{object, period});
}

void PelicanDB::addFlipbook(finch::SwitchBranch* flipbook)
{
    m_flipbooks.push_back(flipbook);
}

void PelicanDB::removeFlipbook(finch::SwitchBranch* flipbook)
{
    const auto found = std::find(m_flipbooks.begin(), m_flipbooks.end(), flipbook);
    if (found != m_flipbooks.end()) {
        m_flipbooks.erase(found);
    }
}

void PelicanDB::startEngines(double time)
{
    for (Engine* engine : m_engines) {
        engine->start(time);
    }
    m_flipbookStart = time;
}

void PelicanDB::updateAnimation()
{
    for (Engine* engine : m_engines) {
        engine->evaluate(EngineValue());
    }
    const double now = finch::Clock::now();
    for (finch::SwitchBranch* flipbook : m_flipbooks) {
        if (flipbook->childCount() > 0) {
            flipbook->setSelected(flipbookFrame(*flipbook, now));
        }
    }
}

int PelicanDB::flipbookFrame(const finch::SwitchBranch& flipbook, double now) const
{
    const int frames = flipbook.childCount();
    const double duration = flipbook.parameter();
    if (duration == 0.0) {
        // The switch shows the last frame for any selection past it, so the count can stop there.
        return std::min(flipbook.selected(), frames - 1) + 1;
    }
    const double frame = std::fmod((now - m_flipbookStart) * frames / duration, frames);
    return std::isfinite(frame) ? int(frame) : flipbook.selected();
}

PelicanObject* PelicanDB::rootObject()
{
    buildObjectList();
    return m_rootObject.get();
}

PelicanObject* PelicanDB::findObject(const heron_string& name, const heron_string& folder)
{
    if (rootObject() == nullptr) {
        return nullptr;
    }
    const bool packed = !packedFiles().empty();
    if (!m_lookedUp) {
        m_lookedUp = true;
        if (!packed) {
            startRemapLog(folder);
        }
    }
    collectNames();
    const auto known = m_names.find(name);
    if (known != m_names.end()) {
        return known->second;
    }
    if (packed) {
        heron::debug("\n!!Error:\nObject \"%s\" not found!\n", name.c_str());
        return nullptr;
    }
    return remap(name, folder);
}

void PelicanDB::collectNames()
{
    if (!m_names.empty() || m_rootObject == nullptr) {
        return;
    }
    m_names.emplace(heron_string(), nullptr);
    NameCollector collector(m_names);
    m_rootObject->visit(collector);
}

void PelicanDB::startRemapLog(const heron_string& folder) const
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[64];
    std::strftime(stamp, sizeof stamp, "%a %b %e %H:%M:%S %Y", &local);
    appendToRemapLog(folder, heron_string("\n\nRemapped objects: ") + stamp + "\n");
}

PelicanObject* PelicanDB::remap(const heron_string& name, const heron_string& folder)
{
    RemapScorer scorer(name);
    m_rootObject->visit(scorer);
    PelicanObject* const found = scorer.found();
    if (found == nullptr) {
        return nullptr;
    }
    m_names[name] = found;
    heron::debug("\n***Warning:\nObject \"%s\" \nHas been remapped to \"%s\n\n", name.c_str(), found->name().c_str());
    appendToRemapLog(folder, "Object \"" + name + "\" was remapped to \"" + found->name() + "\n");
    pauseAfterWarning(remapPauseSeconds);
    return found;
}

void PelicanDB::setCollisionType(const heron_string& name, int mode)
{
    m_collisionTypes.emplace_back(name, mode);
}

const std::vector<RingZone>& PelicanDB::ringZones()
{
    findRings();
    return m_ringZones;
}

const RingZone* PelicanDB::ringZone(const heron_string& name)
{
    findRings();
    const auto found = std::find_if(m_ringZones.begin(), m_ringZones.end(),
                                    [&](const RingZone& zone) { return zone.zone == name; });
    return found != m_ringZones.end() ? &*found : nullptr;
}

finch::Object* PelicanDB::ringObject()
{
    findRings();
    return m_ringObject;
}

finch::Branch* PelicanDB::ringGeometry()
{
    findRings();
    return m_ringGeometry;
}

finch::Object* PelicanDB::ringCounterObject()
{
    findRings();
    return m_ringCounterObject;
}

void PelicanDB::setFog(const finch::Fog& fog, PelicanObject* record)
{
    if (record == nullptr || record->instance() == nullptr) {
        return;
    }
    record->instance()->setTraversalCallback(heron::counted_ptr<finch::TraversalCallback>(new FogSetter(fog)));
    m_fogRecords.push_back(record);
}

void PelicanDB::clearFogSetters()
{
    while (!m_fogRecords.empty()) {
        PelicanObject* const record = m_fogRecords.back();
        m_fogRecords.pop_back();
        record->instance()->setTraversalCallback(heron::counted_ptr<finch::TraversalCallback>());
    }
}

void PelicanDB::applyDepthTweak(finch::RenderAccumulator& accumulator) const
{
    if (m_depthTweak != 0) {
        accumulator.setDepthRange(tweakedDepthNear, 1.0f);
    }
}

void PelicanDB::registerFactories(heron::DataSource& source)
{
    Database::registerFactories(source);
    source.registerFactory(&Engine::create);
    specialFinder().registerFactories(source);
}

void PelicanDB::read(heron::DataSource& source)
{
    Database::read(source);
    bool enginesRead = false;
    std::size_t filled = 0;
    finch::readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case enginesTag: finch::readRefList(source, m_engines, enginesRead, heron::StreamReader::Hold::Keeps); break;
        case animationCountTag: readAnimationCount(source, filled); break;
        case animationPairTag: readAnimationPair(source, filled); break;
        default: break;
        }
    });
}

void PelicanDB::readAnimationCount(heron::DataSource& source, std::size_t& filled)
{
    std::uint32_t count = 0;
    source.readTag(count);
    heron::requireGood(source, "PelicanDB - the animation count is cut short");
    // The pairs read so far wait for their objects at their places in the list, which must stay.
    if (filled != 0) {
        throw heron::ReadError("PelicanDB - the animation list is resized after its pairs");
    }
    if (count > heron::limits::maxAnimationPairs || std::uint64_t(count) * animationPairBytes > source.remaining()) {
        throw heron::ReadError("PelicanDB - more animation pairs than the stream holds");
    }
    m_animations.assign(count, AnimationEntry());
}

void PelicanDB::readAnimationPair(heron::DataSource& source, std::size_t& filled)
{
    if (filled >= m_animations.size()) {
        // The text the loaders have always reported for this fault.
        throw heron::ReadError("bad anim list in PelicanDB\n");
    }
    AnimationEntry& entry = m_animations[filled++];
    finch::readBorrowedRef(source, entry.object);
    finch::readFloat(source, entry.period);
}

void PelicanDB::write(heron::DataDest& dest) const
{
    Database::write(dest);
    dest.writeTag(enginesTag);
    writeRefVector(dest, m_engines);
    dest.writeTag(animationCountTag).writeTag(std::uint32_t(m_animations.size()));
    for (const AnimationEntry& entry : m_animations) {
        dest.writeTag(animationPairTag).writeObjectRef(entry.object);
        finch::writeFloat(dest, entry.period);
    }
    dest.writeTag(0);
}

void PelicanDB::adoptLoaded(finch::LoadClaims& claims)
{
    Database::adoptLoaded(claims);
    std::erase_if(m_engines, [&](Engine* engine) {
        if (engine == nullptr || !claims.claim(engine, "a root engine")) {
            return true;
        }
        claims.queue(*engine);
        return false;
    });
}

void registerDatabaseFactory(heron::DataSource& source)
{
    source.registerFactory(&PelicanDB::create);
}

}
