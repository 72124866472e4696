#include "scene/render/Texture.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"
#include "gui/gl/GLstate.h"
#include "gui/gl/GLtexture.h"
#include "gui/paint/Image.h"
#include "gui/paint/ImageReader.h"
#include "gui/widgets/ProgressCallbacks.h"
#include "scene/core/Clock.h"
#include "scene/core/GeometryStats.h"
#include "scene/core/InternSet.h"
#include "scene/core/TaggedBlock.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

namespace finch
{

namespace
{

// flag19 of a texture read from a stream.
constexpr bool flag19Default = false;
constexpr int missingImageSide = 16;
constexpr std::uint32_t missingImagePixel = 0xFF000000;
constexpr int whiteSide = 4;
// The smallest period an animated texture cycles with.
constexpr float shortestPeriod = 0.01f;
constexpr std::uint32_t loadStampStep = 8;

enum TextureTag : std::uint32_t
{
    fileTag = 1,
    legacyReferenceTag = 2,
    legacyFlagTag = 3,
    nameTag = 4,
    legacyFlag2Tag = 10,
    legacyValueTag = 11,
    clampTag = 12,
    legacyFloatTag = 13,
    legacyFloat2Tag = 14,
    fadeStartTag = 15,
    fadeFactorTag = 16,
    filteredTag = 17,
    flag18Tag = 18,
    flag19Tag = 19,
    flag20Tag = 20,
    borderClampTag = 21,
    flag22Tag = 22,
    sequenceTag = 23,
    cyclePeriodTag = 24,
    borderValueTag = 25,
};

}

using GLtextureHandle = std::shared_ptr<kestrel::GLtexture>;

// The GL side of a texture: its image in memory, its size and its GL textures (one per frame).
class TextureInternals
{
public:
    explicit TextureInternals(Texture& owner);
    ~TextureInternals();
    TextureInternals(const TextureInternals&) = delete;
    TextureInternals& operator=(const TextureInternals&) = delete;

    // Makes the GL textures of the description: the image in memory, a file (from the cache) or
    // a sequence of files; the missing-image texture when none can be made.
    void load();
    // Loads when nothing is loaded yet, advancing the load stamp.
    void ensureLoaded();
    void bind();
    void dropGLTextures();
    void setSize(int width, int height);

    Texture& owner;
    bool dirty = true;
    kestrel::Image image;
    int width = 0;
    int height = 0;
    std::uint32_t loadStamp = 0;
    float cachedPeriod = 1.0f;
    float cachedReciprocal = 1.0f;
    std::vector<GLtextureHandle> glTextures;
    bool binding = false;

private:
    void applyOptions(kestrel::GLtexture& texture) const;
    void loadFile(kestrel::ImageReader& reader, const heron::FilePath& file);
    void loadSequence(kestrel::ImageReader& reader);
    std::size_t currentFrame();
};

namespace
{

// A GL texture shared by every texture of one cache key, with the size of its image.
struct CachedGLTexture
{
    GLtextureHandle texture;
    int width = 0;
    int height = 0;
};

// Everything textures share. Kept for the whole run: its GL textures are never deleted after the
// GL context has gone.
struct TextureRegistry
{
    TextureRegistry() { known.reserve(1024); }

