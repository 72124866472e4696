#pragma once

#include "content/DataFileDisplayTest.h"
#include "game/EngineSetup.h"
#include "game/Look.h"

// Display tests of the game: the engine set up as the program sets it up, a fresh data-file layer
// and no world left behind.
class GameDisplayTest : public datafiletest::DataFileDisplayTest
{
protected:
    void SetUp() override
    {
        DataFileDisplayTest::SetUp();
        setUpEngine();
    }
    void TearDown() override
    {
        setCurrentLook(heron::counted_ptr<Look>());
        DataFileDisplayTest::TearDown();
    }
};
