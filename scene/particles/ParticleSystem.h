#pragma once

#include "base/counted_ptr.h"
#include "scene/math/Vector3d.h"
#include "scene/render/RGBA.h"

#include <cstdint>
#include <memory>

namespace finch
{

class Object;
class ParticleInternals;
class RenderAccumulator;
class Texture;
class Viewer;

// What the look files set of an emitter, with their defaults. Times in seconds, angles in degrees.
struct ParticleParams
{
    // How a particle is drawn.
    enum Type : std::int32_t
    {
        points = 0,
        streaks = 1,
        sprites = 2,
        billboards = 3,
        streakedBillboards = 4,
        objects = 5,
    };
    // What a fade does with its factor: scales the size, or sets the alpha; other values nothing.
    enum FadeKind : std::int32_t
    {
        fadeSize = 1,
        fadeAlpha = 2,
    };
    // renderType: additive blending; any other value blends normally.
    static constexpr std::int32_t additive = 1;

    bool enabled = false;
    float innerRadius = 0.0f;
    float outerRadius = 0.0f;
    float height = 0.0f;
    float verticalOffset = 0.0f;
    // Particles per second; for a one-shot emitter particles per burst.
    float birthrate = 150.0f;
    std::int32_t particleType = sprites;
    std::int32_t renderType = 0;
    std::int32_t birthType = fadeSize;
    std::int32_t deathType = fadeAlpha;
    float birthTime = 0.5f;
    float deathTime = 1.0f;
    float windStrength = 0.0f;
    float windDirection = 0.0f;
    float gravity = 0.0f;
    // Ground height relative to the emitter.
    float ground = 0.0f;
    bool whirl = false;
    float whirlSpeed = 90.0f;
    // A timed emitter: births start delay seconds after start() and last duration seconds (0: one
    // burst).
    bool trigger = false;
    double delay = 0.0;
    double duration = 0.0;
    bool pulse = false;
    float onMin = 0.5f;
    float onMax = 2.0f;
    float offMin = 0.0f;
    float offMax = 2.0f;
    // The birth rate falls with the eye's distance to reach lodBirthrate at lodDistance.
    float lodDistance = 500.0f;
    float lodBirthrate = 5.0f;
    float cycleTime = 1.0f;
    float minSize = 1.0f;
    float maxSize = 5.0f;
    float minLife = 2.0f;
    float maxLife = 4.0f;
    float minAngle = 70.0f;
    float maxAngle = 90.0f;
    float minHeading = 0.0f;
    float maxHeading = 360.0f;
    float minVelocity = 0.2f;
    float maxVelocity = 5.0f;
    float minSpin = 0.0f;
    float maxSpin = 360.0f;
    float minTumble = 0.0f;
    float maxTumble = 360.0f;
    bool followEmitter = false;
    std::int32_t percentSpeed = 100;
};

// An emitter: births particles at a rate around its position, moves them under wind, gravity, a
// ground plane and an optional whirl, colours them from a 32-entry table and draws them as
// points, streaks, sprites, billboards or small copies of a scene object. The simulation lives in
// internals made on first use. Times come from the scene clock's last tick. Main thread only.
class ParticleSystem : public ParticleParams
{
public:
    // colorType: the table mixes colour 1 into colour 2, or runs round the hues.
    enum ColorType : std::int32_t
    {
        mixedColours = 0,
        hues = 1,
    };

    ParticleSystem();
    // Copies the parameters, colours, texture, texture cycle and object shape; the copy has no
    // particles.
    ParticleSystem(const ParticleSystem& other);
    ParticleSystem& operator=(const ParticleSystem& other);
    ~ParticleSystem();

    // One simulation step with the eye and the emitter's position; with emit false nothing is
    // born, but live particles move and die.
    void update(const Vector3d& eye, const Vector3d& emitter, bool emit);
    // Queues the frame's drawing.
    void render(RenderAccumulator& accumulator, Viewer& viewer);
    // Arms a timed emitter (enabled and trigger set); delay and duration both 0 burst at once.
    void start();
    // The next update re-times the emitter: nothing is born for the time that passed and a timed
    // run ends.
    void stop();
    // An enabled emitter births int(birthrate) particles at once at the position.
    void burst(const Vector3d& emitter);
    void releaseInternals();

    void setColorType(std::int32_t type);
    void setColor1(const RGBA& colour);
    void setColor2(const RGBA& colour);
    void setSaturation(float saturation);
    void setTexture(const heron::counted_ptr<Texture>& texture);
    // Frames of the texture cycle in a grid of columns x rows; any value below 1 makes all three 1.
    void setTextureCycle(std::int32_t frames, std::int32_t columns, std::int32_t rows);
    // The shape of object particles (not owned; it must outlive its use here).
    void setObject(Object* object);

    std::int32_t colorType() const { return m_colorType; }
    const RGBA& color1() const { return m_color1; }
    const RGBA& color2() const { return m_color2; }
    float saturation() const { return m_saturation; }
    const heron::counted_ptr<Texture>& texture() const { return m_texture; }
    std::int32_t cycleFrames() const { return m_cycleFrames; }
    std::int32_t cycleColumns() const { return m_cycleColumns; }
    std::int32_t cycleRows() const { return m_cycleRows; }
    Object* object() const { return m_object; }
    // Null before the first update, start or burst.
    ParticleInternals* internals() const { return m_internals.get(); }

private:
    friend class ParticleInternals;

    void copySettings(const ParticleSystem& other);
    ParticleInternals& makeInternals();

    std::unique_ptr<ParticleInternals> m_internals;
    Object* m_object = nullptr;
    heron::counted_ptr<Texture> m_texture;
    std::int32_t m_cycleFrames = 1;
    std::int32_t m_cycleColumns = 1;
    std::int32_t m_cycleRows = 1;
    std::int32_t m_colorType = mixedColours;
    RGBA m_color1{1.0f, 1.0f, 1.0f, 1.0f};
    RGBA m_color2{1.0f, 1.0f, 1.0f, 1.0f};
    float m_saturation = 1.0f;
};

}
