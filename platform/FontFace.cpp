#include "platform/FontFace.h"

#include "base/Debug.h"
#include "platform/Windows1252.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <strings.h>

namespace plat
{

namespace
{

// Slant of a synthesised italic: x += 0.2126 * y, in 16.16.
constexpr FT_Fixed kObliqueShear = 0x0366A;

// FreeType's library object is shared; creating and freeing faces must not overlap.
std::mutex& libraryMutex()
{
    static std::mutex mutex;
    return mutex;
}

FT_Library library()
{
    static FT_Library lib = [] {
        FT_Library created = nullptr;
        if (FT_Init_FreeType(&created) != 0) {
            heron::debug("plat::FontFace - FreeType did not start\n");
            return static_cast<FT_Library>(nullptr);
        }
        return created;
    }();
    return lib;
}

// The names a generic kind is asked for by: its installed family first, then fontconfig's generic
// alias. What the alias resolves to depends on what else is installed (with the Liberation fonts
// alone, "serif" and "sans-serif" resolve to Liberation Mono), so the family is named explicitly.
struct KindNames
{
    const char* family;
    const char* alias;
};

KindNames namesOf(GenericFamily generic)
{
    switch (generic) {
    case GenericFamily::Monospace:
        return {"Liberation Mono", "monospace"};
    case GenericFamily::Serif:
        return {"Liberation Serif", "serif"};
    case GenericFamily::SansSerif:
        break;
    }
    return {"Liberation Sans", "sans-serif"};
}

struct MatchedFile
{
    std::string path;
    std::string family;
    int index = 0;
    bool bold = false;
    bool italic = false;
};

bool hasFamily(FcPattern* match, const std::string& family)
{
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        if (strcasecmp(reinterpret_cast<const char*>(name), family.c_str()) == 0) {
            return true;
        }
    }
    return false;
}

// The file fontconfig chooses for a family and style; with exact set, only a face of that
// very family counts.
bool matchFile(const std::string& family, const FaceRequest& request, bool exact, MatchedFile& out)
{
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, request.emPixels);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) {
        return false;
    }
    FcChar8* file = nullptr;
    FcChar8* name = nullptr;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
                 (!exact || hasFamily(match, family));
    if (found) {
        out.path = reinterpret_cast<const char*>(file);
        if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch) {
            out.family = reinterpret_cast<const char*>(name);
        }
        FcPatternGetInteger(match, FC_INDEX, 0, &out.index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        out.bold = weight >= FC_WEIGHT_DEMIBOLD;
        out.italic = slant != FC_SLANT_ROMAN;
    }
    FcPatternDestroy(match);
    return found;
}

bool findFile(const FaceRequest& request, MatchedFile& out)
{
    // fontconfig's configuration is loaded once and released when the program ends.
    static const bool ready = [] {
        if (FcInit() == FcFalse) {
            return false;
        }
        std::atexit(FcFini);
        return true;
    }();
    if (!ready) {
        heron::debug("plat::FontFace - fontconfig did not start\n");
        return false;
    }
    if (!request.family.empty() && matchFile(request.family, request, true, out)) {
        return true;
    }
    const KindNames kind = namesOf(request.generic);
    return matchFile(kind.family, request, true, out) || matchFile(kind.alias, request, false, out);
}

int scaled(long units, int em, int unitsPerEm)
{
    return static_cast<int>(std::lround(static_cast<double>(units) * em / unitsPerEm));
}

}

struct FontFace::Internals
{
    FT_Face face = nullptr;
    std::string family;
    std::string path;
    FaceMetrics metrics;
    bool emboldened = false;

    ~Internals()
    {
        if (face != nullptr) {
            const std::lock_guard<std::mutex> lock(libraryMutex());
            FT_Done_Face(face);
        }
    }

