#include "gui/gl/glFont.h"

#include "base/Debug.h"
#include "gui/gl/GLcapabilities.h"
#include "gui/gl/GLclient.h"
#include "gui/gl/GLstate.h"
#include "gui/paint/Image.h"
#include "platform/GLFunctions.h"

#include <algorithm>
#include <memory>

namespace kestrel
{

namespace
{

constexpr float texelOffset = 0.45f;

bool isOn(GLenum capability)
{
    return plat::gl().IsEnabled(capability) == GL_TRUE;
}

void appendPair(GrowableArray<float>& out, float a, float b)
{
    out.append(a);
    out.append(b);
}

}

GlyphEntry glyphEntryFor(const Rect& cell, int pad, float textureWidth, float textureHeight)
{
    GlyphEntry entry;
    entry.advance = cell.width;
    entry.x = cell.x;
    entry.y = cell.y;
    entry.cellWidth = cell.width + 2 * pad;
    entry.cellHeight = cell.height + 2 * pad;
    const float s0 = (cell.x + texelOffset - pad) / textureWidth;
    const float s1 = (cell.x + cell.width + pad + texelOffset) / textureWidth;
    const float t0 = (cell.y + texelOffset - pad) / textureHeight;
    const float t1 = (cell.y + cell.height + pad + texelOffset) / textureHeight;
    const float st[8] = {s0, t0, s1, t0, s1, t1, s0, t1};
    for (int i = 0; i < 8; ++i) {
        entry.st[i] = st[i];
    }
    return entry;
}

std::vector<std::uint8_t> glyphSheetDXT1(const Image& sheet)
{
    const int width = sheet.width();
    const int height = sheet.height();
    std::vector<std::uint8_t> blocks;
    if (width % 4 != 0 || height % 4 != 0 || sheet.isEmpty()) {
        return blocks;
    }
    blocks.reserve(static_cast<std::size_t>(width) * height / 2);
    for (int by = 0; by < height; by += 4) {
        for (int bx = 0; bx < width; bx += 4) {
            // Colour 0 black below colour 1 white: the three-colour mode, where index 3 is transparent.
            const std::uint8_t head[4] = {0x00, 0x00, 0xFF, 0xFF};
            blocks.insert(blocks.end(), head, head + 4);
            for (int row = 0; row < 4; ++row) {
                std::uint8_t bits = 0x55;
                for (int column = 0; column < 4; ++column) {
                    if ((*sheet.pixelAt(bx + column, by + row) >> 24) == 0) {
                        bits |= static_cast<std::uint8_t>(3u << (2 * column));
                    }
                }
                blocks.push_back(bits);
            }
        }
    }
    return blocks;
}

glFont::glFont(const FontKey& key, int firstChar, int lastChar, bool padFlag)
    : Font(key), m_pad(padFlag), m_first(std::clamp(firstChar, 0, 255)), m_last(std::min(lastChar, 255))
{
}

glFont::~glFont()
{
    const GLuint name = m_texture;
    if (name != 0 && makeSharedContextCurrent()) {
        plat::gl().DeleteTextures(1, &name);
    }
}

glFont& glFont::standard()
{
    constexpr int firstPrintable = ' ';
    constexpr int lastPrintable = '~';
    constexpr bool padded = false;
    static const std::unique_ptr<glFont> font =
        std::make_unique<glFont>(FontKey{FontKey::monospaceFace, 0, 0}, firstPrintable, lastPrintable, padded);
    return *font;
}

const GlyphEntry& glFont::entryFor(char c) const
{
    static const GlyphEntry none;
    const int code = static_cast<unsigned char>(c);
    const std::size_t index = code < m_first || code > m_last ? 0 : static_cast<std::size_t>(code - m_first);
    if (m_glyphs.empty()) {
        return none;
    }
    return m_glyphs[index < m_glyphs.size() ? index : 0];
}

void glFont::buildTexture()
{
    m_tried = true;
    Image sheet;
    std::vector<Rect> cells;
    if (m_last < m_first || !grabGlyphs(m_first, m_last - m_first + 1, m_pad, sheet, cells) || sheet.isEmpty()) {
        return;
    }
    plat::GLFunctions& g = plat::gl();
    GLuint name = 0;
    g.GenTextures(1, &name);
    g.BindTexture(GL_TEXTURE_2D, name);
    g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    const GLcapabilities& record = getGLcapabilities();
    const bool s3 = record.hasExtension("GL_EXT_texture_compression_s3tc") &&
                    plat::resolveGLFunction(plat::glDriver().CompressedTexImage2DARB, "glCompressedTexImage2DARB");
    const std::vector<std::uint8_t> blocks = s3 ? glyphSheetDXT1(sheet) : std::vector<std::uint8_t>();
    GLint requested = GL_LUMINANCE4_ALPHA4;
    if (!blocks.empty()) {
        requested = GL_COMPRESSED_RGBA_S3TC_DXT1_EXT;
        g.CompressedTexImage2DARB(GL_TEXTURE_2D, 0, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, sheet.width(), sheet.height(), 0,
                                  static_cast<GLsizei>(blocks.size()), blocks.data());
    } else {
        g.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
        g.TexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE4_ALPHA4, sheet.width(), sheet.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     sheet.pixels());
    }
    GLint internal = 0;
    g.GetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
    if (internal != requested) {
        heron::debug("!!! glFont() - internal format didn't match\n");
    }
    m_texture = name;
    m_textureWidth = static_cast<float>(sheet.width());
    m_textureHeight = static_cast<float>(sheet.height());
    const int pad = m_pad ? 1 : 0;
    m_glyphs.reserve(0);
    for (const Rect& cell : cells) {
        m_glyphs.append(glyphEntryFor(cell, pad, m_textureWidth, m_textureHeight));
    }
}

