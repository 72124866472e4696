#include "scene/render/Material.h"

#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "support/GLTestSupport.h"
#include "support/SceneStreams.h"
#include "support/StreamBytes.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

namespace
{

using finch::Material;
using finch::RGBA;
using scenestreams::Bytes;
using scenestreams::readStream;
using scenestreams::streamOf;
const auto call = GLRecorder::call;

// A call on both faces whose last argument is a pointer or a float, as the recorder shows it.
std::string pointerCall(const char* name, GLenum parameter)
{
    return std::string(name) + "(" + std::to_string(GL_FRONT_AND_BACK) + "," + std::to_string(parameter) + ",_)";
}

// What the GL table installed by a test last received.
std::uint32_t sentColour = 0;
float sentShininess = -1.0f;

// Replaces the colour and shininess entry points so their values can be seen.
class ValueTable : public ScopedGLTable
{
public:
    ValueTable()
    {
        Color4ubv = [](const GLubyte* bytes) { std::memcpy(&sentColour, bytes, 4); };
        Materialf = [](GLenum, GLenum, GLfloat value) { sentShininess = value; };
    }
};

// A material read from a body of tagged fields.
Material fromBody(const std::function<void(heron::MemoryDataDest&)>& fields)
{
    heron::MemoryDataDest body;
    fields(body);
    heron::MemoryDataSource source(body.data(), body.size(), false);
    Material material(RGBA{1, 1, 1, 1});
    material.read(source);
    return material;
}

class MaterialStateTest : public testing::Test
{
protected:
    void TearDown() override { Material::unlock(); }
};

Material lit(float red)
{
    Material m(RGBA{red, 0.5f, 0.25f, 1.0f});
    m.setLit(true);
    return m;
}

}

TEST(MaterialTest, ConstructionAndSettersKeepColoursInRange)
{
    Material m(RGBA{2.0f, 0.5f, -1.0f, 0.4f});
    EXPECT_EQ(m.name(), "Material");
    EXPECT_EQ(m.ambient(), (RGBA{0.4f, 0.1f, 0.0f, 1.0f}));
    EXPECT_EQ(m.diffuse(), (RGBA{1.0f, 0.4f, 0.0f, 1.0f}));
    EXPECT_EQ(m.colour(), (RGBA{1.0f, 0.5f, 0.0f, 1.0f}));
    EXPECT_TRUE(m.flag32());
    EXPECT_FALSE(m.isLit());
    m.setShininess(1.5f);
    EXPECT_EQ(m.shininess(), 1.0f);
    m.setOpacity(0.3f);
    for (const RGBA& c : {m.ambient(), m.diffuse(), m.specular(), m.emission(), m.colour()}) {
        EXPECT_EQ(c.a, 0.3f);
    }
    m.setSphereMap(true);
    m.setTexture(0, heron::counted_ptr<finch::Texture>(new finch::Texture));
    EXPECT_FALSE(m.textureFlag(0));
    m.setSphereMap(false);
    m.setTexture(1, m.texture(0));
    EXPECT_TRUE(m.textureFlag(1));
}

TEST(MaterialTest, EqualMaterialsAreInternedOnce)
{
    Material a = lit(0.5f);
    Material b = lit(0.5f);
    b.setName("another name");
    const heron::counted_ptr<Material> shared = Material::intern(a);
    EXPECT_TRUE(shared->isInterned());
    EXPECT_FALSE(a.isInterned());
    EXPECT_EQ(Material::intern(b), shared);
    b.setDiffuse(RGBA{0.1f, 0.1f, 0.1f, 1});
    EXPECT_NE(Material::intern(b), shared);
    // Unlit materials of different colours draw differently.
    Material red(RGBA{1, 0, 0, 1});
    Material blue(RGBA{0, 0, 1, 1});
    blue.assign(red);
    blue.setColour(RGBA{0, 0, 1, 1});
    EXPECT_NE(Material::intern(red), Material::intern(blue));
    EXPECT_EQ(Material::intern(blue)->colour(), (RGBA{0, 0, 1, 1}));

    const heron::counted_ptr<Material> defaults = Material::defaultMaterial();
    EXPECT_EQ(defaults->name(), "Default");
    EXPECT_TRUE(defaults->isInterned());
    EXPECT_EQ(Material::defaultMaterial(), defaults);
    Material copy = *defaults;
    EXPECT_FALSE(copy.isInterned());
}