    std::vector<TextureInternals*> known;
    InternSet<Texture> locked;
    std::map<heron_string, CachedGLTexture> cache;
    GLtextureHandle missing;
    heron::counted_ptr<Texture> white[2];
    std::map<const Texture*, float> values;
    std::uint32_t loadStamp = 0;
};

TextureRegistry& registry()
{
    static TextureRegistry* const shared = new TextureRegistry;
    return *shared;
}

const GLtextureHandle& missingImageTexture()
{
    GLtextureHandle& missing = registry().missing;
    if (!missing) {
        kestrel::Image image(missingImageSide, missingImageSide);
        image.fill(missingImagePixel);
        missing = std::make_shared<kestrel::GLtexture>();
        missing->setImage(image);
    }
    return missing;
}

// Advances the number at the end of a sequence path: the last digit goes up by one with carry.
// False when there is no digit or the carry runs out of digits.
bool advanceFrameNumber(heron_string& path)
{
    std::uint32_t i = path.length();
    while (i > 0 && (path[i - 1] < '0' || path[i - 1] > '9')) {
        --i;
    }
    while (i > 0) {
        char& digit = path[i - 1];
        if (digit < '0' || digit > '9') {
            return false;
        }
        if (digit != '9') {
            ++digit;
            return true;
        }
        digit = '0';
        --i;
    }
    return false;
}

}

TextureInternals::TextureInternals(Texture& owner) : owner(owner)
{
    registry().known.push_back(this);
}

TextureInternals::~TextureInternals()
{
    std::vector<TextureInternals*>& known = registry().known;
    const auto found = std::find(known.begin(), known.end(), this);
    if (found == known.end()) {
        heron::debug("TextureInternals::~TextureInternals() - texture isn't in list of known textures!\n");
        return;
    }
    known.erase(found);
}

void TextureInternals::setSize(int w, int h)
{
    width = w;
    height = h;
}

void TextureInternals::dropGLTextures()
{
    glTextures.clear();
    setSize(image.width(), image.height());
}

void TextureInternals::applyOptions(kestrel::GLtexture& texture) const
{
    texture.allowCompression();
    if (owner.m_clampS || owner.m_clampT) {
        texture.setClamp(owner.m_borderClamp ? 1 : 0, owner.m_borderClamp ? owner.m_borderValue : 0);
    }
    if (owner.m_filtered != 0) {
        texture.setAnisotropy(0);
    } else {
        texture.setFilters(0, 0);
    }
    if (owner.m_fadeFactor < 1.0f) {
        texture.setFadeMipmaps();
    }
}

void TextureInternals::load()
{
    if (!image.isEmpty()) {
        auto texture = std::make_shared<kestrel::GLtexture>();
        applyOptions(*texture);
        texture->setImage(image);
        setSize(image.width(), image.height());
        glTextures.push_back(texture);
        return;
    }
    kestrel::ImageReader& reader = *kestrel::getImageReader();
    if (owner.m_sequence) {
        loadSequence(reader);
    } else if (reader.exists(owner.m_file.str())) {
        loadFile(reader, owner.m_file);
    }
    if (glTextures.empty()) {
        glTextures.push_back(missingImageTexture());
        setSize(missingImageSide, missingImageSide);
    }
}

void TextureInternals::loadFile(kestrel::ImageReader& reader, const heron::FilePath& file)
{
    auto [entry, made] = registry().cache.try_emplace(owner.cacheKeyFor(file));
    CachedGLTexture& cached = entry->second;
    if (made) {
        cached.texture = std::make_shared<kestrel::GLtexture>();
        kestrel::Image read;
        reader.readImage(file.str(), read);
        if (!read.isEmpty()) {
            cached.width = read.width();
            cached.height = read.height();
            applyOptions(*cached.texture);
            cached.texture->setImage(read);
        }
    }
    // The size travels with the cached texture, so a texture that finds it there knows its size
    // too and never loads again for it.
    if (cached.width > 0) {
        setSize(cached.width, cached.height);
    }
    glTextures.push_back(cached.texture);
}

void TextureInternals::loadSequence(kestrel::ImageReader& reader)
{
    heron_string path = owner.m_file.str();
    for (int frame = 0; reader.exists(path); ++frame) {
        if (frame == Texture::maxSequenceFrames) {
            heron::debug("Texture sequence %s has more than %d frames, the rest are ignored!\n", owner.m_file.c_str(),
                         Texture::maxSequenceFrames);
            return;
        }
        loadFile(reader, heron::FilePath(path));
        // A path without a number is a sequence of one frame.
        if (!advanceFrameNumber(path)) {
            return;
        }
    }
}

void TextureInternals::ensureLoaded()
{
    if (!glTextures.empty()) {
        return;
    }
    TextureRegistry& shared = registry();
    shared.loadStamp += loadStampStep;
    loadStamp = shared.loadStamp;
    load();
}

std::size_t TextureInternals::currentFrame()
{
    if (owner.m_cyclePeriod != cachedPeriod) {
        cachedPeriod = owner.m_cyclePeriod == 0.0f ? shortestPeriod : owner.m_cyclePeriod;
        cachedReciprocal = 1.0f / cachedPeriod;
    }
    const std::size_t count = glTextures.size();
    const double frame = static_cast<double>(count) * (std::fmod(Clock::now(), cachedPeriod) * cachedReciprocal);
    // Rounding can reach the count itself, and a negative period gives negative frames.
    if (!(frame > 0.0)) {
        return 0;
    }
    return std::min(static_cast<std::size_t>(std::min(frame, static_cast<double>(count))), count - 1);
}

void TextureInternals::bind()
{
    if (glTextures.size() == 1) {
        glTextures.front()->bind();
    } else if (!glTextures.empty()) {
        glTextures[currentFrame()]->bind();
    } else if (binding) {
        binding = false;
        heron::debug("TextureInternals::bind() did infinite recursion!\n");
    } else {
        binding = true;
        ensureLoaded();
        bind();
        binding = false;
    }
    dirty = false;
}

heron::Streamable* Texture::create()
{
    return new Texture;
}

Texture::Texture() : m_internals(std::make_unique<TextureInternals>(*this))
{
}

Texture::Texture(const Texture& other) : heron::Streamable(other), heron::Refcountable(other), m_internals(std::make_unique<TextureInternals>(*this))
{
    copyDescription(other);
}

Texture::~Texture()
{
    registry().values.erase(this);
}

Texture& Texture::assign(const Texture& other)
{
    if (refusedByLock()) {
        return *this;
    }
    if (&other != this) {
        m_internals = std::make_unique<TextureInternals>(*this);
        copyDescription(other);
    }
    return *this;
}

void Texture::copyDescription(const Texture& other)
{
    m_name = other.m_name;
    m_file = other.m_file;
    m_flag19 = other.m_flag19;
    m_flag20 = other.m_flag20;
    m_borderClamp = other.m_borderClamp;
    m_flag22 = other.m_flag22;
    m_clampS = other.m_clampS;
    m_clampT = other.m_clampT;
    m_sequence = other.m_sequence;
    m_cyclePeriod = other.m_cyclePeriod;
    m_fadeStart = other.m_fadeStart;
    m_fadeFactor = other.m_fadeFactor;
    m_filtered = other.m_filtered;
    m_flag18 = other.m_flag18;
    m_borderValue = other.m_borderValue;
    // An image in memory is shared: the copy shows the same pixels.
    m_internals->image = other.m_internals->image;
    m_internals->setSize(m_internals->image.width(), m_internals->image.height());
    markDirty();
}

bool Texture::refusedByLock() const
{
    if (m_locked) {
        heron::debug("Error - tried to change a locked Texture!\n");
    }
    return m_locked;
}

void Texture::markDirty()
{
    m_internals->dirty = true;
}

void Texture::setName(const heron_string& name)
{
    if (!refusedByLock()) {
        m_name = name;
    }
}

void Texture::setFile(const heron::FilePath& file)
{
    if (!refusedByLock()) {
        m_file = file;
        if (m_name.empty()) {
            m_name = file.name();
        }
    }
    markDirty();
}

void Texture::setImage(const kestrel::Image& image)
{
    if (!refusedByLock()) {
        m_file = heron::FilePath();
        m_internals->image = image;
        m_internals->dropGLTextures();
    }
    markDirty();
}

void Texture::setClampS(bool clamp)
{
    if (!refusedByLock()) {
        m_clampS = clamp;
    }
    markDirty();
}

void Texture::setClampT(bool clamp)
{
    if (!refusedByLock()) {
        m_clampT = clamp;
    }
    markDirty();
}

void Texture::setFlag19(bool flag)
{
    if (!refusedByLock()) {
        m_flag19 = flag;
    }
    markDirty();
}

void Texture::setScalePair(float fadeStart, float fadeFactor)
{
    if (!std::isfinite(fadeStart) || !std::isfinite(fadeFactor)) {
        heron::debug("Texture::setScalePair() - values that are not numbers, ignored!\n");
    } else if (!refusedByLock()) {
        m_fadeStart = fadeStart;
        m_fadeFactor = fadeFactor;
    }
    markDirty();
}

void Texture::setFlag23(bool sequence)
{
    if (!refusedByLock()) {
        m_sequence = sequence;
    }
    markDirty();
}

void Texture::setValue24(float cyclePeriod)
{
    if (!std::isfinite(cyclePeriod)) {
        heron::debug("Texture::setValue24() - a period that is not a number, ignored!\n");
    } else if (!refusedByLock()) {
        m_cyclePeriod = cyclePeriod;
    }
    markDirty();
}

int Texture::width()
{
    if (m_internals->width == 0) {
        m_internals->ensureLoaded();
    }
    return m_internals->width;
}

int Texture::height()
{
    if (m_internals->height == 0) {
        m_internals->ensureLoaded();
    }
    return m_internals->height;
}

void Texture::bind()
{
    if (m_internals->dirty) {
        m_internals->dropGLTextures();
    }
    m_internals->bind();
}

int Texture::frameCount() const
{
    return static_cast<int>(m_internals->glTextures.size());
}

void Texture::draw2D(float x, float y)
{
    bind();
    const auto w = static_cast<float>(m_internals->width);
    const auto h = static_cast<float>(m_internals->height);
    if (w < 1.0f || h < 1.0f) {
        return;
    }
    const float s = 1.0f - 1.0f / w;
    const float t = 1.0f - 1.0f / h;
    kestrel::beginPrimitive(kestrel::Primitive::Polygon);
    kestrel::texCoord2f(0.0f, 0.0f);
    kestrel::vertex3f(x, y, 0.0f);
    kestrel::texCoord2f(s, 0.0f);
    kestrel::vertex3f(x + w - 1.0f, y, 0.0f);
    kestrel::texCoord2f(s, t);
    kestrel::vertex3f(x + w - 1.0f, y + h - 1.0f, 0.0f);
    kestrel::texCoord2f(0.0f, t);
    kestrel::vertex3f(x, y + h - 1.0f, 0.0f);
    kestrel::endPrimitive();
}

bool Texture::operator<(const Texture& other) const
{
    const int files = m_file.str().compare(other.m_file.str());
    if (files != 0) {
        return files < 0;
    }
    const auto flags = [](const Texture& t) { return std::tuple(t.m_flag20, t.m_flag22, t.m_clampS, t.m_clampT, t.m_sequence); };
    if (flags(*this) != flags(other)) {
        return flags(*this) < flags(other);
    }
    return std::tuple(m_cyclePeriod, m_fadeStart, m_fadeFactor) <
           std::tuple(other.m_cyclePeriod, other.m_fadeStart, other.m_fadeFactor);
}

heron_string Texture::cacheKey() const
{
    return cacheKeyFor(m_file);
}

heron_string Texture::cacheKeyFor(const heron::FilePath& file) const
{
    heron_string key = kestrel::getImageReader()->resolvePath(file.str());
    key += ':';
    for (const bool digit : {m_flag20, m_flag22, m_flag19, m_filtered == 0, m_flag18 == 0, m_clampS, m_clampT}) {
        key += digit ? '1' : '0';
    }
    key += m_fadeStart == 1.0f && m_fadeFactor == 1.0f ? 'n' : 'd';
    return key;
}

heron::counted_ptr<Texture> Texture::getLocked(const Texture& description)
{
    return registry().locked.findOrAdd(description, [&description] {
        heron::counted_ptr<Texture> copy(new Texture(description));
        copy->m_locked = true;
        return copy;
    });
}

void Texture::loadAll(kestrel::ProgressCallbacks* progress)
{
    heron::debug("Binding white textures...\n");
    for (int which = 0; which < 2; ++which) {
        whiteTexture(which)->bind();
    }
    heron::debug("Loading texture files...\n");
    // By index: loading may add textures to the list.
    std::vector<TextureInternals*>& known = registry().known;
    for (std::size_t i = 0; i < known.size(); ++i) {
        known[i]->owner.bind();
        if (progress != nullptr && progress->progress()) {
            return;
        }
    }
}

heron::counted_ptr<Texture> Texture::whiteTexture(int which)
{
    heron::counted_ptr<Texture>& white = registry().white[which == 0 ? 0 : 1];
    if (!white) {
        kestrel::Image image(whiteSide, whiteSide);
        image.fill(which == 0 ? 0xFFFFFFFFu : 0x00000000u);
        white.reset(new Texture);
        white->setImage(image);
        white->setName(which == 0 ? "whiteTextureSolid" : "whiteTextureAlpha");
    }
    return white;
}

void Texture::getStatistics(GeometryStats& stats)
{
    stats.textures = kestrel::GLtexture::count();
    stats.textureBytes = static_cast<double>(kestrel::GLtexture::totalBytes());
}

bool Texture::legacyValue(const Texture& texture, float& value)
{
    const auto& values = registry().values;
    const auto found = values.find(&texture);
    if (found == values.end()) {
        return false;
    }
    value = found->second;
    return true;
}

void Texture::write(heron::DataDest& dest) const
{
    dest.writeTag(fileTag).writePath(m_file);
    dest.writeTag(nameTag).writeString(m_name);
    dest.writeTag(clampTag).writeBool(m_clampS).writeBool(m_clampT);
    writeFloat(dest.writeTag(fadeStartTag), m_fadeStart);
    writeFloat(dest.writeTag(fadeFactorTag), m_fadeFactor);
    dest.writeTag(filteredTag).writeInt32(m_filtered);
    dest.writeTag(flag18Tag).writeInt32(m_flag18);
    dest.writeTag(flag19Tag).writeBool(m_flag19);
    dest.writeTag(flag20Tag).writeBool(m_flag20);
    dest.writeTag(borderClampTag).writeBool(m_borderClamp);
    dest.writeTag(flag22Tag).writeBool(m_flag22);
    dest.writeTag(sequenceTag).writeBool(m_sequence);
    writeFloat(dest.writeTag(cyclePeriodTag), m_cyclePeriod);
    dest.writeTag(borderValueTag).writeUInt32(m_borderValue);
    dest.writeTag(0);
}

void Texture::read(heron::DataSource& source)
{
    m_flag19 = flag19Default;
    readTaggedBlock(source, [&](std::uint32_t tag) { readField(source, tag); });
    markDirty();
}

void Texture::readField(heron::DataSource& source, std::uint32_t tag)
{
    constexpr const char* reader = "Texture::read()";
    bool ignoredFlag = false;
    float ignoredFloat = 0.0f;
    std::uint32_t ignoredReference = 0;
    switch (tag) {
    case fileTag: source.readPath(m_file); break;
    case nameTag: source.readString(m_name); break;
    case clampTag: readBoolField(source, m_clampS); readBoolField(source, m_clampT); break;
    case fadeStartTag: readFiniteFloat(source, m_fadeStart, reader); break;
    case fadeFactorTag: readFiniteFloat(source, m_fadeFactor, reader); break;
    case filteredTag: readInt32Field(source, m_filtered); break;
    case flag18Tag: readInt32Field(source, m_flag18); break;
    case flag19Tag: readBoolField(source, m_flag19); break;
    case flag20Tag: readBoolField(source, m_flag20); break;
    case borderClampTag: readBoolField(source, m_borderClamp); break;
    case flag22Tag: readBoolField(source, m_flag22); break;
    case sequenceTag: readBoolField(source, m_sequence); break;
    case cyclePeriodTag: readFiniteFloat(source, m_cyclePeriod, reader); break;
    case borderValueTag: readUInt32Field(source, m_borderValue); break;
    case legacyReferenceTag: source.readUInt32(ignoredReference); break;
    case legacyFlagTag:
    case legacyFlag2Tag: source.readBool(ignoredFlag); break;
    case legacyFloatTag:
    case legacyFloat2Tag: readFloat(source, ignoredFloat); break;
    case legacyValueTag:
        if (readFiniteFloat(source, ignoredFloat, reader)) {
            registry().values[this] = ignoredFloat;
        }
        break;
    default: break;
    }
}

void Texture::afterLoad()
{
    if (m_fadeStart < 1.0f && m_fadeFactor < 1.0f) {
        if (!refusedByLock()) {
            m_flag22 = false;
        }
        markDirty();
    }
}

}
