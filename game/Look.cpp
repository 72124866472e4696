#include "game/Look.h"

#include "base/Debug.h"
#include "content/DataFiles.h"
#include "content/SoundCache.h"
#include "content/models/PelicanDatabaseReader.h"
#include "content/specials/SpecialFinder.h"
#include "content/world/PelicanDB.h"
#include "content/world/PelicanObject.h"
#include "game/LookFile.h"
#include "game/LookLogic.h"
#include "game/net/LookNetwork.h"
#include "game/NamedList.h"
#include "net/Packets.h"
#include "scene/core/Clock.h"
#include "scene/geometry/Teapot.h"
#include "scene/graph/Object.h"
#include "scene/render/Texture.h"
#include "sound/OpenALSoundHAL.h"
#include "sound/SoundSystem.h"

#include <algorithm>


bool Look::collectAll = false;

namespace
{

// How long the blank flash of a new world lasts.
constexpr double openingFlashSeconds = 1.0;

int& lookCount()
{
    static int count = 0;
    return count;
}

heron::counted_ptr<Look>& currentWorld()
{
    static heron::counted_ptr<Look> world;
    return world;
}

bool& dataFileFound()
{
    static bool found = false;
    return found;
}

// The sound of file made into a buffer at once; empty when it has none or sound is gone.
heron::counted_ptr<egret::SoundBuffer> loadMediaSound(const heron::FilePath& file)
{
    if (egret::SoundSystem::hasDied()) {
        return {};
    }
    return egret::SoundSystem::instance().hal().loadBuffer(pelican::getSound(file.c_str()), egret::Loading::AtOnce);
}

bool isLookFileName(const heron::FilePath& path)
{
    const heron_string& extension = path.extension();
    return extension == ".look" || extension == ".lk";
}

bool skippedAsCarried(Zone& zone, pelican::PelicanObject* carried)
{
    if (carried == nullptr || !zone.isCenteredOnObject || zone.object == nullptr) {
        return false;
    }
    return !zone.object->isActive() || zone.object == carried;
}

}

Look::Look(const heron::FilePath& path)
    : m_logic(std::make_unique<LookLogic>(*this)), m_network(std::make_unique<LookNetwork>(*this))
{
    heron::debug("There's %d looks\n", ++lookCount());
    // Special-effect texts in the models become specials only with the finder in place.
    pelican_specials::installSpecialFinder();
    if (isLookFileName(path)) {
        heron::debug("Look::Look() - Reading look file %s...\n", path.c_str());
        pelican::DataFileName record(path);
        m_incomplete = !readLookFile(*this, record);
    } else {
        setDatabase(pelican::PelicanDatabaseReader::loadDatabase(path, heron_string()));
        m_incomplete = !m_database;
    }
    if (!m_database) {
        makeTeapotWorld();
    }
    if (!m_readFromLookFile || m_levels.empty()) {
        showOnlyObject();
    }
    heron::debug("Resetting the world...\n");
    resetGame(true);
    heron::debug("Looking for avatars...\n");
    m_avatars.buildAvatarSlots(*this);
    // A blank flash makes the message's font before play starts.
    setFlash(" ", openingFlashSeconds);
    heron::debug("New Look created...\n");
}

Look::~Look()
{
    --lookCount();
    m_network.reset();
    m_logic.reset();
    while (!m_levels.empty()) {
        m_levels.pop_back();
    }
}

int Look::count()
{
    return lookCount();
}

void Look::makeTeapotWorld()
{
    heron::counted_ptr<pelican::PelicanDB> database(new pelican::PelicanDB());
    std::unique_ptr<finch::Object> teapot = finch::makeTeapot(5, heron::counted_ptr<finch::Material>());
    database->addObject(teapot);
    database->clean();
    setDatabase(database);
}

void Look::showOnlyObject()
{
    m_camera.lookAtBounds(m_database->bounds());
    Level* const level = currentLevel();
    if (level == nullptr) {
        return;
    }
    level->isStartupLevel = true;
    level->entryView = m_camera.getTransform();
    Zone* const zone = level->addObject("world");
    zone->position() = finch::Vector3d();
    zone->radius = 100.0;
    zone->playerSize2 = 0.1f;
}

void Look::setDatabase(const heron::counted_ptr<pelican::PelicanDB>& database)
{
    m_database = database;
}

void Look::setNoExitSound(const heron::FilePath& file)
{
    m_noExitSound = file;
    m_noExitSoundBuffer = loadMediaSound(file);
}

void Look::setNoExitTexture(const heron::FilePath& file)
{
    m_noExitTexture = file;
    m_noExitTextureImage = heron::counted_ptr<finch::Texture>(new finch::Texture());
    m_noExitTextureImage->setFile(file.c_str());
}

