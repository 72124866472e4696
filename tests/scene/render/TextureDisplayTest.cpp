#include "scene/render/Material.h"
#include "scene/render/Texture.h"

#include "gui/paint/ImageReader.h"
#include "gui/widgets/ProgressCallbacks.h"
#include "scene/core/Clock.h"
#include "support/GLTestSupport.h"
#include "support/LogCapture.h"

#include <map>
#include <string>
#include <vector>

namespace
{

using finch::Texture;

// Image files that exist only in memory: each name has a size and a colour (0xAARRGGBB).
class MemoryImageReader : public kestrel::ImageReader
{
public:
    struct File
    {
        int width;
        int height;
        std::uint32_t colour;
    };

    void readImage(const heron_string& fileName, kestrel::Image& image) override
    {
        ++reads;
        const auto found = files.find(fileName.c_str());
        if (found != files.end()) {
            image = kestrel::Image(found->second.width, found->second.height);
            image.fill(found->second.colour);
        }
    }
    bool exists(const heron_string& fileName) override { return files.count(fileName.c_str()) != 0; }

    std::map<std::string, File> files;
    int reads = 0;
};

double clockSeconds = 0.0;

double testClock()
{
    return clockSeconds;
}

class TextureDisplayTest : public GLDisplayTest
{
protected:
    void SetUp() override
    {
        GLDisplayTest::SetUp();
        kestrel::setImageReader(&reader);
        finch::Clock::setBaseClock(&testClock);
    }
    void TearDown() override
    {
        kestrel::setImageReader(nullptr);
        finch::Clock::setBaseClock(nullptr);
    }

    // The GL texture name a bind of texture uses.
    static std::string boundName(Texture& texture)
    {
        GLRecorder recorder;
        texture.bind();
        const std::vector<std::string>& calls = recorder.calls();
        const auto bind = std::find_if(calls.rbegin(), calls.rend(),
                                       [](const std::string& c) { return c.rfind("BindTexture", 0) == 0; });
        return bind == calls.rend() ? "" : *bind;
    }

    static Texture sequence(const char* firstFile)
    {
        Texture texture;
        texture.setFile(firstFile);
        texture.setFlag23(true);
        return texture;
    }

    MemoryImageReader reader;
};

}

TEST_F(TextureDisplayTest, TexturesOfOneFileAndOptionsShareOneGLTexture)
{
    reader.files["share.gif"] = {8, 4, 0xFFFF0000};
    Texture first;
    first.setFile("share.gif");
    Texture second = first;
    second.setName("not part of the key");
    Texture clamped = first;
    clamped.setClampS(true);
    const std::string name = boundName(first);
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(boundName(second), name);
    EXPECT_NE(boundName(clamped), name);
    EXPECT_EQ(reader.reads, 2);
    // The texture that found its GL texture in the cache knows the size too, and asking for it
    // loads nothing more.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(second.width(), 8);
        EXPECT_EQ(second.height(), 4);
    }
    EXPECT_EQ(second.frameCount(), 1);
    Texture fresh;
    fresh.setFile("share.gif");
    EXPECT_EQ(fresh.width(), 8);
    EXPECT_EQ(fresh.frameCount(), 1);
}

TEST_F(TextureDisplayTest, SequencesCountUpWithCarryUntilAFileIsMissing)
{
    for (const char* file : {"fish08.gif", "fish09.gif", "fish10.gif", "fish12.gif", "b8.gif", "b9.gif", "c0.gif", "plain.gif"}) {
        reader.files[file] = {4, 4, 0xFF00FF00};
    }
    struct Case
    {
        const char* first;
        int frames;
        int width;
    };
    const Case cases[] = {
        {"fish08.gif", 3, 4},   // 08, 09, 10; 11 is missing
        {"b8.gif", 2, 4},       // the carry out of b9 meets a letter
        {"plain.gif", 1, 4},    // no number: one frame
        {"gone00.gif", 1, 16},  // first file missing: the missing-image texture
    };
    for (const Case& c : cases) {
        Texture texture = sequence(c.first);
        texture.bind();
        EXPECT_EQ(texture.frameCount(), c.frames) << c.first;
        EXPECT_EQ(texture.width(), c.width) << c.first;
    }
}

