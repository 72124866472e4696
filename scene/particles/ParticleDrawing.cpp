#include "scene/particles/ParticleInternals.h"

#include "gui/gl/GLstate.h"
#include "gui/gl/GLtexture.h"
#include "gui/paint/Image.h"
#include "scene/core/Clock.h"
#include "scene/graph/Object.h"
#include "scene/graph/SwitchBranch.h"
#include "scene/graph/Traverser.h"
#include "scene/particles/ParticleSystem.h"
#include "scene/render/Frustum.h"
#include "scene/render/Material.h"
#include "scene/render/Texture.h"
#include "scene/render/Viewer.h"

#include <algorithm>
#include <cmath>

namespace finch
{

namespace
{

constexpr int spriteSide = 32;
// The sprite texture's corner texel is not sampled: its quads reach 31/32 of the texture.
constexpr float spriteExtent = 0.96875f;
// Points beyond this distance from the eye are not drawn; nearer ones than pointNear at full size.
constexpr double pointFar = 200.0;
constexpr double pointNear = 0.5;
// 1 / (pointFar - pointNear): a point's coverage falls linearly to nothing at pointFar.
constexpr double pointFalloff = 0.0050125313;
// The most pixels a point may cover: keeps the point size a small number for any minSize.
constexpr double maxPointArea = 65536.0;
// Insets of a texture-cycle cell, in half texels: left, right, top, bottom.
constexpr float cellInsetLeft = 1.0f;
constexpr float cellInsetRight = 5.0f;
constexpr float cellInsetTop = 1.0f;
constexpr float cellInsetBottom = 6.0f;
// Object particles within this of unit size are drawn unscaled.
constexpr float unscaledLow = 0.99f;
constexpr float unscaledHigh = 1.01f;

// White, with alpha 15 at the border rising by 16 a texel to 255 in the middle; made on first
// use and kept for the process.
kestrel::GLtexture& spriteTexture()
{
    static kestrel::GLtexture* const texture = [] {
        auto* made = new kestrel::GLtexture;
        kestrel::Image image(spriteSide, spriteSide);
        for (int y = 0; y < spriteSide; ++y) {
            for (int x = 0; x < spriteSide; ++x) {
                const int edge = std::min({x, y, spriteSide - 1 - x, spriteSide - 1 - y});
                *image.pixelAt(x, y) = std::uint32_t(edge * 16 + 15) << 24 | 0xFFFFFFu;
            }
        }
        made->bind();
        made->setImage(image);
        return made;
    }();
    return *texture;
}

Vector3f add(const Vector3f& p, const Vector3f& a, float fa, const Vector3f& b, float fb)
{
    return {p.x + a.x * fa + b.x * fb, p.y + a.y * fa + b.y * fb, p.z + a.z * fa + b.z * fb};
}

// v turned by degrees about the vertical axis.
Vector3f turned(const Vector3f& v, float degrees)
{
    const double a = degrees * degreesToRadians;
    const auto c = float(std::cos(a));
    const auto s = float(std::sin(a));
    return {v.x * c - v.y * s, v.x * s + v.y * c, v.z};
}

Vector3f crossed(const Vector3f& a, const Vector3f& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

kestrel::Primitive primitiveOf(std::int32_t type)
{
    switch (type) {
    case ParticleParams::points:
        return kestrel::Primitive::Points;
    case ParticleParams::streaks:
        return kestrel::Primitive::Lines;
    default:
        return kestrel::Primitive::Quads;
    }
}

}

// Walks the shape of object particles once per particle, into the frame's accumulator.
class ParticleInternals::ObjectRenderer : public Traverser
{
public:
    ObjectRenderer() : Traverser(Kind::Rendering) {}
};

// What drawing the frame's particles needs, in the system's own (unwhirled) frame.
struct ParticleInternals::DrawFrame
{
    std::int32_t type = 0;
    double now = 0.0;
    Vector3f right;
    Vector3f up;
    Vector3f eye;
    // Points: the alpha every point takes.
    std::uint32_t pointAlpha = 255;
    // Texture cycle of billboards: grid and texel insets.
    int frames = 1;
    int columns = 1;
    int rows = 1;
    float texelS = 0.0f;
    float texelT = 0.0f;
};

ParticleInternals::ParticleInternals(ParticleSystem& owner)
    : m_owner(owner),
      m_material(new Material(RGBA{1.0f, 1.0f, 1.0f, 1.0f})),
      m_positions(std::size_t(batchVertices) * 3),
      m_vertexColours(std::size_t(batchVertices)),
      m_texCoords(std::size_t(batchVertices) * 2)
{
}

ParticleInternals::~ParticleInternals() = default;

void ParticleInternals::render(RenderAccumulator& accumulator, Viewer& viewer)
{
    if (!m_box.isValid()) {
        return;
    }
    Frustum frustum = viewer.frustum();
    if (frustum.cullBox(m_box, Frustum::allPlanes)) {
        return;
    }
    if (m_owner.particleType == ParticleParams::objects) {
        renderObjects(accumulator, viewer);
        return;
    }
    accumulator.addRenderable(*this, nullptr, true);
}

void ParticleInternals::renderObjects(RenderAccumulator& accumulator, Viewer& viewer)
{
    if (m_owner.object() == nullptr) {
        return;
    }
    if (!m_objectRenderer) {
        m_objectRenderer = std::make_unique<ObjectRenderer>();
    }
    m_objectRenderer->setAccumulator(accumulator);
    static_cast<void>(m_objectRenderer->startWithViewer(viewer));
    const int selected = m_animation != nullptr ? m_animation->selected() : 0;
    const double now = Clock::frameTime();
    for (const Particle& p : m_particles) {
        if (p.alive) {
            accumulator.pushTransparency(fade(p, now).factor);
            drawObject(p, now);
            accumulator.popTransparency();
        }
    }
    if (m_animation != nullptr) {
        m_animation->setSelected(selected);
    }
}

void ParticleInternals::drawObject(const Particle& p, double now)
{
    if (m_animation != nullptr) {
        // One pass through the animation's frames per second of the particle's age.
        const double age = std::max(now - p.birth, 0.0);
        m_animation->setSelected(int(std::fmod(age, 1.0) * m_animation->childCount()));
    }
    Matrix m;
    m.setAxisRotation(p.tumble, Vector3d(1.0, 0.0, 0.0));
    m.postRotate(p.spin, Vector3d(0.0, 0.0, 1.0));
    if (p.size < unscaledLow || p.size > unscaledHigh) {
        m.preScale(Vector3d(p.size, p.size, p.size));
    }
    m.translate(Vector3d(p.position.x, p.position.y, p.position.z));
    Matrix inverse;
    m.getInverse(inverse);
    m_objectRenderer->pushMatrix(m, inverse);
    m_owner.object()->traverse(*m_objectRenderer);
    m_objectRenderer->popMatrix();
}

void ParticleInternals::render(kestrel::ImageBody& target, const Viewer& viewer)
{
    DrawFrame frame;
    frame.type = m_owner.particleType;
    frame.now = Clock::frameTime();
    const Matrix& camera = viewer.camera();
    frame.right = Vector3f(float(camera.at(0, 0)), float(camera.at(0, 1)), float(camera.at(0, 2)));
    frame.up = Vector3f(float(camera.at(2, 0)), float(camera.at(2, 1)), float(camera.at(2, 2)));
    frame.eye = Vector3f(viewer.eye());
    kestrel::pushMatrix();
    if (m_owner.whirl) {
        // The system turns about the vertical through the emitter; the camera is turned back, so
        // that quads still face it.
        const Vector3f emitter(m_current);
        kestrel::translate(emitter.x, emitter.y, emitter.z);
        kestrel::rotate(m_whirlAngle, 0.0f, 0.0f, 1.0f);
        kestrel::translate(-emitter.x, -emitter.y, -emitter.z);
        frame.right = turned(frame.right, -m_whirlAngle);
        frame.up = turned(frame.up, -m_whirlAngle);
        const Vector3f fromEmitter = turned({frame.eye.x - emitter.x, frame.eye.y - emitter.y, frame.eye.z - emitter.z}, -m_whirlAngle);
        frame.eye = {emitter.x + fromEmitter.x, emitter.y + fromEmitter.y, emitter.z + fromEmitter.z};
    }
    if (setUpDrawing(frame)) {
        drawBatches(frame);
    }
    kestrel::setVertexArray(nullptr, 0);
    kestrel::setColorArray(nullptr, 0);
    kestrel::setTexCoordArray(nullptr, 0);
    kestrel::setBlendFunc(kestrel::BlendFactor::SourceAlpha, kestrel::BlendFactor::OneMinusSourceAlpha);
    kestrel::setPointSize(1.0f);
    kestrel::popMatrix();
}

bool ParticleInternals::setUpDrawing(DrawFrame& frame)
{
    const ParticleSystem& s = m_owner;
    m_material->apply();
    kestrel::setBlendFunc(kestrel::BlendFactor::SourceAlpha, s.renderType == ParticleParams::additive
                                                                  ? kestrel::BlendFactor::One
                                                                  : kestrel::BlendFactor::OneMinusSourceAlpha);
    kestrel::disableState(kestrel::GLStateId::Texture2D);
    if (frame.type == ParticleParams::points) {
        const double d = (Vector3d(frame.eye.x, frame.eye.y, frame.eye.z) - m_current).length();
        if (!(d < pointFar)) {
            return false;
        }
        if (d < pointNear) {
            kestrel::setPointSize(s.minSize);
            return true;
        }
        const double q = std::min((pointFar - d) * pointFalloff * s.minSize * s.minSize, maxPointArea);
        if (!(q >= 0.0)) {
            return false;
        }
        const int size = int(std::sqrt(q)) + 1;
        kestrel::setPointSize(float(size));
        frame.pointAlpha = std::uint32_t(std::clamp(q / (size * size) * 255.0, 0.0, 255.0));
        return true;
    }
    if (frame.type == ParticleParams::sprites) {
        kestrel::enableState(kestrel::GLStateId::Texture2D);
        spriteTexture().bind();
    } else if (frame.type != ParticleParams::streaks && s.texture()) {
        kestrel::enableState(kestrel::GLStateId::Texture2D);
        s.texture()->bind();
        frame.frames = s.cycleFrames();
        frame.columns = s.cycleColumns();
        frame.rows = s.cycleRows();
        frame.texelS = 0.5f / float(std::max(s.texture()->width(), 1));
        frame.texelT = 0.5f / float(std::max(s.texture()->height(), 1));
    }
    return true;
}

void ParticleInternals::drawBatches(const DrawFrame& frame)
{
    kestrel::setVertexArray(m_positions.data(), 0);
    kestrel::setColorArray(m_vertexColours.data(), 0);
    kestrel::setTexCoordArray(m_texCoords.data(), 0);
    int vertices = 0;
    int inBatch = 0;
    for (const Particle& p : m_particles) {
        if (!p.alive) {
            continue;
        }
        vertices = writeParticle(p, frame, vertices);
        if (++inBatch == batchParticles) {
            flush(frame, vertices);
            vertices = inBatch = 0;
        }
    }
    flush(frame, vertices);
}

void ParticleInternals::flush(const DrawFrame& frame, int vertices)
{
    if (vertices > 0) {
        kestrel::drawArrays(primitiveOf(frame.type), 0, vertices);
    }
}

int ParticleInternals::writeParticle(const Particle& p, const DrawFrame& frame, int vertex)
{
    const ParticleFade f = fade(p, frame.now);
    const std::uint32_t alpha = frame.type == ParticleParams::points ? frame.pointAlpha : f.alpha;
    const std::uint32_t colour = (p.colour & 0x00FFFFFFu) | alpha << 24;
    const float size = p.size * f.sizeFactor;
    switch (frame.type) {
    case ParticleParams::points:
        writeVertex(vertex, p.position, colour);
        return vertex + 1;
    case ParticleParams::streaks:
        writeVertex(vertex, p.position, colour);
        writeVertex(vertex + 1, add(p.position, p.velocity, size, {}, 0.0f), colour);
        return vertex + 2;
    case ParticleParams::sprites: {
        const Vector3f corners[4] = {add(p.position, frame.right, -size, {}, 0.0f), add(p.position, frame.up, -size, {}, 0.0f),
                                     add(p.position, frame.right, size, {}, 0.0f), add(p.position, frame.up, size, {}, 0.0f)};
        const float st[8] = {0.0f, 0.0f, spriteExtent, 0.0f, spriteExtent, spriteExtent, 0.0f, spriteExtent};
        writeQuad(vertex, corners, st, colour);
        return vertex + 4;
    }
    default:
        break;
    }
    Vector3f side = frame.right;
    Vector3f along = frame.up;
    float length = size;
    if (frame.type == ParticleParams::streakedBillboards) {
        // Facing the eye, stretched along the flight by the speed over 8 times the eye's distance.
        const Vector3f toEye(frame.eye.x - p.position.x, frame.eye.y - p.position.y, frame.eye.z - p.position.z);
        const float distance = std::sqrt(toEye.x * toEye.x + toEye.y * toEye.y + toEye.z * toEye.z);
        Vector3f flight = p.velocity;
        const float speed = std::sqrt(flight.x * flight.x + flight.y * flight.y + flight.z * flight.z);
        Vector3f across = crossed(flight, toEye);
        if (flight.normalize() && across.normalize()) {
            side = across;
            along = flight;
            length = size + speed / (8.0f * std::max(distance, 1.0f));
        }
    }
    const Vector3f corners[4] = {add(p.position, side, -size, along, -length), add(p.position, side, size, along, -length),
                                 add(p.position, side, size, along, length), add(p.position, side, -size, along, length)};
    float st[8];
    cellOf(p, frame, st);
    writeQuad(vertex, corners, st, colour);
    return vertex + 4;
}

void ParticleInternals::cellOf(const Particle& p, const DrawFrame& frame, float (&st)[8]) const
{
    float left = 0.0f;
    float right = 1.0f;
    float bottom = 0.0f;
    float top = 1.0f;
    if (frame.frames > 1) {
        const int cell = p.frame % frame.frames;
        const int column = cell % frame.columns;
        const int row = (cell / frame.columns) % frame.rows;
        left = float(column) / float(frame.columns) + cellInsetLeft * frame.texelS;
        right = float(column + 1) / float(frame.columns) - cellInsetRight * frame.texelS;
        top = 1.0f - float(row) / float(frame.rows) - cellInsetTop * frame.texelT;
        bottom = 1.0f - float(row + 1) / float(frame.rows) + cellInsetBottom * frame.texelT;
    }
    const float corners[8] = {left, bottom, right, bottom, right, top, left, top};
    std::copy(corners, corners + 8, st);
}

void ParticleInternals::writeQuad(int vertex, const Vector3f (&corners)[4], const float (&st)[8],
                                  std::uint32_t colour)
{
    for (int i = 0; i < 4; ++i) {
        writeVertex(vertex + i, corners[i], colour);
        m_texCoords[std::size_t(vertex + i) * 2] = st[2 * i];
        m_texCoords[std::size_t(vertex + i) * 2 + 1] = st[2 * i + 1];
    }
}

void ParticleInternals::writeVertex(int vertex, const Vector3f& position, std::uint32_t colour)
{
    const auto at = std::size_t(vertex);
    m_positions[at * 3] = position.x;
    m_positions[at * 3 + 1] = position.y;
    m_positions[at * 3 + 2] = position.z;
    m_vertexColours[at] = colour;
}

}
