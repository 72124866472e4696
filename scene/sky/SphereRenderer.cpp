#include "scene/sky/SphereRenderer.h"

#include "base/Debug.h"
#include "gui/gl/GLclient.h"
#include "gui/gl/GLstate.h"
#include "gui/widgets/ColorRGBA.h"
#include "scene/math/Matrix.h"
#include "scene/math/Random.h"
#include "scene/render/Material.h"
#include "scene/render/Texture.h"
#include "scene/render/Viewer.h"

#include <array>
#include <cmath>

namespace finch
{

const float defaultSkyBands[8] = {0.75f, 0.8f, 0.875f, 1.0f, 0.375f, 0.625f, 1.0f, 1.0f};
const float defaultSkyBase[4] = {0.0f, 0.4f, 0.0f, 1.0f};

namespace
{

// Rings sit this far below their elevation, so the dome's lowest band reaches under the horizon.
constexpr float ringDrop = 0.02f;
constexpr double fieldOfView = 45.0;
constexpr double nearFactor = 0.01;
constexpr double farFactor = 1.01;
// Half the side of the sky box, in radii: its corners lie within the far plane.
constexpr float boxHalfSize = 0.57f;
constexpr double sunRadius = 0.03;
constexpr double sunScale = 0.0009;
constexpr int sunMode = 1;
constexpr int sunRows = 3;
constexpr std::uint32_t opaque = 0xFF000000u;
constexpr std::uint32_t starWhite = 0x00FFFFFFu;
constexpr std::uint32_t starAlphaBase = 0x80u;
// A random band colour has this many values below the opaque top byte.
constexpr int randomColourRange = 32768;

std::uint32_t packed(const float* rgba)
{
    return kestrel::ColorRGBA(rgba[0], rgba[1], rgba[2], rgba[3]).toPacked();
}

// A box face as seen from inside: the direction to its centre and its right and up axes.
struct BoxFace
{
    int texture;
    Vector3f centre;
    Vector3f right;
    Vector3f up;
};

// Drawing order: -x, +y, +x, -y, top, bottom.
constexpr BoxFace boxFaces[] = {
    {SphereRenderer::minusX, {-1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
    {SphereRenderer::plusY, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}},
    {SphereRenderer::plusX, {1, 0, 0}, {0, -1, 0}, {0, 0, 1}},
    {SphereRenderer::minusY, {0, -1, 0}, {-1, 0, 0}, {0, 0, 1}},
    {SphereRenderer::top, {0, 0, 1}, {1, 0, 0}, {0, -1, 0}},
    {SphereRenderer::bottom, {0, 0, -1}, {1, 0, 0}, {0, 1, 0}},
};

void boxCorner(const BoxFace& face, float sr, float su)
{
    kestrel::vertex3f(boxHalfSize * (face.centre.x + sr * face.right.x + su * face.up.x),
                      boxHalfSize * (face.centre.y + sr * face.right.y + su * face.up.y),
                      boxHalfSize * (face.centre.z + sr * face.right.z + su * face.up.z));
}

void drawBoxFace(const BoxFace& face, Texture& texture)
{
    texture.bind();
    const float s0 = 0.5f / float(std::max(texture.width(), 1));
    const float t0 = 0.5f / float(std::max(texture.height(), 1));
    kestrel::beginPrimitive(kestrel::Primitive::Polygon);
    kestrel::texCoord2f(s0, t0);
    boxCorner(face, -1.0f, -1.0f);
    kestrel::texCoord2f(1.0f - s0, t0);
    boxCorner(face, 1.0f, -1.0f);
    kestrel::texCoord2f(1.0f - s0, 1.0f - t0);
    boxCorner(face, 1.0f, 1.0f);
    kestrel::texCoord2f(s0, 1.0f - t0);
    boxCorner(face, -1.0f, 1.0f);
    kestrel::endPrimitive();
}

Sphere& sunSphere()
{
    static Sphere sphere = [] {
        Sphere s;
        s.setRadius(sunRadius);
        s.setScale(sunScale);
        s.setRenderParameters(sunMode, sunRows, nullptr);
        return s;
    }();
    return sphere;
}

}

class SphereRendererInternals
{
public:
    void setRings(const float* elevations);
    void setBandColours(const float* colours);
    void addStars(std::size_t count);
    void placeStars(bool upperHalfOnly);

    void loadSkyMatrix(const Viewer& viewer, float radius) const;
    void drawSkyBox() const;
    void drawDome() const;
    // Which way a flat fan faces: culling keeps only faces seen from the inside of the sky.
    enum class Facing
    {
        Up,
        Down,
    };
    // A fan above the viewer faces down to it, one below faces up.
    Facing facingViewer(int ring) const { return ringPoint(0, ring).z > 0.0f ? Facing::Down : Facing::Up; }
    void drawFan(int ring, std::uint32_t colour, Facing facing) const;
    void drawBand(int ring) const;
    void drawStars() const;
    void drawSun() const;
    const Vector3f& ringPoint(int segment, int ring) const
    {
        return ringVertices[std::size_t(bands * (segment % segments) + ring)];
    }