void Look::setMedalThrowSound(const heron::FilePath& file)
{
    m_medalThrowSound = file;
    m_medalThrowSoundBuffer = loadMediaSound(file);
}

void Look::setMedalCatchSound(const heron::FilePath& file)
{
    m_medalCatchSound = file;
    m_medalCatchSoundBuffer = loadMediaSound(file);
}

void Look::preloadLevels()
{
    for (const heron::FilePath* sound : {&m_noExitSound, &m_medalThrowSound, &m_medalCatchSound}) {
        // A sound that cannot be read is logged by the cache and leaves its event silent.
        static_cast<void>(pelican::preloadSoundFile(*sound, pelican::CacheBuild::Yes));
    }
    for (const auto& level : m_levels) {
        level->preloadMedia();
    }
}

void Look::setLookFile(const heron::FilePath& path)
{
    m_lookFile = path;
    m_readFromLookFile = true;
}

Level* Look::addLevel(const heron_string& name)
{
    return appendNamed(m_levels, name, m_currentLevel);
}

Level* Look::currentLevel()
{
    if (m_levels.empty()) {
        return addLevel("Level1");
    }
    if (m_currentLevel == nullptr) {
        heron::debug("\n\n\nVery strange - currentLevel was null!");
    }
    return m_currentLevel;
}

void Look::setStartLevel(Level* level)
{
    for (const auto& each : m_levels) {
        each->isStartupLevel = each.get() == level;
    }
}

Level* Look::startLevel()
{
    static_cast<void>(currentLevel());
    for (const auto& level : m_levels) {
        if (level->isStartupLevel) {
            return level.get();
        }
    }
    m_levels.front()->isStartupLevel = true;
    return m_levels.front().get();
}

void Look::changeLevel(Level* level, LookLogic* logic)
{
    if (level == nullptr) {
        return;
    }
    if (logic != nullptr) {
        carrySeizedInto(*level, *logic);
    }
    heron::debug("exit...\n");
    if (m_currentLevel != nullptr) {
        m_currentLevel->exit();
    }
    heron::debug("enter...\n");
    level->enter(*this);
    heron::debug("entered...\n");
    setCurrentLevel(level);
    if (!level->teleport) {
        return;
    }
    if (logic != nullptr) {
        logic->teleport(level->entryView);
    } else {
        m_camera.setTransform(level->entryView);
    }
}

void Look::carrySeizedInto(Level& level, LookLogic& logic)
{
    pelican::PelicanObject* const seized = logic.carriedObject();
    if (seized == nullptr) {
        return;
    }
    // Taken before the seize ends, which may put the object back at its start.
    finch::Matrix placement = seized->transform();
    logic.endSeize();
    for (const auto& zone : level.zones()) {
        if (zone->isCenteredOnObject && zone->object == seized) {
            logic.seize(*zone);
        }
    }
    if (level.teleport) {
        // The object keeps its place relative to the player, who moves to the level's entry.
        placement = followView(placement, m_camera.camera(), level.entryView);
    }
    seized->setTransform(placement);
}

Level* Look::levelNamed(const heron_string& name) const
{
    const heron_string wanted = netName(name);
    const auto found =
        std::find_if(m_levels.begin(), m_levels.end(), [&](const auto& level) { return netName(level->name) == wanted; });
    return found != m_levels.end() ? found->get() : nullptr;
}

void Look::dropHeldAvatar()
{
    if (AvatarSlot* const held = m_logic->heldAvatar()) {
        held->setAvailable(true);
    }
    m_logic->holdAvatar(nullptr);
}

Counter* Look::addCounter(const heron_string& name)
{
    m_ringCounter = nullptr;
    m_counters.emplace_back(name);
    return &m_counters.back();
}

Counter* Look::ringCounter()
{
    if (m_ringCounter != nullptr) {
        return m_ringCounter;
    }
    for (Counter& counter : m_counters) {
        if (counter.isRing) {
            m_ringCounter = &counter;
        }
    }
    return m_ringCounter;
}

bool Look::hasCollected()
{
    if (collectAll) {
        return true;
    }
    const Counter* const rings = ringCounter();
    return rings != nullptr && rings->count() >= 1;
}

Song* Look::currentRingSong(Zone& zone)
{
    const Counter* const rings = ringCounter();
    if (rings == nullptr || rings->count() >= Zone::ringSongCount) {
        return nullptr;
    }
    // The highest ring song that has a sample, counting down from the number of rings held.
    for (std::size_t n = rings->count() + 1; n-- > 0;) {
        Song& song = zone.ringSongs[n];
        if (!song.samples.empty()) {
            song.enable = true;
            return &song;
        }
    }
    return nullptr;
}

bool Look::ringReappears(const heron_string& ringName) const
{
    const auto found = m_ringReappear.find(ringName);
    return found == m_ringReappear.end() || found->second;
}

