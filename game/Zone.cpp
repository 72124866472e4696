#include "game/Zone.h"

#include "content/world/PelicanObject.h"
#include "scene/render/Texture.h"

namespace
{

int& zoneCount()
{
    static int count = 0;
    return count;
}

// Far clips beyond this reach past the sky dome; the camera gets a tenth more so the dome stays
// inside it.
constexpr float skyReachFarClip = 9999900.0f;

}

double squaredDistance(const finch::Vector3d& a, const finch::Vector3d& b)
{
    return finch::Vector3d(a.x - b.x, a.y - b.y, a.z - b.z).lengthSquared();
}

finch::Vector3d objectPosition(const pelican::PelicanObject& object, double lift)
{
    const finch::Matrix& placed = object.transform();
    return finch::Vector3d(placed.at(3, 0), placed.at(3, 1), placed.at(3, 2) + lift);
}

Zone::Zone()
{
    ++zoneCount();
}

Zone::~Zone()
{
    --zoneCount();
}

int Zone::count()
{
    return zoneCount();
}

finch::Vector3d& Zone::position()
{
    if (isCenteredOnObject && object != nullptr && !isAnAvatar) {
        m_position = objectPosition(*object, verticalOffset);
    }
    return m_position;
}

void Zone::reset()
{
    act.stop();
    if (isCenteredOnObject && object != nullptr) {
        object->resetTransform();
        velocity = finch::Vector3d();
    }
    particles.stop();
    song1.playedOnce = false;
    song2.playedOnce = false;
    ambientSong.playedOnce = false;
}

void Zone::enterLevel()
{
    if (isCenteredOnObject && isBall && object != nullptr) {
        object->resetTransform();
        velocity = finch::Vector3d();
    }
    if (act.enable) {
        for (Song* song : {&song1, &song2}) {
            song->minvolSpeed = 0.0f;
            song->maxvolSpeed = 0.0f;
        }
    }
    song1.playedOnce = false;
    song2.playedOnce = false;
    ambientSong.playedOnce = false;
}

void Zone::exit()
{
    soundingSong = nullptr;
    particles.releaseInternals();
}

float Zone::effectiveFarClip() const
{
    return farClip > skyReachFarClip ? farClip * 1.1f : farClip;
}

void Zone::setParticleImage(const heron::FilePath& file)
{
    particles.imageFile = file;
    rebuildParticleTexture();
}

void Zone::setParticleAnimated(bool animated)
{
    particles.animated = animated;
    rebuildParticleTexture();
}

void Zone::setParticleObject(pelican::PelicanObject* shape)
{
    particles.shape = shape;
}

void Zone::rebuildParticleTexture()
{
    heron::counted_ptr<finch::Texture> texture(new finch::Texture());
    texture->setFile(particles.imageFile.c_str());
    particles.setTexture(texture);
}
