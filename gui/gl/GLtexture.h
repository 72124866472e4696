#pragma once

#include <cstdint>
#include <memory>

namespace kestrel
{

class GLcapabilities;
class Image;

// What an upload asks of the mipmap builder.
class MipmapperInfo
{
public:
    virtual ~MipmapperInfo() = default;
    virtual bool wantsCompression() const = 0;
    virtual bool wantsMipmaps() const = 0;
    virtual bool wantsFade() const = 0;
};

class GLtextureInternals;

// An OpenGL texture made from an image: created on its first bind, filled once by setImage.
// Every live texture is listed for count() and totalBytes(). Main thread only.
class GLtexture
{
public:
    GLtexture();
    // Deletes the GL texture in the shared context.
    ~GLtexture();
    GLtexture(const GLtexture&) = delete;
    GLtexture& operator=(const GLtexture&) = delete;

    // Binds the texture to GL_TEXTURE_2D of the current unit, creating it (and its parameters)
    // on the first call. GL errors are read only then: logged, and the texture still used.
    void bind();
    // Uploads the image (power-of-two sizes, mipmaps as asked; compression and automatic
    // anisotropy as chooseTextureQuality says); ignored for an empty image or once uploaded. A GL
    // error after the upload is logged.
    void setImage(const Image& image);
    // min 2 builds mipmaps; any other value gives one level with nearest filtering.
    void setFilters(int mag, int min);
    // Clamps texture coordinates: mode 0 to the edge, 1 to the border colour (0xAABBGGRR).
    void setClamp(int mode, std::uint32_t borderColour);
    void allowCompression();
    // 1 off, 0 automatic, other values used as given.
    void setAnisotropy(int level);
    // Mipmap levels fade out (alpha 102, 81, 65, ... from level 0).
    void setFadeMipmaps();

    // Live textures and the texture memory of all their uploaded levels, in bytes.
    static int count();
    static std::int64_t totalBytes();

    GLtextureInternals& internals() { return *m_internals; }

private:
    void create();

    std::unique_ptr<GLtextureInternals> m_internals;
};

// Upload arithmetic.
// A texture side: clamped to maxSide and rounded down to a power of two, at least 1.
int textureSide(int side, int maxSide);
// Alpha of a fading level: the truncation of 255 x 0.5 x 0.8^(level + 1).
int fadeAlpha(int level);
// The anisotropy level set for a request (0 automatic: 4 above a driver maximum of 8, else 2).
int anisotropyLevel(int requested, int driverMaximum);

// The user's texture settings, program-wide. Automatic leaves the choice to the program, which
// follows the renderer (chooseTextureQuality); a choice the user made is kept on every renderer.
enum class TextureSetting
{
    Automatic,
    Off,
    On,
};
struct TextureSettings
{
    TextureSetting compression = TextureSetting::Automatic;
    int anisotropy = 0;     // 0 automatic, 1 off, else the level
};
// Read whenever a texture is made; main thread only.
extern TextureSettings textureSettings;

// What a texture gets that allows compression and asks for automatic anisotropy.
struct TextureQuality
{
    bool compress = true;
    int anisotropy = 1;     // the level set; 1 sets none
};
// Where the settings are automatic: on hardware compression and anisotropyLevel(0, its maximum);
// on a software renderer plain textures without anisotropy, since there both cost far more
// drawing time than they save. A record that was never filled counts as hardware.
TextureQuality chooseTextureQuality(const TextureSettings& settings, const GLcapabilities& renderer);

// The internal format and size an upload uses.
struct UploadFormat
{
    int internalFormat = 0;
    int components = 0;     // after grey expansion
    bool expandGrey = false;    // byte 0 copied into bytes 1 and 2 of every pixel
    bool halve = false;         // the image goes up at half size
};
// Chooses the internal format for an image of `components` (clamped to 1..4) and size.
UploadFormat chooseUploadFormat(int components, int width, int height, bool compressionAllowed,
                                bool canCompress);

// The texture builder: uploads image into the texture bound to GL_TEXTURE_2D of the current
// context as options ask (power-of-two sides within the driver's maximum, channel order,
// internal format, mipmap chain with optional fading). Returns the texture memory of all levels
// in bytes; 0 (and no GL call) for an empty image.
std::int64_t buildTexture(const Image& image, const MipmapperInfo& options);

}
