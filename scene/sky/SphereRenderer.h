#pragma once

#include "base/counted_ptr.h"
#include "scene/math/Vector3d.h"
#include "scene/sky/Sphere.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kestrel
{
class ImageBody;
}

namespace finch
{

class SphereRendererInternals;
class Texture;
class Viewer;

// The game's default sky colours: two bands, and the cap above them.
extern const float defaultSkyBands[8];
extern const float defaultSkyBase[4];

// Draws the sky behind everything: a dome of coloured bands around the viewer with a star field
// and a sun, or a textured box of six faces. It turns with the view but never moves. Main thread
// only; drawing needs a context.
class SphereRenderer
{
public:
    using SphereVertexProcessor = finch::SphereVertexProcessor;

    // A star: a direction on the unit sphere and a colour packed 0xAABBGGRR.
    struct Star
    {
        float x = 0.0f;
        float y = 0.0f;
        float z = 0.0f;
        std::uint32_t colour = 0;
    };
    // The box faces in the order setSkyBox takes them.
    enum SkyBoxFace
    {
        top = 0,
        bottom = 1,
        minusX = 2,
        plusY = 3,
        plusX = 4,
        minusY = 5,
    };

    // elevations (degrees) run up to the first negative value, one ring each from the top down;
    // an elevation of 90 or more (or not a number) ends the list there, logged. bandColours holds
    // four floats per ring (null: a random opaque colour each), baseColour four floats.
    SphereRenderer(int segments, const float* elevations, const float* bandColours, const float* baseColour);
    ~SphereRenderer();
    SphereRenderer(const SphereRenderer&) = delete;
    SphereRenderer& operator=(const SphereRenderer&) = delete;

    // Draws the sky at the radius, then gives the viewer its projection again.
    void render(kestrel::ImageBody& target, Viewer& viewer, float radius);

    // As in the constructor.
    void setBandColours(const float* bandColours);
    // Null gives opaque black.
    void setBaseColour(const float rgba[4]);
    void setStarFlag(bool show);
    // Keeps the first n stars and adds random ones up to n (n below 0 counts as 0); then every
    // star goes into the upper half, or they alternate upper and lower from star 0.
    void setStarCount(int n, bool upperHalfOnly);
    void setUseSun(bool use);
    // Null keeps the colour.
    void setSunColour(const float rgba[4]);
    // Degrees.
    void setSunPosition(double elevation, double heading);
    // Turns the box on with the six faces.
    void setSkyBox(const heron::counted_ptr<Texture>& topFace, const heron::counted_ptr<Texture>& bottomFace,
                   const heron::counted_ptr<Texture>& minusXFace, const heron::counted_ptr<Texture>& plusYFace,
                   const heron::counted_ptr<Texture>& plusXFace, const heron::counted_ptr<Texture>& minusYFace);
    void clearSkyBox();

    int segments() const;
    int bands() const;
    std::uint32_t baseColour() const;
    const std::vector<std::uint32_t>& bandColours() const;
    // segments x bands points on the unit dome: ring b at segment k is entry bands * k + b.
    const std::vector<Vector3f>& ringVertices() const;
    const std::vector<Star>& stars() const;
    bool showsStars() const;
    bool usesSun() const;
    bool usesSkyBox() const;

private:
    std::unique_ptr<SphereRendererInternals> m_internals;
};

}
