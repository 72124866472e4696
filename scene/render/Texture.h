#pragma once

#include "base/FilePath.h"
#include "base/Refcountable.h"
#include "base/Streamable.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"

#include <cstdint>
#include <memory>

namespace kestrel
{
class Image;
class ProgressCallbacks;
}

namespace finch
{

struct GeometryStats;
class TextureInternals;

// The stored description of one texture: the image file (or an image in memory) and the options
// with which it becomes OpenGL textures, one for a still texture or one per frame of a numbered
// sequence. The GL side is made at the first bind and shared through a cache with every texture
// of the same file and GL options. A locked texture (made by getLocked) refuses every change.
// Images are read through the toolkit's image reader. Main thread only.
class Texture : public heron::Streamable, public heron::Refcountable
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::Texture";
    // Frames a sequence may have.
    static constexpr int maxSequenceFrames = 4096;

    // The stream factory: a new default texture.
    static heron::Streamable* create();

    // Unlocked and dirty, with the default options.
    Texture();
    // Copies the description (not the lock); an image in memory is shared.
    Texture(const Texture& other);
    Texture& operator=(const Texture& other) { return assign(other); }
    ~Texture() override;
    // On a locked texture prints the lock message and copies nothing; otherwise drops the GL side and
    // copies the description, not the lock.
    Texture& assign(const Texture& other);

    // Setters refuse a locked texture with a logged message; all but setName mark the GL side out of
    // date even then.
    void setName(const heron_string& name);
    // The file; an empty name becomes the file's name part.
    void setFile(const heron::FilePath& file);
    // Shows an image held in memory instead of a file.
    void setImage(const kestrel::Image& image);
    void setClampS(bool clamp);
    void setClampT(bool clamp);
    void setFlag19(bool flag);
    // The mipmap fade pair; fading is on while fadeFactor is below 1. Values that are not finite
    // are refused.
    void setScalePair(float fadeStart, float fadeFactor);
    // The file is the first of a numbered frame sequence.
    void setFlag23(bool sequence);
    // Seconds for one pass through a sequence's frames; a value that is not finite is refused.
    void setValue24(float cyclePeriod);

    const heron_string& name() const { return m_name; }
    const heron::FilePath& file() const { return m_file; }
    bool isLocked() const { return m_locked; }
    bool flag19() const { return m_flag19; }
    bool flag20() const { return m_flag20; }
    bool borderClamp() const { return m_borderClamp; }
    bool flag22() const { return m_flag22; }
    bool clampS() const { return m_clampS; }
    bool clampT() const { return m_clampT; }
    bool isSequence() const { return m_sequence; }
    float cyclePeriod() const { return m_cyclePeriod; }
    float fadeStart() const { return m_fadeStart; }
    float fadeFactor() const { return m_fadeFactor; }
    std::int32_t filtered() const { return m_filtered; }
    std::int32_t flag18() const { return m_flag18; }
    std::uint32_t borderValue() const { return m_borderValue; }

    // Size of the image in pixels; loads the GL side first when it is not known yet.
    int width();
    int height();
    // Binds the GL texture (the current frame of a sequence) to the current unit, remaking the GL
    // side when the description changed.
    void bind();
    // Draws the texture as a screen quad whose lower-left corner is (x, y).
    void draw2D(float x, float y);
    // GL textures the texture holds now: one, a sequence's frames, or none before loading.
    int frameCount() const;

    // The order of descriptions that share one locked texture: file, then flag20, flag22, clampS,
    // clampT, sequence, cyclePeriod, fadeStart, fadeFactor.
    bool operator<(const Texture& other) const;
    // The key under which the GL texture of file is shared: the reader's resolved path, ':', seven
    // option digits, then 'n' (no fade) or 'd'.
    heron_string cacheKey() const;
    heron_string cacheKeyFor(const heron::FilePath& file) const;

    // The shared locked texture equal to description under the order, made on first request.
    static heron::counted_ptr<Texture> getLocked(const Texture& description);
    // Binds the white textures and then every texture, so that all are loaded. After each texture
    // the progress callbacks (when given) are asked; true from them leaves the rest to load at
    // their first use.
    static void loadAll(kestrel::ProgressCallbacks* progress = nullptr);
    // "whiteTextureSolid" (4 x 4 opaque white) for 0, "whiteTextureAlpha" (transparent) otherwise.
    static heron::counted_ptr<Texture> whiteTexture(int which);
    // Stores the number of live GL textures and their bytes in the report.
    static void getStatistics(GeometryStats& stats);
    // The number an older stored form kept with this texture; false when it had none.
    static bool legacyValue(const Texture& texture, float& value);

    const char* className() const override { return classIdentifier; }
    void write(heron::DataDest& dest) const override;
    // Reads the tagged block, including the older form's tags; a float that is not finite keeps
    // the default.
    void read(heron::DataSource& source) override;
    // A fading texture (fadeStart and fadeFactor below 1) clears flag22.
    void afterLoad() override;

private:
    friend class TextureInternals;

    // Prints the lock message and returns true when the texture is locked.
    bool refusedByLock() const;
    void markDirty();
    void readField(heron::DataSource& source, std::uint32_t tag);
    void copyDescription(const Texture& other);

    heron_string m_name;
    heron::FilePath m_file;
    bool m_locked = false;
    bool m_flag19 = false;
    bool m_flag20 = true;
    bool m_borderClamp = false;
    bool m_flag22 = true;
    bool m_clampS = false;
    bool m_clampT = false;
    bool m_sequence = false;
    float m_cyclePeriod = 1.0f;
    float m_fadeStart = 1.0f;
    float m_fadeFactor = 1.0f;
    std::int32_t m_filtered = 1;
    std::int32_t m_flag18 = 1;
    std::uint32_t m_borderValue = 0;
    std::unique_ptr<TextureInternals> m_internals;
};

}
