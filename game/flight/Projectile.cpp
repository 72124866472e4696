#include "game/flight/Projectile.h"

#include "content/SoundCache.h"
#include "sound/OpenALSoundHAL.h"
#include "sound/SoundSystem.h"

void Projectile::loadSound()
{
    if (!give || !enableSnd || loadedSound || egret::SoundSystem::hasDied()) {
        return;
    }
    loadedSound = egret::SoundSystem::instance().hal().loadBuffer(pelican::getSound(sound.c_str()),
                                                                  egret::Loading::AtOnce);
}

void Projectile::releaseSound()
{
    loadedSound = {};
}