TEST_F(TextureDisplayTest, AnimatedTexturesShowTheFrameOfTheClock)
{
    for (const char* file : {"anim0.gif", "anim1.gif", "anim2.gif"}) {
        reader.files[file] = {4, 4, 0xFF0000FF};
    }
    Texture texture = sequence("anim0.gif");
    texture.setValue24(0.1f);
    std::vector<std::string> frames;
    for (const double now : {0.01, 0.05, 0.09}) {
        clockSeconds = now;
        frames.push_back(boundName(texture));
    }
    EXPECT_NE(frames[0], frames[1]);
    EXPECT_NE(frames[1], frames[2]);
    clockSeconds = 0.12;
    EXPECT_EQ(boundName(texture), frames[0]);
    // Just before the end of the period the frame number rounds up to the frame count: the last
    // frame is shown.
    clockSeconds = static_cast<double>(0.1f) - 1e-12;
    EXPECT_EQ(boundName(texture), frames[2]);
    // A period of 0 cycles every hundredth of a second.
    texture.setValue24(0.0f);
    clockSeconds = 0.005;
    EXPECT_EQ(boundName(texture), frames[1]);
}

TEST_F(TextureDisplayTest, UploadedImagesDrawTheirPixels)
{
    reader.files["magenta.gif"] = {8, 8, 0xFFFF00FF};
    Texture fromFile;
    fromFile.setFile("magenta.gif");
    Texture inMemory;
    kestrel::Image image(8, 8);
    image.fill(0xFF00FFFF);
    inMemory.setImage(image);
    for (auto [texture, colour] : {std::pair(&fromFile, 0xFFFF00FFu), std::pair(&inMemory, 0xFF00FFFFu)}) {
        const kestrel::Image drawn = render(16, 16, [&](kestrel::ImageBody&) {
            clearTo(0, 0, 0);
            kestrel::setOrthoProjection(0, 16, 0, 16, -1, 1);
            kestrel::enableState(kestrel::GLStateId::Texture2D);
            texture->draw2D(2, 2);
        });
        EXPECT_EQ(pixel(drawn, 4, 4), colour);
        EXPECT_EQ(pixel(drawn, 12, 12), 0xFF000000u);   // the quad is 7 x 7 pixels
    }
}

TEST_F(TextureDisplayTest, LoadingAllBindsEveryKnownTexture)
{
    LogCapture log;
    reader.files["late.gif"] = {2, 2, 0xFFFFFFFF};
    Texture never;
    never.setFile("late.gif");
    Texture::loadAll();
    EXPECT_EQ(never.frameCount(), 1);
    EXPECT_TRUE(log.contains("Binding white textures...\nLoading texture files...\n"));
    EXPECT_EQ(Texture::whiteTexture(0)->name(), "whiteTextureSolid");
    EXPECT_EQ(Texture::whiteTexture(1)->width(), 4);
}

TEST_F(TextureDisplayTest, TheProgressCallbacksMayStopLoadingAll)
{
    // Counts its calls; asks to stop from the first when told to.
    class Progress : public kestrel::ProgressCallbacks
    {
    public:
        explicit Progress(bool stop) : m_stop(stop) {}
        bool progress() override
        {
            ++calls;
            return m_stop;
        }
        int calls = 0;

    private:
        bool m_stop;
    };
    reader.files["first.gif"] = {2, 2, 0xFFFFFFFF};
    reader.files["second.gif"] = {2, 2, 0xFFFFFFFF};
    Texture first;
    first.setFile("first.gif");
    Texture second;
    second.setFile("second.gif");
    Progress stopping(true);
    Texture::loadAll(&stopping);
    EXPECT_EQ(stopping.calls, 1);
    EXPECT_EQ(second.frameCount(), 0);
    Progress going(false);
    Texture::loadAll(&going);
    EXPECT_GE(going.calls, 2);
    EXPECT_EQ(second.frameCount(), 1);
}

TEST_F(TextureDisplayTest, MaterialsBindTexturesOnlyWhenAUnitChanges)
{
    reader.files["unit.gif"] = {4, 4, 0xFFFFFFFF};
    heron::counted_ptr<Texture> texture(new Texture);
    texture->setFile("unit.gif");
    finch::Material material(finch::RGBA{1, 1, 1, 1});
    material.setTexture(1, texture);
    texture->bind();   // loaded beforehand, so that only the material's bind is seen
    finch::Material::lockDefault();
    GLRecorder recorder;
    material.apply();
    EXPECT_EQ(recorder.count(GLRecorder::call("Enable", {GL_TEXTURE_2D})), 1);
    EXPECT_EQ(recorder.count("BindTexture"), 1);
    EXPECT_EQ(recorder.count(GLRecorder::call("ActiveTextureARB", {GL_TEXTURE0_ARB})), 1);
    recorder.clear();
    material.apply();
    EXPECT_EQ(recorder.count("BindTexture") + recorder.count("ActiveTextureARB"), 0);
    finch::Material::unlock();
}