    std::int32_t segments = 0;
    std::int32_t bands = 0;
    std::uint32_t baseColour = 0;
    std::vector<std::uint32_t> bandColours;
    std::vector<Vector3f> ringVertices;
    bool showStars = false;
    std::vector<SphereRenderer::Star> stars;
    bool useSun = false;
    float sunColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float sunElevation = 45.0f;
    float sunHeading = 0.0f;
    bool useSkyBox = false;
    std::array<heron::counted_ptr<Texture>, 6> skyBox;
};

void SphereRendererInternals::setRings(const float* elevations)
{
    std::vector<float> rings;
    for (const float* e = elevations; e != nullptr && !(*e < 0.0f); ++e) {
        if (!(*e < 90.0f)) {
            heron::debug("SphereRenderer: elevation %g is not below 90 degrees, the bands end before it\n", double(*e));
            break;
        }
        rings.push_back(*e);
    }
    bands = std::int32_t(rings.size());
    ringVertices.assign(std::size_t(segments) * rings.size(), Vector3f());
    for (int k = 0; k < segments; ++k) {
        Matrix turn;
        turn.setAxisRotation(k * 360.0 / segments, Vector3d(0.0, 0.0, 1.0));
        for (int b = 0; b < bands; ++b) {
            const double e = rings[std::size_t(b)] * degreesToRadians;
            Vector3d p(std::cos(e), 0.0, std::sin(e) - ringDrop);
            turn.transformPoint(p, p);
            ringVertices[std::size_t(bands * k + b)] = Vector3f(p);
        }
    }
}

void SphereRendererInternals::setBandColours(const float* colours)
{
    bandColours.resize(std::size_t(bands));
    for (int b = 0; b < bands; ++b) {
        // Without colours every band still gets one, from the engine's generator, so every run
        // shows the same sky.
        bandColours[std::size_t(b)] = colours != nullptr ? packed(colours + 4 * b)
                                                         : opaque | std::uint32_t(Random::global().randomInt(randomColourRange));
    }
}

void SphereRendererInternals::addStars(std::size_t count)
{
    Random& random = Random::global();
    while (stars.size() < count) {
        const double h = random.next() * 360.0 * degreesToRadians;
        const float u2 = random.next();
        // The product of two draws makes stars denser near the horizon.
        const double e = u2 * random.next() * 90.0 * degreesToRadians;
        const auto alpha = starAlphaBase | std::uint32_t(random.randomInt(128));
        stars.push_back({float(std::sin(h) * std::cos(e)), float(std::cos(h) * std::cos(e)), float(std::sin(e)),
                         alpha << 24 | starWhite});
    }
}

void SphereRendererInternals::placeStars(bool upperHalfOnly)
{
    for (std::size_t i = 0; i < stars.size(); ++i) {
        const bool upper = upperHalfOnly || i % 2 == 0;
        stars[i].z = upper ? std::fabs(stars[i].z) : -std::fabs(stars[i].z);
    }
}

void SphereRendererInternals::loadSkyMatrix(const Viewer& viewer, float radius) const
{
    double elements[16];
    std::copy(viewer.view().elements(), viewer.view().elements() + 16, elements);
    elements[12] = elements[13] = elements[14] = 0.0;
    Matrix sky;
    sky.setElements(elements);
    sky.preScale(Vector3d(radius, radius, radius));
    sky.loadGL();
}

void SphereRendererInternals::drawSkyBox() const
{
    kestrel::enableState(kestrel::GLStateId::Texture2D);
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    kestrel::color4fv(white);
    for (const BoxFace& face : boxFaces) {
        if (const auto& texture = skyBox[std::size_t(face.texture)]) {
            drawBoxFace(face, *texture);
        }
    }
}

void SphereRendererInternals::drawFan(int ring, std::uint32_t colour, Facing facing) const
{
    kestrel::color4ub(colour);
    kestrel::beginPrimitive(kestrel::Primitive::TriangleFan);
    kestrel::vertex3f(0.0f, 0.0f, ringPoint(0, ring).z);
    for (int i = 0; i <= segments; ++i) {
        const Vector3f& p = ringPoint(facing == Facing::Up ? i : segments - i, ring);
        kestrel::vertex3f(p.x, p.y, p.z);
    }
    kestrel::endPrimitive();
}

void SphereRendererInternals::drawBand(int ring) const
{
    // Lower ring first, so the band faces the viewer inside the dome whichever way the rings run.
    const bool downward = ringPoint(0, ring + 1).z < ringPoint(0, ring).z;
    const int lower = downward ? ring + 1 : ring;
    const int upper = downward ? ring : ring + 1;
    kestrel::beginPrimitive(kestrel::Primitive::TriangleStrip);
    for (int k = 0; k <= segments; ++k) {
        for (const int b : {lower, upper}) {
            const Vector3f& p = ringPoint(k, b);
            kestrel::color4ub(bandColours[std::size_t(b)]);
            kestrel::vertex3f(p.x, p.y, p.z);
        }
    }
    kestrel::endPrimitive();
}

void SphereRendererInternals::drawDome() const
{
    if (bands == 0 || segments == 0) {
        return;
    }
    drawFan(0, baseColour, facingViewer(0));
    for (int b = 0; b + 1 < bands; ++b) {
        drawBand(b);
    }
    drawFan(bands - 1, bandColours[std::size_t(bands - 1)], facingViewer(bands - 1));
}

void SphereRendererInternals::drawStars() const
{
    if (stars.empty()) {
        return;
    }
    kestrel::setVertexArray(&stars[0].x, sizeof(SphereRenderer::Star));
    kestrel::setColorArray(&stars[0].colour, sizeof(SphereRenderer::Star));
    kestrel::drawArrays(kestrel::Primitive::Points, 0, int(stars.size()));
    kestrel::setColorArray(nullptr, 0);
    kestrel::setVertexArray(nullptr, 0);
}

void SphereRendererInternals::drawSun() const
{
    Matrix turn;
    turn.setRotation(0.0, sunElevation, sunHeading);
    Vector3d direction;
    turn.transformPoint(direction, Vector3d(0.0, 1.0, 0.0));
    Sphere& sun = sunSphere();
    sun.setCentre(direction);
    kestrel::color4fv(sunColour);
    sun.render();
}

SphereRenderer::SphereRenderer(int segments, const float* elevations, const float* bandColours, const float* baseColour)
    : m_internals(std::make_unique<SphereRendererInternals>())
{
    if (segments < 1) {
        heron::debug("SphereRenderer: %d segments, the dome is left out\n", segments);
    }
    m_internals->segments = std::max(segments, 0);
    m_internals->setRings(elevations);
    m_internals->setBandColours(bandColours);
    setBaseColour(baseColour);
}

SphereRenderer::~SphereRenderer() = default;

void SphereRenderer::render(kestrel::ImageBody& target, Viewer& viewer, float radius)
{
    const SphereRendererInternals& s = *m_internals;
    kestrel::GLclient::setPerspective(target, fieldOfView, nearFactor * radius, farFactor * radius, viewer.aspect());
    s.loadSkyMatrix(viewer, radius);
    Material::defaultMaterial()->apply();
    if (s.useSkyBox) {
        s.drawSkyBox();
    } else {
        kestrel::disableState(kestrel::GLStateId::Texture2D);
        s.drawDome();
        if (s.showStars) {
            s.drawStars();
        }
        if (s.useSun) {
            s.drawSun();
        }
    }
    viewer.setWindowSize(target);
}

void SphereRenderer::setBandColours(const float* bandColours)
{
    m_internals->setBandColours(bandColours);
}

void SphereRenderer::setBaseColour(const float rgba[4])
{
    m_internals->baseColour = rgba != nullptr ? packed(rgba) : opaque;
}

void SphereRenderer::setStarFlag(bool show)
{
    m_internals->showStars = show;
}

void SphereRenderer::setStarCount(int n, bool upperHalfOnly)
{
    const auto count = std::size_t(std::max(n, 0));
    m_internals->stars.resize(std::min(count, m_internals->stars.size()));
    m_internals->addStars(count);
    m_internals->placeStars(upperHalfOnly);
}

void SphereRenderer::setUseSun(bool use)
{
    m_internals->useSun = use;
}

void SphereRenderer::setSunColour(const float rgba[4])
{
    if (rgba == nullptr) {
        return;
    }
    std::copy(rgba, rgba + 4, m_internals->sunColour);
}

void SphereRenderer::setSunPosition(double elevation, double heading)
{
    m_internals->sunElevation = float(elevation);
    m_internals->sunHeading = float(heading);
}

void SphereRenderer::setSkyBox(const heron::counted_ptr<Texture>& topFace, const heron::counted_ptr<Texture>& bottomFace,
                               const heron::counted_ptr<Texture>& minusXFace, const heron::counted_ptr<Texture>& plusYFace,
                               const heron::counted_ptr<Texture>& plusXFace, const heron::counted_ptr<Texture>& minusYFace)
{
    m_internals->skyBox = {topFace, bottomFace, minusXFace, plusYFace, plusXFace, minusYFace};
    m_internals->useSkyBox = true;
}

void SphereRenderer::clearSkyBox()
{
    m_internals->useSkyBox = false;
}

int SphereRenderer::segments() const
{
    return m_internals->segments;
}

int SphereRenderer::bands() const
{
    return m_internals->bands;
}

std::uint32_t SphereRenderer::baseColour() const
{
    return m_internals->baseColour;
}

const std::vector<std::uint32_t>& SphereRenderer::bandColours() const
{
    return m_internals->bandColours;
}

const std::vector<Vector3f>& SphereRenderer::ringVertices() const
{
    return m_internals->ringVertices;
}

const std::vector<SphereRenderer::Star>& SphereRenderer::stars() const
{
    return m_internals->stars;
}

bool SphereRenderer::showsStars() const
{
    return m_internals->showStars;
}

bool SphereRenderer::usesSun() const
{
    return m_internals->useSun;
}

bool SphereRenderer::usesSkyBox() const
{
    return m_internals->useSkyBox;
}

}
