#include "content/DataFiles.h"
#include "content/DataFileFixture.h"
#include "gui/toolkit/Updatable.h"
#include "support/FakeDesktop.h"

#include <gtest/gtest.h>

#include <thread>

using namespace datafiletest;

namespace
{

// Counts the event loop's idle passes; each pass opens a file, as a loading screen's repaint might.
struct OpeningUpdatable : kestrel::Updatable
{
    bool update() override
    {
        ++passes;
        static_cast<void>(readDataFile("anything.txt"));
        return false;
    }
    int passes = 0;
};

class Pump : public testing_gui::FakeDesktop
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        pelican::resetDataFiles();
        kestrel::Updatable::startUpdating(&m_updatable);
    }
    void TearDown() override
    {
        kestrel::Updatable::stopUpdating(&m_updatable);
        pelican::resetDataFiles();
        FakeDesktop::TearDown();
    }

    OpeningUpdatable m_updatable;
};

}

TEST_F(Pump, OpeningRunsTheEventLoopOnlyOnTheThreadThatAskedForIt)
{
    static_cast<void>(readDataFile("anything.txt"));
    EXPECT_EQ(m_updatable.passes, 0);
    pelican::setPumpMessages();
    std::thread([] { static_cast<void>(readDataFile("anything.txt")); }).join();
    EXPECT_EQ(m_updatable.passes, 0);
    static_cast<void>(readDataFile("anything.txt"));
    EXPECT_EQ(m_updatable.passes, 1);
    pelican::clearPumpMessages();
    static_cast<void>(readDataFile("anything.txt"));
    EXPECT_EQ(m_updatable.passes, 1);
}
