#pragma once

#include "base/FilePath.h"
#include "base/heron_string.h"
#include "game/Zone.h"
#include "music/Motor.h"
#include "scene/math/Matrix.h"
#include "sound/SoundHAL.h"

#include <cstdint>
#include <memory>
#include <vector>

class Look;

// A level of the world: its settings, its step sequencer and its zones. Owned by the world. Main
// thread only.
class Level
{
public:
    Level() = default;
    ~Level();
    Level(const Level&) = delete;
    Level& operator=(const Level&) = delete;

    // Appends a zone of that name; the first zone becomes the current object.
    Zone* addObject(const heron_string& zoneName);
    void setCurrentObject(Zone* zone) { m_currentObject = zone; }
    Zone* currentObject() const { return m_currentObject; }
    const std::vector<std::unique_ptr<Zone>>& zones() const { return m_zones; }

    // Entering from the world's eye: every zone enters, nearest first; the target zones are listed
    // nearest first and the sequencer starts.
    void enter(Look& world);
    // Every zone leaves and the sequencer stops.
    void exit();
    // Resets every zone and notes whether the level plays the bat-and-ball game; one that does loads
    // its bat and goal sounds (once; not the placeholder file).
    void resetSounds();
    // Has the sound cache read both play sounds and every zone's music, and notes both counter
    // graphics as used, so that entering the level does not wait on files.
    void preloadMedia();
    bool isEntered() const { return m_entered; }
    bool needsPlaySounds() const { return m_needsPlaySounds; }
    const std::vector<Zone*>& targetZones() const { return m_targetZones; }
    const heron::counted_ptr<egret::SoundBuffer>& batSoundBuffer() const { return m_batSoundBuffer; }
    const heron::counted_ptr<egret::SoundBuffer>& goalSoundBuffer() const { return m_goalSoundBuffer; }

    heron_string name;
    bool isStartupLevel = false;
    bool teleport = false;
    bool resetAllActs = false;
    finch::Transform entryView;
    float ballFriction = 0.0f;
    heron::FilePath batSound{"f:/wav/soundeffect.wav"};
    heron::FilePath goalSound{"f:/wav/soundeffect.wav"};
    std::int32_t batSoundVolume = 100;
    std::int32_t goalSoundVolume = 100;
    heron::FilePath counterGraphic{"e:/textures/imagefile"};
    heron::FilePath countedGraphic{"e:/textures/imagefile"};
    bool useSun = false;
    bool extraShine = false;
    Motor motor;

private:
    bool m_needsPlaySounds = false;
    bool m_entered = false;
    heron::counted_ptr<egret::SoundBuffer> m_batSoundBuffer;
    heron::counted_ptr<egret::SoundBuffer> m_goalSoundBuffer;
    std::vector<Zone*> m_targetZones;
    Zone* m_currentObject = nullptr;
    std::vector<std::unique_ptr<Zone>> m_zones;
};

// True when zone a's position is strictly nearer to point than zone b's.
bool nearerToPoint(const finch::Vector3d& point, Zone& a, Zone& b);
