#pragma once

#include "gui/gl/GLtexture.h"

#include <cstdint>

namespace kestrel
{

// The private state of a GL texture.
class GLtextureInternals : public MipmapperInfo
{
public:
    bool wantsCompression() const override { return compressionAllowed; }
    bool wantsMipmaps() const override { return minFilter == 2; }
    bool wantsFade() const override { return fadeMipmaps; }

    std::int32_t width = 0;
    std::int32_t height = 0;
    bool created = false;
    bool uploaded = false;
    std::uint32_t name = 0;
    std::int32_t bytes = 0;
    std::int32_t magFilter = 1;
    std::int32_t minFilter = 2;
    bool forceTrilinear = false;
    bool compressionAllowed = false;
    bool clamp = false;
    std::int32_t clampMode = 0;         // 0 clamp to the edge, 1 clamp to the border colour
    std::uint32_t borderColour = 0;     // packed 0xAABBGGRR
    std::int32_t anisotropy = 1;        // 1 off, 0 automatic, else the level
    bool fadeMipmaps = false;
    bool borderUnavailable = false;
};

}
