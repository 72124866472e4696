#pragma once

#include "base/counted_ptr.h"
#include "scene/math/BoundingBox.h"
#include "scene/math/Vector3d.h"
#include "scene/render/RenderAccumulator.h"

#include <array>
#include <cstdint>
#include <vector>

namespace finch
{

class Material;
class ParticleSystem;
class SwitchBranch;

// One particle. Angles in degrees, rates in degrees per second.
struct Particle
{
    bool alive = false;
    // A packed table colour 0xAABBGGRR.
    std::uint32_t colour = 0;
    double birth = 0.0;
    double life = 0.0;
    Vector3f position;
    Vector3f velocity;
    float size = 0.0f;
    float spin = 0.0f;
    float tumble = 0.0f;
    float spinRate = 0.0f;
    float tumbleRate = 0.0f;
    float framePhase = 0.0f;
    // The cell of the texture cycle it shows.
    std::int32_t frame = 0;
};

// What a particle's age does to it as it is drawn: its size times sizeFactor, its alpha, and the
// factor of the fade in force (1 outside the fades).
struct ParticleFade
{
    float factor = 1.0f;
    float sizeFactor = 1.0f;
    std::uint32_t alpha = 255;
};

// The simulation of one particle system: emitter positions and times, the particles, their colour
// table and bounds, and what drawing needs. Owned by the system. Main thread only.
class ParticleInternals : public Renderable
{
public:
    static constexpr int tableSize = 32;
    // Particles drawn per batch, and the vertices their arrays hold.
    static constexpr int batchParticles = 64;
    static constexpr int batchVertices = 4 * batchParticles;

    // n truncated, 0 below 1 (or not a number), at most the cap on live particles.
    static int cappedCount(double n);

    explicit ParticleInternals(ParticleSystem& owner);
    ~ParticleInternals() override;

    void update(const Vector3d& eye, const Vector3d& emitter, bool emit);
    // Births count particles now at the current position.
    void birth(int count);
    void render(RenderAccumulator& accumulator, Viewer& viewer);
    // Draws particle types 0 to 4 (the accumulator calls it in its blended phase).
    void render(kestrel::ImageBody& target, const Viewer& viewer) override;

    // Arms a timed run from the frame time.
    void arm();
    // Re-time at the next update.
    void requestRestart() { m_restart = true; }
    void invalidateColours() { m_coloursValid = false; }
    void restartFrames();
    // Looks for the object's animated switch: a select-one switch with several children.
    void findAnimation();
    // Both positions become p; the last emission is now.
    void placeAt(const Vector3d& p, double now);
    // As if updated at the time, so that the next update does not re-time the emitter.
    void markUpdated(double time) { m_lastUpdate = time; m_updated = true; }

    ParticleFade fade(const Particle& particle, double frameTime) const;
    const std::vector<Particle>& particles() const { return m_particles; }
    int liveCount() const;
    const BoundingBox& box() const { return m_box; }
    const std::array<std::uint32_t, tableSize>& colourTable() const { return m_colours; }
    bool isRunning() const { return m_runActive; }
    const Vector3d& currentPosition() const { return m_current; }
    float whirlAngle() const { return m_whirlAngle; }

private:
    class ObjectRenderer;

    void advanceFrames(double delta);
    void buildColourTable();
    // What the timed and pulsed emitters allow this frame: a forced count for a one-shot, or -1.
    bool timedRunAllows(double now, int& forced);
    bool pulseAllows(double now);
    void restartIfStale(double now);
    int birthCount(const Vector3d& eye, double now, bool emit);
    void move(double now, double delta);
    void bornAt(Particle& p, float offset);
    Particle& freeRecord();
    void finishUpdate(bool simulated, double now);

    struct DrawFrame;
    bool setUpDrawing(DrawFrame& frame);
    void drawBatches(const DrawFrame& frame);
    int writeParticle(const Particle& p, const DrawFrame& frame, int vertex);
    void writeQuad(int vertex, const Vector3f (&corners)[4], const float (&st)[8], std::uint32_t colour);
    void writeVertex(int vertex, const Vector3f& position, std::uint32_t colour);
    void cellOf(const Particle& p, const DrawFrame& frame, float (&st)[8]) const;
    void flush(const DrawFrame& frame, int vertices);
    void renderObjects(RenderAccumulator& accumulator, Viewer& viewer);
    void drawObject(const Particle& p, double now);

    ParticleSystem& m_owner;
    Vector3d m_current;
    Vector3d m_previous;
    double m_lastEmission = 0.0;
    double m_lastUpdate = 0.0;
    bool m_updated = false;
    float m_windX = 0.0f;
    float m_windY = 0.0f;
    float m_whirlAngle = 0.0f;
    bool m_runActive = false;
    bool m_runStarted = false;
    double m_runStart = 0.0;
    bool m_pulseOn = false;
    double m_pulseSwitch = 0.0;
    bool m_restart = false;
    std::vector<Particle> m_particles;
    std::array<std::uint32_t, tableSize> m_colours{};
    bool m_coloursValid = false;
    BoundingBox m_box;
    heron::counted_ptr<Material> m_material;
    std::int32_t m_frameCounter = 0;
    double m_frameAccumulator = 0.0;
    std::int32_t m_frameAdvance = 0;
    // Batched vertices: positions, colours, texture coordinates.
    std::vector<float> m_positions;
    std::vector<std::uint32_t> m_vertexColours;
    std::vector<float> m_texCoords;
    std::unique_ptr<ObjectRenderer> m_objectRenderer;
    SwitchBranch* m_animation = nullptr;
};

}
