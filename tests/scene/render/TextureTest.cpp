#include "scene/render/Texture.h"

#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "gui/paint/Image.h"
#include "support/LogCapture.h"
#include "support/SceneStreams.h"

#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <limits>
#include <vector>

namespace
{

using finch::Texture;
using scenestreams::Bytes;
using scenestreams::readStream;
using scenestreams::streamOf;

void writeFloatField(heron::MemoryDataDest& body, std::uint32_t tag, float value)
{
    body.writeTag(tag).writeUInt32(std::bit_cast<std::uint32_t>(value));
}

// A texture read from a body of tagged fields.
heron::counted_ptr<Texture> fromBody(const std::function<void(heron::MemoryDataDest&)>& fields)
{
    heron::MemoryDataDest body;
    fields(body);
    heron::MemoryDataSource source(body.data(), body.size(), false);
    heron::counted_ptr<Texture> texture(new Texture);
    texture->read(source);
    return texture;
}

Texture withFile(const char* file)
{
    Texture texture;
    texture.setFile(file);
    return texture;
}

}

TEST(TextureTest, CacheKeyNamesTheFileAndTheGLOptions)
{
    Texture texture = withFile("images\\sand.gif");
    EXPECT_EQ(texture.name(), "sand.gif");
    EXPECT_EQ(texture.cacheKey(), "images\\sand.gif:1100000n");
    texture.setFlag19(true);
    texture.setClampT(true);
    texture.setScalePair(0.5f, 0.8f);
    EXPECT_EQ(texture.cacheKey(), "images\\sand.gif:1110001d");
    const auto options = fromBody([](heron::MemoryDataDest& body) {
        body.writeTag(17).writeInt32(0).writeTag(18).writeInt32(0).writeTag(20).writeBool(false);
    });
    EXPECT_EQ(options->cacheKey(), ":0101100n");
}

TEST(TextureTest, OrderComparesFileThenFlagsThenFloats)
{
    const Texture a = withFile("a.gif");
    Texture b = withFile("b.gif");
    EXPECT_TRUE(a < b);
    EXPECT_FALSE(b < a);
    Texture sameFile = withFile("a.gif");
    sameFile.setName("other");
    sameFile.setFlag19(true);
    EXPECT_FALSE(a < sameFile || sameFile < a);
    sameFile.setClampS(true);
    EXPECT_TRUE(a < sameFile);
    Texture slower = withFile("a.gif");
    slower.setValue24(2.0f);
    EXPECT_TRUE(a < slower);
}

TEST(TextureTest, LockedTexturesAreSharedAndRefuseChanges)
{
    LogCapture log;
    Texture description = withFile("locked.gif");
    const heron::counted_ptr<Texture> locked = Texture::getLocked(description);
    EXPECT_TRUE(locked->isLocked());
    EXPECT_FALSE(description.isLocked());
    description.setName("another name");
    EXPECT_EQ(Texture::getLocked(description), locked);
    description.setClampS(true);
    EXPECT_NE(Texture::getLocked(description), locked);

    locked->setName("changed");
    locked->setFile("elsewhere.gif");
    locked->assign(description);
    EXPECT_EQ(locked->name(), "locked.gif");
    EXPECT_EQ(locked->file(), heron::FilePath("locked.gif"));
    EXPECT_FALSE(locked->clampS());
    EXPECT_EQ(log.count("Error - tried to change a locked Texture!\n"), 3);
}

TEST(TextureTest, CopiesShareAnImageInMemory)
{
    Texture original;
    original.setImage(kestrel::Image(8, 4));
    Texture copy(original);
    Texture assigned;
    assigned = original;
    for (Texture* t : {&copy, &assigned}) {
        EXPECT_EQ(t->width(), 8);
        EXPECT_EQ(t->height(), 4);
        EXPECT_TRUE(t->file().str().empty());
    }
}

TEST(TextureTest, StoredTexturesReadBackToTheSameBytes)
{
    const heron::counted_ptr<Texture> changed = fromBody([](heron::MemoryDataDest& body) {
        body.writeTag(1).writePath(heron::FilePath("water\\wave00.gif"));
        body.writeTag(4).writeString("waves");
        body.writeTag(12).writeBool(true).writeBool(false);
        writeFloatField(body, 15, 0.5f);
        writeFloatField(body, 16, 0.8f);
        body.writeTag(17).writeInt32(0).writeTag(18).writeInt32(7);
        for (std::uint32_t tag = 19; tag <= 23; ++tag) {
            body.writeTag(tag).writeBool(tag % 2 == 0);
        }
        writeFloatField(body, 24, 2.5f);
        body.writeTag(25).writeUInt32(0x80FF0000u);
        body.writeTag(0);
    });
    EXPECT_EQ(changed->borderValue(), 0x80FF0000u);
    EXPECT_TRUE(changed->isSequence() == false && changed->flag22());
    const Texture defaults;
    for (const Texture* original : {&defaults, static_cast<const Texture*>(changed.get())}) {
        const Bytes bytes = streamOf(*original);
        const heron::counted_ptr<heron::Streamable> back = readStream(bytes);
        ASSERT_TRUE(back);
        // Fading textures lose flag22 when loaded; written again they keep it off.
        const Bytes again = streamOf(*back);
        EXPECT_EQ(streamOf(*readStream(again)), again);
        EXPECT_EQ(again == bytes, original == &defaults);
    }
    const auto back = readStream(streamOf(*changed));
    EXPECT_FALSE(dynamic_cast<const Texture&>(*back).flag22());
}

TEST(TextureTest, ReadingAcceptsOlderTagsAndRefusesValuesThatAreNotNumbers)
{
    LogCapture log;
    const heron::counted_ptr<Texture> texture = fromBody([](heron::MemoryDataDest& body) {
        body.writeTag(2).writeUInt32(5);
        body.writeTag(3).writeBool(true).writeTag(10).writeBool(true);
        writeFloatField(body, 11, 0.75f);
        writeFloatField(body, 13, 1.0f);
        writeFloatField(body, 14, 1.0f);
        body.writeTag(99);   // unknown: no value
        writeFloatField(body, 24, std::numeric_limits<float>::infinity());
        body.writeTag(4).writeString("kept");
        body.writeTag(98);   // unknown, at the end of the data
    });
    EXPECT_EQ(texture->name(), "kept");
    EXPECT_EQ(texture->cyclePeriod(), 1.0f);
    EXPECT_TRUE(log.contains("not a number"));
    float value = 0.0f;
    ASSERT_TRUE(Texture::legacyValue(*texture, value));
    EXPECT_EQ(value, 0.75f);
    EXPECT_FALSE(Texture::legacyValue(Texture(), value));
}
