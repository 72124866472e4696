// The demo world's first level as the build makes it, loaded from its data file and drawn in a
// scene window: what a player sees of it.
#include "content/DataFileDisplayTest.h"
#include "content/models/PelicanDatabaseReader.h"
#include "content/world/PelicanDB.h"
#include "scene/window/FinchWindow.h"

#include <gtest/gtest.h>

#include <set>

using namespace datafiletest;

namespace
{

constexpr int side = 64;

class DemoWorldDisplayTest : public DataFileDisplayTest
{
protected:
    void SetUp() override
    {
        DataFileDisplayTest::SetUp();
        if (!hasDisplay()) {
            return;
        }
        pelican::registerPackedFile(heron::FilePath(AURELLE_DEMO_WORLD));
    }

    // The frame of the level seen from the camera.
    kestrel::Image frame(const finch::Transform& camera)
    {
        const heron::counted_ptr<pelican::PelicanDB> db =
            pelican::PelicanDatabaseReader::loadDatabase("models\\shallows.quill", "");
        EXPECT_TRUE(db);
        // As the world does once its model is loaded: the first clean prepares the database.
        db->clean();
        finch::FinchWindow window;
        window.setSize(side, side);
        window.create();
        EXPECT_TRUE(window.isOpen());
        window.setDatabase(db);
        window.viewer().setTransform(camera);
        kestrel::Image image(side, side);
        EXPECT_TRUE(kestrel::renderToImage(image, window));
        return image;
    }
};

// Lit wet sand: red above green above blue, and neither dark nor washed out.
bool isSand(std::uint32_t pixel)
{
    const int red = (pixel >> 16) & 0xFF;
    const int green = (pixel >> 8) & 0xFF;
    const int blue = pixel & 0xFF;
    return red > green && green > blue && red - blue > 0x20 && red > 0x40;
}

}

TEST_F(DemoWorldDisplayTest, TheSeabedSeenFromJustBelowTheWaterIsGrainySand)
{
    // Over deep water far from the islands, three units above the seabed, looking straight down.
    finch::Transform camera;
    camera.position = finch::Vector3d(80.0, -80.0, -1.0);
    camera.pitch = -90.0;
    const kestrel::Image image = frame(camera);
    std::set<std::uint32_t> colours;
    for (int y = 4; y < side; y += 8) {
        for (int x = 4; x < side; x += 8) {
            EXPECT_TRUE(isSand(pixel(image, x, y))) << x << "," << y << ": " << std::hex << pixel(image, x, y);
            colours.insert(pixel(image, x, y));
        }
    }
    // The sand texture's grains, not one flat colour.
    EXPECT_GT(colours.size(), 8u);
    EXPECT_TRUE(m_log.contains("Image file sand.gif read OK")) << m_log.text();
}
