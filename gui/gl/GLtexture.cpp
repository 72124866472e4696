#include "gui/gl/GLtexture.h"

#include "base/Debug.h"
#include "gui/gl/GLcapabilities.h"
#include "gui/gl/GLclient.h"
#include "gui/gl/GLstate.h"
#include "gui/gl/GLtextureInternals.h"
#include "gui/paint/Image.h"
#include "platform/GLFunctions.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace kestrel
{

TextureSettings textureSettings;

namespace
{

std::vector<GLtexture*>& liveTextures()
{
    static std::vector<GLtexture*> textures;
    return textures;
}

// Packed 0xAABBGGRR to float RGBA.
void unpackColour(std::uint32_t packed, GLfloat rgba[4])
{
    for (int i = 0; i < 4; ++i) {
        rgba[i] = static_cast<GLfloat>((packed >> (8 * i)) & 0xFF) / 255.0f;
    }
}

void setAlpha(Image& image, int alpha)
{
    std::uint32_t* const pixels = image.pixels();
    const std::size_t n = static_cast<std::size_t>(image.width()) * image.height();
    for (std::size_t i = 0; i < n; ++i) {
        pixels[i] = (pixels[i] & 0x00FFFFFFu) | (static_cast<std::uint32_t>(alpha) << 24);
    }
}

void swapRedBlue(Image& image)
{
    std::uint32_t* const pixels = image.pixels();
    const std::size_t n = static_cast<std::size_t>(image.width()) * image.height();
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t p = pixels[i];
        pixels[i] = (p & 0xFF00FF00u) | ((p >> 16) & 0xFFu) | ((p & 0xFFu) << 16);
    }
}

void expandGrey(Image& image)
{
    std::uint32_t* const pixels = image.pixels();
    const std::size_t n = static_cast<std::size_t>(image.width()) * image.height();
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t grey = pixels[i] & 0xFFu;
        pixels[i] = (pixels[i] & 0xFF000000u) | grey | (grey << 8) | (grey << 16);
    }
}

// Uploads one level; returns its size in texture memory.
std::int64_t uploadLevel(int level, const UploadFormat& format, GLenum sourceFormat, const Image& image)
{
    plat::GLFunctions& g = plat::gl();
    g.TexImage2D(GL_TEXTURE_2D, level, format.internalFormat, image.width(), image.height(), 0, sourceFormat,
                 GL_UNSIGNED_BYTE, image.pixels());
    GLint compressed = 0;
    g.GetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_COMPRESSED_ARB, &compressed);
    if (compressed == 0) {
        return static_cast<std::int64_t>(image.width()) * image.height() * 4;
    }
    GLint size = 0;
    g.GetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_COMPRESSED_IMAGE_SIZE_ARB, &size);
    return size;
}

// The level a texture asking for `requested` gets: the program's choice for 0 (automatic).
int anisotropyFor(int requested)
{
    return requested == 0 ? chooseTextureQuality(textureSettings, getGLcapabilities()).anisotropy : requested;
}

void setUnpackState()
{
    plat::GLFunctions& g = plat::gl();
    g.PixelStorei(GL_UNPACK_SWAP_BYTES, 0);
    g.PixelStorei(GL_UNPACK_LSB_FIRST, 0);
    g.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    g.PixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    g.PixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    g.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

}

int textureSide(int side, int maxSide)
{
    const int limit = std::max(1, std::min(side, maxSide));
    int power = 1;
    while (power <= limit / 2) {
        power *= 2;
    }
    return power;
}

int fadeAlpha(int level)
{
    double factor = 0.5;
    for (int i = 0; i <= level; ++i) {
        factor *= 0.8;
    }
    return static_cast<int>(factor * 255.0);
}

int anisotropyLevel(int requested, int driverMaximum)
{
    if (requested != 0) {
        return requested;
    }
    return driverMaximum > 8 ? 4 : 2;
}

TextureQuality chooseTextureQuality(const TextureSettings& settings, const GLcapabilities& renderer)
{
    const bool software = renderer.valid && renderer.isSoftwareRenderer();
    TextureQuality quality;
    quality.compress = settings.compression == TextureSetting::Automatic ? !software : settings.compression == TextureSetting::On;
    if (settings.anisotropy != 0) {
        quality.anisotropy = settings.anisotropy;
    } else if (!software) {
        quality.anisotropy = anisotropyLevel(0, renderer.maxAnisotropy);
    }
    return quality;
}

UploadFormat chooseUploadFormat(int components, int width, int height, bool compressionAllowed, bool canCompress)
{
    UploadFormat format;
    format.components = std::clamp(components, 1, 4);
    if (!compressionAllowed) {
        const int plain[] = {GL_LUMINANCE8, GL_LUMINANCE8_ALPHA8, GL_RGB8, GL_RGBA8};
        format.internalFormat = plain[format.components - 1];
        return format;
    }
    if (canCompress) {
        if (format.components < 3) {
            format.expandGrey = true;
            format.components += 2;
        }
        // The driver picks the compression scheme.
        format.internalFormat = format.components == 3 ? GL_COMPRESSED_RGB_ARB : GL_COMPRESSED_RGBA_ARB;
        return format;
    }
    // Asked to save memory without compression: half the size instead.
    format.halve = width > 2 && height > 2;
    format.internalFormat = format.components;
    return format;
}

GLtexture::GLtexture()
    : m_internals(std::make_unique<GLtextureInternals>())
{
    liveTextures().push_back(this);
}