bool glFont::begin(const ImageBody& target)
{
    if (!m_tried) {
        buildTexture();
    }
    if (m_texture == 0) {
        return false;
    }
    plat::GLFunctions& g = plat::gl();
    g.GetDoublev(GL_PROJECTION_MATRIX, m_projection);
    g.GetDoublev(GL_MODELVIEW_MATRIX, m_modelView);
    m_blend = isOn(GL_BLEND);
    m_lighting = isOn(GL_LIGHTING);
    m_texture2D = isOn(GL_TEXTURE_2D);
    m_depthTest = isOn(GL_DEPTH_TEST);
    m_alphaTest = isOn(GL_ALPHA_TEST);
    g.GetIntegerv(GL_ALPHA_TEST_FUNC, &m_alphaFunc);
    g.GetFloatv(GL_ALPHA_TEST_REF, &m_alphaRef);
    g.GetIntegerv(GL_TEXTURE_BINDING_2D, &m_boundTexture);
    GLclient::setPixelProjection(target);
    g.Enable(GL_BLEND);
    g.Disable(GL_DEPTH_TEST);
    g.Enable(GL_TEXTURE_2D);
    g.Disable(GL_LIGHTING);
    g.Enable(GL_ALPHA_TEST);
    g.AlphaFunc(GL_GREATER, 0.2f);
    g.BindTexture(GL_TEXTURE_2D, m_texture);
    return true;
}

void glFont::end()
{
    plat::GLFunctions& g = plat::gl();
    g.MatrixMode(GL_PROJECTION);
    g.LoadMatrixd(m_projection);
    g.MatrixMode(GL_MODELVIEW);
    g.LoadMatrixd(m_modelView);
    plat::glSwitch(GL_BLEND, m_blend);
    plat::glSwitch(GL_LIGHTING, m_lighting);
    plat::glSwitch(GL_TEXTURE_2D, m_texture2D);
    plat::glSwitch(GL_DEPTH_TEST, m_depthTest);
    plat::glSwitch(GL_ALPHA_TEST, m_alphaTest);
    g.AlphaFunc(static_cast<GLenum>(m_alphaFunc), m_alphaRef);
    g.BindTexture(GL_TEXTURE_2D, static_cast<GLuint>(m_boundTexture));
}

int glFont::drawQuads(const char* text, std::uint32_t colour, const std::uint32_t* colours)
{
    m_texCoords.clear();
    m_positions.clear();
    m_colours.clear();
    int x = 0;
    int quads = 0;
    for (const char* c = text; *c; ++c, ++quads) {
        const GlyphEntry& e = entryFor(*c);
        const float left = static_cast<float>(x);
        const float right = static_cast<float>(x + e.cellWidth);
        const float top = static_cast<float>(e.cellHeight);
        const float corners[8] = {left, 0.0f, right, 0.0f, right, top, left, top};
        const std::uint32_t shade = colours ? colours[quads] : colour;
        for (int v = 0; v < 4; ++v) {
            appendPair(m_positions, corners[2 * v], corners[2 * v + 1]);
            appendPair(m_texCoords, e.st[2 * v], e.st[2 * v + 1]);
            m_colours.append(shade);
        }
        x += e.advance;
    }
    setVertexArray2(m_positions.data(), 0);
    setColorArray(m_colours.data(), 0);
    setTexCoordArray(m_texCoords.data(), 0);
    plat::gl().DrawArrays(GL_QUADS, 0, 4 * quads);
    setColorArray(nullptr, 0);
    setTexCoordArray(nullptr, 0);
    return x;
}

int glFont::drawText(const ImageBody& target, int x, int y, const char* text, std::uint32_t colour)
{
    if (!text || !*text || !begin(target)) {
        return 0;
    }
    plat::gl().Translatef(static_cast<float>(x), static_cast<float>(y), 0.0f);
    const int advance = drawQuads(text, colour, nullptr);
    end();
    return advance;
}

int glFont::drawTextColoured(const ImageBody& target, int x, int y, const char* text, const std::uint32_t* colours)
{
    if (!text || !*text || !colours || !begin(target)) {
        return 0;
    }
    plat::gl().Translatef(static_cast<float>(x), static_cast<float>(y), 0.0f);
    const int advance = drawQuads(text, 0, colours);
    end();
    return advance;
}

int glFont::drawTextRaw(const float* matrix, const char* text, std::uint32_t colour)
{
    if (!text || !*text || m_texture == 0) {
        return 0;
    }
    plat::gl().LoadIdentity();
    plat::gl().MultMatrixf(matrix);
    return drawQuads(text, colour, nullptr);
}

}
