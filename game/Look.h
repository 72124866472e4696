#pragma once

#include "base/FilePath.h"
#include "base/Refcountable.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"
#include "game/net/AvatarSlot.h"
#include "game/Counter.h"
#include "game/FlashMessage.h"
#include "game/Level.h"
#include "scene/render/Viewer.h"

#include <map>
#include <memory>
#include <vector>

class LookLogic;
class LookNetwork;
struct Song;

namespace pelican
{
class PelicanDB;
}

namespace finch
{
class Texture;
}

// The world the player explores: its content database, its levels with their zones, its
// counters, its camera, the media every level shares, and the game logic that drives it. One
// world is current at a time. Main thread only.
class Look : public heron::Refcountable
{
public:
    // Builds a world from a look file (".look", ".lk") or a model file; without a content database
    // the world shows the built-in teapot.
    explicit Look(const heron::FilePath& path);
    ~Look() override;
    Look(const Look&) = delete;
    Look& operator=(const Look&) = delete;

    // Worlds alive in the program.
    static int count();

    void setDatabase(const heron::counted_ptr<pelican::PelicanDB>& database);
    pelican::PelicanDB* database() const { return m_database.get(); }
    void setLookFile(const heron::FilePath& path);
    const heron::FilePath& lookFile() const { return m_lookFile; }
    bool readFromLookFile() const { return m_readFromLookFile; }
    // The world could not be built as its file describes: the look file or the model could not be
    // read whole, so what plays is a part of it or the stand-in teapot.
    bool isIncomplete() const { return m_incomplete; }

    Level* addLevel(const heron_string& name);
    const std::vector<std::unique_ptr<Level>>& levels() const { return m_levels; }
    // The current level; a world without levels gets "Level1". Null (logged) when levels exist
    // but none is current.
    Level* currentLevel();
    void setCurrentLevel(Level* level) { m_currentLevel = level; }
    void setStartLevel(Level* level);
    // Has the sound cache read the shared sounds and every level's media, after the look file.
    void preloadLevels();
    Level* startLevel();
    // The first level whose name is name as names cross the network (netName), so that a name cut
    // on the way still finds its level; null for none.
    Level* levelNamed(const heron_string& name) const;
    // Leaves the current level and enters level (nothing for null); with logic, a teleporting
    // level moves the player to its entry view.
    void changeLevel(Level* level, LookLogic* logic);

    Counter* addCounter(const heron_string& name);
    std::vector<Counter>& counters() { return m_counters; }
    const std::vector<Counter>& counters() const { return m_counters; }
    // The last counter flagged as a ring counter; null for none.
    Counter* ringCounter();
    bool hasCollected();
    // The ring song of zone for the rings held; null without a ring counter or past the eighth.
    Song* currentRingSong(Zone& zone);
    // Whether the ring of that name comes back after it was taken (rings not named: true).
    bool ringReappears(const heron_string& ringName) const;
    void setRingReappear(const heron_string& ringName, bool reappear) { m_ringReappear[ringName] = reappear; }

    void resetGame(bool resetAvatars);
    void reset(double time);

    // The innermost zone of level containing position; carried (may be null) is left out.
    Zone* nearestObject(Level* level, const finch::Vector3d& position, pelican::PelicanObject* carried);
    // The innermost zone of the current level around the camera's eye.
    Zone* currentObject();
    const finch::Vector3d& probePosition() const { return m_probe; }

    // The media every level shares: each setter stores the file and makes its sound buffer (at
    // once) or its texture, replacing the one held; a sound that cannot be fetched leaves an empty
    // buffer.
    void setNoExitSound(const heron::FilePath& file);
    void setNoExitTexture(const heron::FilePath& file);
    void setMedalThrowSound(const heron::FilePath& file);
    void setMedalCatchSound(const heron::FilePath& file);
    const heron::FilePath& noExitSound() const { return m_noExitSound; }
    const heron::FilePath& noExitTexture() const { return m_noExitTexture; }
    const heron::FilePath& medalThrowSound() const { return m_medalThrowSound; }
    const heron::FilePath& medalCatchSound() const { return m_medalCatchSound; }
    const heron::counted_ptr<egret::SoundBuffer>& noExitSoundBuffer() const { return m_noExitSoundBuffer; }
    const heron::counted_ptr<finch::Texture>& noExitTextureImage() const { return m_noExitTextureImage; }
    const heron::counted_ptr<egret::SoundBuffer>& medalThrowSoundBuffer() const { return m_medalThrowSoundBuffer; }
    const heron::counted_ptr<egret::SoundBuffer>& medalCatchSoundBuffer() const { return m_medalCatchSoundBuffer; }

    // Draws one frame of the world: sky, scene, flash message, counters.
    void render(kestrel::ImageBody& target);
    // Shows text as the flash message for duration seconds, replacing the one shown; a leading
    // '%' takes the character after it along.
    void setFlash(const heron_string& text, double duration);
    // Draws the flash message, and drops it once its time is over.
    void drawFlash(const kestrel::ImageBody& target);
    const FlashMessage* flash() const { return m_flash.get(); }

    LookLogic& logic() { return *m_logic; }
    AvatarSlots& avatars() { return m_avatars; }
    LookNetwork& network() { return *m_network; }
    // Lets go of the avatar the player holds: it is free for anybody again.
    void dropHeldAvatar();
    finch::Viewer& camera() { return m_camera; }

    // The collect-all override: the ring counter counts as holding objects.
    static bool collectAll;

private:
    // A seized object goes along into level: seized again by its zone there, in the same place
    // relative to the player.
    void carrySeizedInto(Level& level, LookLogic& logic);
    void makeTeapotWorld();
    void showOnlyObject();

    std::unique_ptr<LookLogic> m_logic;
    std::vector<Counter> m_counters;
    heron::FilePath m_lookFile;
    bool m_readFromLookFile = false;
    bool m_incomplete = false;
    Level* m_currentLevel = nullptr;
    finch::Vector3d m_probe;
    finch::Viewer m_camera;
    heron::counted_ptr<pelican::PelicanDB> m_database;
    std::vector<std::unique_ptr<Level>> m_levels;
    heron::FilePath m_noExitSound;
    heron::FilePath m_noExitTexture;
    heron::FilePath m_medalThrowSound;
    heron::FilePath m_medalCatchSound;
    heron::counted_ptr<egret::SoundBuffer> m_noExitSoundBuffer;
    heron::counted_ptr<finch::Texture> m_noExitTextureImage;
    heron::counted_ptr<egret::SoundBuffer> m_medalThrowSoundBuffer;
    heron::counted_ptr<egret::SoundBuffer> m_medalCatchSoundBuffer;
    std::map<heron_string, bool> m_ringReappear;
    Counter* m_ringCounter = nullptr;
    std::unique_ptr<FlashMessage> m_flash;
    AvatarSlots m_avatars;
    std::unique_ptr<LookNetwork> m_network;
};

// The packed data file beside the program.
heron_string dataFilePath();
// Looks for the packed data file beside the program; false (logged) when it is missing.
bool findDataFile();
// The same for the data file at path.
bool findDataFile(const heron_string& path);
// Builds the current world from the first look file of the data file; false (no world made) when it
// has none or the world cannot be built whole from it.
bool openDataFileAndLook();
// The same with the data file at that path.
bool openDataFileAndLook(const heron::FilePath& dataFile);
Look* currentLook();
void setCurrentLook(const heron::counted_ptr<Look>& look);
void releaseLook(Look*& look);