GLtexture::~GLtexture()
{
    std::vector<GLtexture*>& textures = liveTextures();
    textures.erase(std::remove(textures.begin(), textures.end(), this), textures.end());
    const GLuint name = m_internals->name;
    if (name != 0 && makeSharedContextCurrent()) {
        plat::gl().DeleteTextures(1, &name);
    }
}

int GLtexture::count()
{
    return static_cast<int>(liveTextures().size());
}

std::int64_t GLtexture::totalBytes()
{
    std::int64_t sum = 0;
    for (const GLtexture* texture : liveTextures()) {
        sum += texture->m_internals->bytes;
    }
    return sum;
}

void GLtexture::setFilters(int mag, int min)
{
    m_internals->magFilter = mag;
    m_internals->minFilter = min;
}

void GLtexture::setClamp(int mode, std::uint32_t borderColour)
{
    m_internals->clamp = true;
    m_internals->clampMode = mode;
    m_internals->borderColour = borderColour;
}

void GLtexture::allowCompression()
{
    m_internals->compressionAllowed = true;
}

void GLtexture::setAnisotropy(int level)
{
    m_internals->anisotropy = level;
}

void GLtexture::setFadeMipmaps()
{
    m_internals->fadeMipmaps = true;
}

void GLtexture::bind()
{
    if (m_internals->created) {
        plat::gl().BindTexture(GL_TEXTURE_2D, m_internals->name);
        return;
    }
    // GL errors are read where the texture is made, not on every bind: reading one makes a
    // threaded driver catch up with every call queued before it.
    plat::gl().GetError();
    create();
    if (plat::glErrorPending()) {
        heron::debug("GL had an error during GLtexture::bind()\n");
    }
}

void GLtexture::create()
{
    GLtextureInternals& in = *m_internals;
    if (plat::glErrorPending()) {
        heron::debug("GL had an error at the start of Texture::doBind()\n");
    }
    ensureGLcontext();
    loadTextureExtensions();
    in.created = true;
    plat::GLFunctions& g = plat::gl();
    GLuint name = 0;
    g.GenTextures(1, &name);
    in.name = name;
    g.BindTexture(GL_TEXTURE_2D, name);
    if (in.fadeMipmaps) {
        in.forceTrilinear = true;
    }
    if (!in.wantsMipmaps()) {
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    } else if (const int level = anisotropyFor(in.anisotropy); level != 1 && weHaveAnisotropicControl) {
        g.TexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, static_cast<GLfloat>(level));
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    } else if (in.forceTrilinear) {
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    }
    in.borderUnavailable = false;
    if (in.clamp) {
        GLint wrap = GL_REPEAT;
        if (in.clampMode == 1 && plat::glExtensionStringHas("GL_ARB_texture_border_clamp")) {
            GLfloat colour[4];
            unpackColour(in.borderColour, colour);
            g.TexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, colour);
            wrap = GL_CLAMP_TO_BORDER_ARB;
        } else if (in.clampMode == 1) {
            in.borderUnavailable = true;
        } else if (in.clampMode == 0 && weCanClampToEdge) {
            wrap = GL_CLAMP_TO_EDGE;
        }
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    }
    if (plat::glErrorPending()) {
        heron::debug("An error occurred during Texture::doBind()\n");
    }
}

void GLtexture::setImage(const Image& image)
{
    GLtextureInternals& in = *m_internals;
    if (image.isEmpty() || in.uploaded) {
        return;
    }
    in.width = image.width();
    in.height = image.height();
    bind();
    const std::int64_t bytes = buildTexture(image, in);
    in.bytes = static_cast<std::int32_t>(std::min<std::int64_t>(bytes, INT32_MAX));
    in.uploaded = true;
    if (plat::glErrorPending()) {
        heron::debug("GL had an error while uploading a %d x %d texture\n", in.width, in.height);
    }
}

std::int64_t buildTexture(const Image& image, const MipmapperInfo& options)
{
    if (image.isEmpty()) {
        return 0;
    }
    loadTextureExtensions();
    GLint maxSide = 0;
    plat::gl().GetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    // One working copy, resampled in place level by level.
    Image copy;
    copy.copyFrom(image);
    copy.resize(textureSide(image.width(), maxSide), textureSide(image.height(), maxSide));
    const bool bgra = useDisplayLists && weHaveBGRA;
    if (!bgra) {
        swapRedBlue(copy);
    }
    const GLenum sourceFormat = bgra ? GL_BGRA_EXT : GL_RGBA;
    if (options.wantsFade()) {
        copy.setComponents(4);
    }
    setUnpackState();
    const bool compress = options.wantsCompression() && chooseTextureQuality(textureSettings, getGLcapabilities()).compress;
    const UploadFormat format = chooseUploadFormat(copy.components(), copy.width(), copy.height(), compress, weCanCompressTextures);
    if (format.expandGrey) {
        expandGrey(copy);
    }
    if (format.halve) {
        copy.resize(copy.width() / 2, copy.height() / 2);
    }
    if (!options.wantsMipmaps()) {
        return uploadLevel(0, format, sourceFormat, copy);
    }
    std::int64_t bytes = 0;
    for (int level = 0;; ++level) {
        if (options.wantsFade()) {
            setAlpha(copy, fadeAlpha(level));
        }
        bytes += uploadLevel(level, format, sourceFormat, copy);
        if (copy.width() == 1 && copy.height() == 1) {
            return bytes;
        }
        copy.resize(std::max(1, copy.width() / 2), std::max(1, copy.height() / 2));
    }
}

bool Image::makeTexture(const MipmapperInfo& options) const
{
    return !isEmpty() && buildTexture(*this, options) > 0;
}

}