TEST(MaterialTest, StoredMaterialsReadBackToTheSameBytes)
{
    Material changed = lit(0.75f);
    changed.setName("glass");
    changed.setSpecular(RGBA{0.9f, 0.8f, 0.7f, 0.6f});
    changed.setEmission(RGBA{0.1f, 0.2f, 0.3f, 1.0f});
    changed.setShininess(0.125f);
    changed.setOpacity(0.5f);
    changed.setValue30(0.25f);
    changed.setColour(RGBA{0.5f, 0.6f, 0.7f, 0.8f});
    changed.setSmoothShading(false);
    changed.setVertexColours(true);
    heron::counted_ptr<finch::Texture> texture(new finch::Texture);
    texture->setFile("sand.gif");
    changed.setTexture(0, texture);
    changed.setTexture(1, texture);
    for (const Material* original : {Material::defaultMaterial().get(), &changed}) {
        const Bytes bytes = streamOf(*original);
        const heron::counted_ptr<heron::Streamable> back = readStream(bytes);
        ASSERT_TRUE(back);
        EXPECT_EQ(streamOf(*back), bytes);
    }
    const auto back = readStream(streamOf(changed));
    const auto* material = dynamic_cast<const Material*>(back.get());
    ASSERT_NE(material, nullptr);
    EXPECT_EQ(material->texture(0), material->texture(1));
    EXPECT_EQ(material->texture(0)->file(), heron::FilePath("sand.gif"));
}

TEST(MaterialTest, ATextureStoredTwiceKeepsTheFirst)
{
    Material m(RGBA{1, 1, 1, 1});
    heron::counted_ptr<finch::Texture> first(new finch::Texture);
    first->setFile("first.gif");
    m.setTexture(0, first);
    m.setTexture(1, heron::counted_ptr<finch::Texture>(new finch::Texture));
    Bytes bytes = streamOf(m);
    // Unit 1's tag becomes a second tag of unit 0: tag, 32-bit reference, flag, tag.
    const unsigned char unit0[] = {0x28, 2, 0, 0, 0};
    const auto unit1 = std::search(bytes.begin(), bytes.end(), std::begin(unit0), std::end(unit0)) + 6;
    ASSERT_EQ(*unit1, 0x29);
    *unit1 = 0x28;
    const auto back = readStream(bytes);
    const auto& material = dynamic_cast<const Material&>(*back);
    ASSERT_TRUE(material.texture(0));
    EXPECT_EQ(material.texture(0)->file(), heron::FilePath("first.gif"));
    EXPECT_FALSE(material.texture(1));
}

TEST(MaterialTest, ATextureReferenceToAnotherClassBecomesNoTexture)
{
    TempLog log;
    // Material 1's unit 0 names material 2 where a texture belongs.
    const Bytes bytes = streamtest::StreamBytes()
                            .declare(1, Material::classIdentifier)
                            .object(1, 1, streamtest::StreamBytes("").tag(40).u32(2).tag(1).tag(0).bytes)
                            .object(1, 2, streamtest::StreamBytes("").tag(0).bytes)
                            .end()
                            .bytes;
    const auto back = readStream(bytes);
    const auto* material = dynamic_cast<const Material*>(back.get());
    ASSERT_NE(material, nullptr);
    EXPECT_FALSE(material->texture(0));
    EXPECT_TRUE(log.contains("which is not of the field's class"));
}

TEST(MaterialTest, ReadingSkipsOlderAndUnknownTagsAndKeepsValuesInRange)
{
    const Material m = fromBody([](heron::MemoryDataDest& body) {
        body.writeTag(2).writeUInt32(77);   // an older reference, dropped
        body.writeTag(20);                  // unknown: no value
        body.writeTag(14).writeUInt32(std::bit_cast<std::uint32_t>(std::numeric_limits<float>::quiet_NaN()));
        body.writeTag(15).writeUInt32(std::bit_cast<std::uint32_t>(5.0f));
        body.writeTag(1).writeString("kept");
        body.writeTag(60);                  // unknown, at the end of the data
    });
    EXPECT_EQ(m.name(), "kept");
    EXPECT_EQ(m.shininess(), 0.0f);
    EXPECT_EQ(m.opacity(), 1.0f);
    // Such a material still interns without upsetting the set's order.
    EXPECT_EQ(Material::intern(m), Material::intern(m));
}

