#pragma once

// Look files written out in full, for the game's tests and the seeds of the look-file fuzz target.
namespace looktest
{

// One of every block kind, with lines a reader must get right: markers under a sample file, a
// phrase that does not parse, a song slot that does not exist, a sequence that numbers its
// stages, a sequencer line before any slot is chosen and a step past the last.
inline const char* const everyBlock = R"(A comment line.
Data {
    noExitSound "sounds\bump.wav"
    noExitTexture "tex\wall.rgb"
    medalThrowSound "throw.wav"
    medalCatchSound "catch.wav"
    counter "rings" {
        triggerAt 3
        level 1
        isRing 1
        multi 1
    }
}
Level "First" {
    entryXYZ 1 2 3
    entryHPR 90 10 0
    teleport 1
    ballFriction 0.5
    batSoundVolume 70
    Zone "Cove" {
        center 10 20 30
        radius 15
        changeFlySpeed 1
        flySpeed 4.5
        farClip 800
        noExit 1
        fog {
            type 1
            near 5
            far 50
            color 0.1 0.2 0.3 1
        }
        weather {
            fog {
                changeFog 1
                fogChangeTime 2.5
            }
            sky {
                changeSky 1
                top 0.5 0.5 0.5 1
            }
            sun {
                changeSun 1
                changeHeight 1
                height 12
            }
            stars {
                changeStars 1
                enableStars 1
                numStars 300
            }
            effects {
                radius 99
            }
        }
        song "song1" {
            name "tune"
            volume 40
            file "a.ogg"
                marker 5
                marker 9
            }
            phrase 1 2 3
            phrase 1 x 3
            sing 4 5
        }
        song "ringSong8" {
            name "never"
        }
        condition {
            delay 1.5
            changeLevel "Second"
            changeLevelIf 1
            numRings 4
        }
        act {
            enable 1
            master 1
            sequence {
                repeat 7
                index 3
                repeat 2
                constraint 40
            }
        }
        particles {
            enabled 1
            birthrate 12
            percentSpeed 50
            saturation 0.25
        }
        projectile {
            give 1
            speed 9
        }
    }
    Motor {
        enable 1
        MotorData {
            volume 11
            rings 2
            minBpm 80
            note 3 7
            note 16 9
        }
    }
}
Level "Second" {
    isStartupLevel 1
}
)";

}
