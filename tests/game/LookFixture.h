#pragma once

#include "base/counted_ptr.h"
#include "content/DataFiles.h"
#include "game/EngineSetup.h"
#include "game/Look.h"
#include "game/LookLogic.h"
#include "support/ManualSceneClock.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>

// Worlds read, with the engine set up as the program sets it up, from look files written into a temporary folder, with the scene clock set by hand.
class LookTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pelican::resetDataFiles();
        setUpEngine();
    }
    void TearDown() override { pelican::resetDataFiles(); }

    heron::counted_ptr<Look> read(const std::string& text, const char* name = "world.look")
    {
        writeWholeFile(m_folder.path() / name, text);
        return heron::counted_ptr<Look>(new Look(heron::FilePath(m_folder.file(name).c_str())));
    }

    static Zone& zoneNamed(Level& level, const char* name)
    {
        for (const auto& zone : level.zones()) {
            if (zone->name == name) {
                return *zone;
            }
        }
        ADD_FAILURE() << "no zone " << name;
        return *level.zones().front();
    }

    // Puts the world's eye at x on the x axis and runs one logic step at time t.
    void stepAt(Look& world, double x, double t)
    {
        finch::Transform placement;
        placement.position = finch::Vector3d(x, 0, 0);
        world.camera().setTransform(placement);
        m_clock.frame(t);
        world.logic().update();
    }

    ManualSceneClock m_clock{100.0};
    TempFolder m_folder;
};