void Look::resetGame(bool resetAvatars)
{
    heron::debug("Calling exit() on all levels...\n");
    Level* const leaving = currentLevel();
    const bool wasEntered = leaving != nullptr && leaving->isEntered();
    if (leaving != nullptr) {
        leaving->exit();
    }
    heron::debug("Going to the start level\n");
    m_currentLevel = startLevel();
    m_camera.setTransform(m_currentLevel->entryView);
    if (wasEntered) {
        // A game reset while playing switches levels as a level change does, so the level left
        // stops its sequencer and the start level starts its own.
        m_currentLevel->enter(*this);
    }
    // The counters are empty before the logic applies the start zone, so that the zone's condition
    // shows the objects of a fresh game and hides none as collected.
    heron::debug("Resetting all the counters\n");
    for (Counter& counter : m_counters) {
        counter.clear();
    }
    heron::debug("Resetting the game logic\n");
    if (m_logic->isLooking()) {
        m_logic->reset();
    }
    heron::debug("Calling reset()\n");
    reset(finch::Clock::now());
    if (resetAvatars) {
        heron::debug("Resetting all avatars\n");
        m_avatars.resetAvatarSlots();
    }
}

void Look::reset(double time)
{
    heron::debug("Calling clean()\n");
    m_database->clean();
    heron::debug("Calling resetEngines()\n");
    m_database->startEngines(time);
    heron::debug("Calling updateEngines()\n");
    m_database->updateAnimation();
    heron::debug("Resetting the levels...\n");
    for (const auto& level : m_levels) {
        level->resetSounds();
    }
    m_ringCounter = nullptr;
    heron::debug("Reset complete...\n");
}

Zone* Look::nearestObject(Level* level, const finch::Vector3d& position, pelican::PelicanObject* carried)
{
    m_probe = position;
    if (level == nullptr) {
        return nullptr;
    }
    Zone* result = nullptr;
    double best = 1e300;
    for (const auto& each : level->zones()) {
        Zone& zone = *each;
        if (skippedAsCarried(zone, carried)) {
            continue;
        }
        const double r2 = zone.radius * zone.radius;
        const bool actOver = zone.act.enable && zone.act.hasEnded();
        if (squaredDistance(zone.position(), m_probe) < r2 && r2 < best && !actOver) {
            result = &zone;
            best = r2;
        }
    }
    return result;
}

Zone* Look::currentObject()
{
    return nearestObject(currentLevel(), m_camera.eye(), m_logic->carriedObject());
}

heron_string dataFilePath()
{
    return heron::joinPath(pelican::dataRoot(), "glasstide.dat");
}

bool findDataFile()
{
    return findDataFile(dataFilePath());
}

bool findDataFile(const heron_string& path)
{
    heron::debug("looking for %s\n", heron::diskPath(path.c_str(), heron::CaseMatch::Exact).c_str());
    // The data file is the program's own name: one spelled otherwise is not taken for it.
    dataFileFound() = heron::FilePath(path).stat(heron::CaseMatch::Exact).exists;
    if (!dataFileFound()) {
        heron::debug("Data file not found!\n");
    }
    return dataFileFound();
}

bool openDataFileAndLook()
{
    return openDataFileAndLook(heron::FilePath(dataFilePath()));
}

bool openDataFileAndLook(const heron::FilePath& dataFile)
{
    pelican::registerPackedFile(dataFile);
    const std::vector<pelican::PackedFile> packed = pelican::packedFiles();
    if (packed.empty() || !packed.back().directory) {
        return false;
    }
    // A data file cut short (or whose directory places members past its end) would give a world
    // built from parts of its files: it is damaged, whatever members the world then reads.
    if (!pelican::membersInsideFile(packed.back())) {
        heron::debug("The data file %s is damaged: its members run past its end\n", dataFile.spelling().c_str());
        return false;
    }
    for (const pelican::FileInfo& member : *packed.back().directory) {
        if (member.name.path.name().find_first_of(".look") == heron_string::npos) {
            continue;
        }
        heron::debug("Data file contains: %s\n", member.name.path.name().c_str());
        const heron::counted_ptr<Look> world(new Look(member.name.path));
        if (world->isIncomplete()) {
            heron::debug("The world in %s cannot be built: the data file is damaged\n", member.name.path.c_str());
            return false;
        }
        setCurrentLook(world);
        return true;
    }
    return false;
}

Look* currentLook()
{
    return currentWorld().get();
}

void setCurrentLook(const heron::counted_ptr<Look>& look)
{
    if (look.get() != currentWorld().get()) {
        currentWorld() = look;
    }
}

void releaseLook(Look*& look)
{
    if (look != nullptr) {
        look->release();
    }
    look = nullptr;
}