    // Loads and hints the character's glyph into the face's slot, with the synthesised style.
    bool load(char32_t code) const
    {
        const FT_UInt index = FT_Get_Char_Index(face, code);
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) {
            return false;
        }
        if (emboldened) {
            FT_GlyphSlot_Embolden(face->glyph);
        }
        return true;
    }

    // Metrics as the classic desktop reports them: the OS/2 "Windows" ascent and descent around
    // the em, the OS/2 average width, and the line gap beyond them as external leading.
    void readMetrics(int em)
    {
        const int upem = face->units_per_EM;
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        long winAscent = face->ascender;
        long winDescent = -face->descender;
        long average = 0;
        if (os2 != nullptr && os2->version != 0xFFFF) {
            winAscent = os2->usWinAscent;
            winDescent = os2->usWinDescent;
            average = os2->xAvgCharWidth;
        }
        const int ascent = scaled(winAscent, em, upem);
        const int descent = scaled(winDescent, em, upem);
        metrics.ascent = ascent;
        metrics.descent = descent;
        metrics.internalLeading = std::max(0, ascent + descent - em);
        metrics.externalLeading =
            std::max(0, scaled(face->height - (winAscent + winDescent), em, upem));
        metrics.averageWidth = average > 0 ? scaled(average, em, upem) : 0;
        const double thickness = static_cast<double>(face->underline_thickness) * em / upem;
        const double stemTop = -static_cast<double>(face->underline_position) * em / upem -
                               thickness / 2;
        metrics.underlineThickness = std::max(1, static_cast<int>(std::lround(thickness)));
        metrics.underlineOffset = std::max(1, static_cast<int>(std::floor(stemTop)) + 1);
    }
};

std::unique_ptr<FontFace> FontFace::open(const FaceRequest& request)
{
    MatchedFile file;
    if (request.emPixels < 1 || request.emPixels > maxEmPixels || !findFile(request, file)) {
        heron::debug("plat::FontFace - no font file for \"%s\"\n", request.family.c_str());
        return nullptr;
    }
    FT_Library lib = library();
    if (lib == nullptr) {
        return nullptr;
    }
    auto internals = std::make_unique<Internals>();
    {
        const std::lock_guard<std::mutex> lock(libraryMutex());
        if (FT_New_Face(lib, file.path.c_str(), file.index, &internals->face) != 0) {
            internals->face = nullptr;
        }
    }
    FT_Face face = internals->face;
    if (face == nullptr || !FT_IS_SCALABLE(face) ||
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(request.emPixels)) != 0) {
        heron::debug("plat::FontFace - cannot load \"%s\"\n", file.path.c_str());
        return nullptr;
    }
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    if (request.italic && !file.italic) {
        FT_Matrix shear = {0x10000, kObliqueShear, 0, 0x10000};
        FT_Set_Transform(face, &shear, nullptr);
    }
    internals->emboldened = request.bold && !file.bold;
    internals->family = file.family;
    internals->path = file.path;
    internals->readMetrics(request.emPixels);
    if (internals->metrics.averageWidth == 0) {
        internals->metrics.averageWidth =
            internals->load('x') ? static_cast<int>((face->glyph->advance.x + 32) >> 6) : 1;
    }
    return std::unique_ptr<FontFace>(new FontFace(std::move(internals)));
}

FontFace::FontFace(std::unique_ptr<Internals> internals) : m_internals(std::move(internals)) {}

FontFace::~FontFace() = default;

const std::string& FontFace::familyName() const
{
    return m_internals->family;
}

const std::string& FontFace::filePath() const
{
    return m_internals->path;
}

const FaceMetrics& FontFace::metrics() const
{
    return m_internals->metrics;
}

int FontFace::advance(std::uint8_t byte) const
{
    return codePointAdvance(windows1252ToUnicode(byte));
}

bool FontFace::render(std::uint8_t byte, GlyphBitmap& out) const
{
    return renderCodePoint(windows1252ToUnicode(byte), out);
}

int FontFace::codePointAdvance(char32_t code) const
{
    if (!m_internals->load(code)) {
        return -1;
    }
    return static_cast<int>((m_internals->face->glyph->advance.x + 32) >> 6);
}

bool FontFace::renderCodePoint(char32_t code, GlyphBitmap& out) const
{
    if (!m_internals->load(code)) {
        return false;
    }
    FT_GlyphSlot slot = m_internals->face->glyph;
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0 ||
        slot->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) {
        return false;
    }
    const FT_Bitmap& bitmap = slot->bitmap;
    out.width = static_cast<int>(bitmap.width);
    out.height = static_cast<int>(bitmap.rows);
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    out.coverage.resize(static_cast<std::size_t>(out.width) * out.height);
    const int pitch = bitmap.pitch;
    for (int row = 0; row < out.height; ++row) {
        const unsigned char* source = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * pitch;
        std::copy(source, source + out.width, out.coverage.begin() + row * out.width);
    }
    return true;
}


}