TEST_F(MaterialStateTest, ShininessGoesToGLScaledTo128)
{
    ValueTable table;
    Material m = lit(0.5f);
    m.setShininess(1.5f);
    m.apply();
    EXPECT_EQ(sentShininess, 128.0f);
}

TEST_F(MaterialStateTest, AnUnsetUnlitColourDrawsWhiteOnEveryPath)
{
    ValueTable table;
    Material unset(RGBA{1, 1, 1, 1});
    unset.setColour(RGBA{0, 0, 0, 0});
    Material grey(RGBA{1, 1, 1, 1});
    grey.setColour(RGBA{0.5f, 0.5f, 0.5f, 1.0f});
    unset.apply();
    EXPECT_EQ(sentColour, 0xFFFFFFFFu);
    Material::lockDefault();
    grey.apply();
    EXPECT_EQ(sentColour, 0xFF7F7F7Fu);
    unset.apply();
    EXPECT_EQ(sentColour, 0xFFFFFFFFu);
}

TEST_F(MaterialStateTest, AFullApplySetsEveryState)
{
    lit(0.5f).apply();   // the first apply also probes for multitexture
    GLRecorder recorder;
    lit(0.5f).apply();
    // Without multitexture (no display here) only unit 0 is set.
    EXPECT_EQ(recorder.calls(), (std::vector<std::string>{
                         call("Disable", {GL_COLOR_MATERIAL}), call("Enable", {GL_LIGHTING}),
                         pointerCall("Materialfv", GL_AMBIENT), pointerCall("Materialfv", GL_DIFFUSE),
                         pointerCall("Materialfv", GL_SPECULAR), pointerCall("Materialfv", GL_EMISSION),
                         pointerCall("Materialf", GL_SHININESS), call("ShadeModel", {GL_SMOOTH}),
                         call("Disable", {GL_TEXTURE_GEN_S}), call("Disable", {GL_TEXTURE_GEN_T}),
                         call("Disable", {GL_TEXTURE_2D})}));
}

TEST_F(MaterialStateTest, WithTheCacheOnlyWhatChangedIsSent)
{
    Material::lockDefault();
    GLRecorder recorder;
    const Material first = lit(0.5f);
    first.apply();
    recorder.clear();
    first.apply();
    EXPECT_EQ(recorder.count("Materialfv"), 4);
    EXPECT_EQ(recorder.count("Materialf("), 1);
    EXPECT_EQ(recorder.calls().size(), 5u);

    Material flat = lit(0.5f);
    flat.setSmoothShading(false);
    flat.setLit(false);
    recorder.clear();
    flat.apply();
    EXPECT_EQ(recorder.calls(), (std::vector<std::string>{call("Disable", {GL_LIGHTING}), "Color4ubv(_)",
                                                          call("ShadeModel", {GL_FLAT})}));

    // Vertex colours drive the lighting; leaving them gives light 0 back its colour.
    Material coloured = flat;
    coloured.setVertexColours(true);
    recorder.clear();
    coloured.apply();
    EXPECT_EQ(recorder.count(call("Enable", {GL_COLOR_MATERIAL})), 1);
    EXPECT_EQ(recorder.count(call("Enable", {GL_LIGHTING})), 1);
    EXPECT_EQ(recorder.count("Lightfv"), 1);
    recorder.clear();
    Material::setLight0Diffuse(RGBA{0.3f, 0.3f, 0.3f, 1.0f});
    flat.apply();
    const std::string light0 = "Lightfv(" + std::to_string(GL_LIGHT0) + "," + std::to_string(GL_DIFFUSE) + ",_)";
    EXPECT_EQ(recorder.calls(), (std::vector<std::string>{light0, light0,
                                                          call("Disable", {GL_COLOR_MATERIAL}),
                                                          call("Disable", {GL_LIGHTING}), "Color4ubv(_)"}));
}
