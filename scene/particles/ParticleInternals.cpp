#include "scene/particles/ParticleInternals.h"

#include "base/Limits.h"
#include "gui/widgets/ColorRGBA.h"
#include "scene/core/Clock.h"
#include "scene/graph/Object.h"
#include "scene/graph/SwitchBranch.h"
#include "scene/math/Random.h"
#include "scene/particles/ParticleSystem.h"
#include "scene/render/Material.h"

#include <algorithm>
#include <cmath>

namespace finch
{

namespace
{

// Records the vector holds from the first birth.
constexpr std::size_t firstReserve = 128;
// Longer than this between updates and the emitter starts afresh instead of birthing the backlog.
constexpr double staleGap = 2.0;
// Birth times sit a hair before the frame time.
constexpr double birthTimeFactor = 0.999999;
constexpr float streakSizeFactor = 0.02f;
constexpr float spriteSizeFactor = 0.1f;
// Spin and tumble rates are kept within this many degrees per second either way.
constexpr float maxTurnRate = 1000.0f;

float between(Random& random, float low, float high)
{
    return low + random.next() * (high - low);
}

// Keeps an angle within (-360, 360).
float wrapped(float degrees)
{
    return std::fmod(degrees, 360.0f);
}

// The first select-one switch with several children: its children are the frames of an animation.
class AnimFinder : public BranchProcessor
{
public:
    bool process(Branch& branch) override
    {
        auto* candidate = dynamic_cast<SwitchBranch*>(&branch);
        if (candidate != nullptr && candidate->mode() == SwitchBranch::selectOne && candidate->childCount() > 1) {
            found = candidate;
            return false;
        }
        return true;
    }
    SwitchBranch* found = nullptr;
};

}

int ParticleInternals::cappedCount(double n)
{
    if (!(n >= 1.0)) {
        return 0;
    }
    return n >= heron::limits::maxParticlesPerSystem ? heron::limits::maxParticlesPerSystem : int(n);
}

void ParticleInternals::findAnimation()
{
    AnimFinder finder;
    if (m_owner.object() != nullptr) {
        static_cast<void>(m_owner.object()->process(finder));
    }
    m_animation = finder.found;
}

void ParticleInternals::restartFrames()
{
    m_frameCounter = 0;
    m_frameAccumulator = 0.0;
    for (Particle& p : m_particles) {
        p.frame = 0;
    }
}

void ParticleInternals::placeAt(const Vector3d& p, double now)
{
    m_current = m_previous = p;
    m_lastEmission = now;
}

void ParticleInternals::arm()
{
    const double now = Clock::frameTime();
    m_restart = false;
    m_runStart = m_lastEmission = now;
    m_runActive = true;
    m_runStarted = m_owner.delay == 0.0;
}

int ParticleInternals::liveCount() const
{
    return int(std::count_if(m_particles.begin(), m_particles.end(), [](const Particle& p) { return p.alive; }));
}

ParticleFade ParticleInternals::fade(const Particle& particle, double frameTime) const
{
    const ParticleParams& s = m_owner;
    const double age = frameTime - particle.birth;
    ParticleFade result;
    std::int32_t kind = 0;
    if (age < s.birthTime) {
        result.factor = float(age / s.birthTime);
        kind = s.birthType;
    } else if (particle.life - age < s.deathTime) {
        result.factor = float((particle.life - age) / s.deathTime);
        kind = s.deathType;
    } else {
        return result;
    }
    result.factor = std::isfinite(result.factor) ? std::clamp(result.factor, 0.0f, 1.0f) : 0.0f;
    if (kind == ParticleParams::fadeSize) {
        result.sizeFactor = result.factor;
    } else if (kind == ParticleParams::fadeAlpha) {
        result.alpha = std::uint32_t(result.factor * 255.0f);
    }
    return result;
}

void ParticleInternals::update(const Vector3d& eye, const Vector3d& emitter, bool emit)
{
    const ParticleParams& s = m_owner;
    const double now = Clock::frameTime();
    const double delta = Clock::frameDelta();
    m_current = emitter;
    advanceFrames(delta);
    if (!s.enabled || !(s.birthrate > 0.0f)) {
        // Disabled particles stay where they are; enabling again re-times the emitter.
        m_restart = m_restart || !s.enabled;
        finishUpdate(false, now);
        return;
    }
    int forced = -1;
    const bool timed = timedRunAllows(now, forced);
    restartIfStale(now);
    const double direction = s.windDirection * degreesToRadians;
    m_windX = float(std::sin(direction) * s.windStrength);
    m_windY = float(std::cos(direction) * s.windStrength);
    if (s.whirl) {
        m_whirlAngle = wrapped(m_whirlAngle + float(s.whirlSpeed * delta));
    }
    const bool on = pulseAllows(now) && timed;
    int count = 0;
    if (!on) {
        // No backlog builds up while the emitter is off.
        m_lastEmission = now;
    } else if (forced >= 0) {
        count = emit ? forced : 0;
    } else {
        count = birthCount(eye, now, emit);
    }
    move(now, delta);
    birth(count);
    finishUpdate(true, now);
}

void ParticleInternals::advanceFrames(double delta)
{
    m_frameAdvance = 0;
    const int frames = m_owner.cycleFrames();
    if (frames <= 1) {
        return;
    }
    m_frameAccumulator += m_owner.cycleTime * frames * delta;
    if (!std::isfinite(m_frameAccumulator)) {
        m_frameAccumulator = 0.0;
    }
    const double whole = std::floor(m_frameAccumulator);
    m_frameAccumulator -= whole;
    m_frameAdvance = whole >= 0.0 && whole <= frames ? int(whole) : 0;
}

void ParticleInternals::buildColourTable()
{
    const ParticleSystem& s = m_owner;
    for (int i = 0; i < tableSize; ++i) {
        const float t = float(i) * (1.0f / tableSize);
        kestrel::ColorRGBA colour;
        if (s.colorType() == ParticleSystem::hues) {
            colour = kestrel::ColorRGBA::fromHSV({float(i) * 360.0f / tableSize, s.saturation(), 1.0f});
        } else {
            const RGBA& a = s.color1();
            const RGBA& b = s.color2();
            colour = kestrel::ColorRGBA(a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, 0.0f);
        }
        m_colours[std::size_t(i)] = colour.toPacked();
    }
    m_coloursValid = true;
}

bool ParticleInternals::timedRunAllows(double now, int& forced)
{
    const ParticleParams& s = m_owner;
    if (!s.trigger) {
        return true;
    }
    if (!m_runActive) {
        return false;
    }
    if (!m_runStarted) {
        if (now - m_runStart < s.delay) {
            return false;
        }
        m_runStarted = true;
    }
    if (s.duration == 0.0) {
        forced = cappedCount(s.birthrate);
        m_runActive = false;
        return true;
    }
    m_runActive = now - (s.delay + m_runStart) < s.duration;
    return m_runActive;
}

bool ParticleInternals::pulseAllows(double now)
{
    const ParticleParams& s = m_owner;
    if (!s.pulse) {
        return true;
    }
    if (now >= m_pulseSwitch) {
        m_pulseOn = !m_pulseOn;
        Random& random = Random::global();
        m_pulseSwitch = now + (m_pulseOn ? between(random, s.onMin, s.onMax) : between(random, s.offMin, s.offMax));
    }
    return m_pulseOn;
}

void ParticleInternals::restartIfStale(double now)
{
    if (!m_restart && m_updated && now - m_lastUpdate <= staleGap) {
        return;
    }
    m_previous = m_current;
    m_lastEmission = m_lastUpdate = now;
    m_runActive = false;
    m_restart = false;
}

int ParticleInternals::birthCount(const Vector3d& eye, double now, bool emit)
{
    const ParticleParams& s = m_owner;
    float rate = s.birthrate;
    if (s.lodDistance >= 0.5f) {
        const double d = (eye - m_current).length();
        rate = std::max(float(rate * (s.lodDistance - d) / s.lodDistance), s.lodBirthrate);
    }
    const int count = emit ? cappedCount((now - m_lastEmission) * rate) : 0;
    if (count >= 1) {
        m_lastEmission = now;
    }
    return count;
}

void ParticleInternals::move(double now, double delta)
{
    const ParticleParams& s = m_owner;
    const auto dt = float(delta);
    const Vector3d shift = s.followEmitter ? (m_current - m_previous) * (s.percentSpeed / 100.0) : Vector3d();
    const auto groundZ = float(m_current.z + s.ground);
    const int frames = m_owner.cycleFrames();
    for (Particle& p : m_particles) {
        if (!p.alive) {
            continue;
        }
        p.alive = now - p.birth <= p.life;
        p.position.x += (p.velocity.x + m_windX) * dt + float(shift.x);
        p.position.y += (p.velocity.y + m_windY) * dt + float(shift.y);
        p.position.z += p.velocity.z * dt + float(shift.z);
        p.velocity.z -= s.gravity * dt;
        if (p.position.z < groundZ && p.velocity.z < 0.0f) {
            p.position.z = 2.0f * groundZ - p.position.z;
            p.velocity.z = -p.velocity.z * 0.5f;
        }
        if (s.particleType == ParticleParams::objects) {
            p.spin = wrapped(p.spin + p.spinRate * dt);
            p.tumble = wrapped(p.tumble + p.tumbleRate * dt);
        }
        p.frame = (p.frame + m_frameAdvance) % frames;
    }
}

void ParticleInternals::birth(int count)
{
    if (!m_coloursValid) {
        buildColourTable();
    }
    if (count > 0 && m_particles.capacity() == 0) {
        m_particles.reserve(firstReserve);
    }
    const float offsetStep = count > 0 ? float(Clock::frameDelta() / count) : 0.0f;
    std::size_t next = 0;
    for (int k = 0; k < count; ++k) {
        while (next < m_particles.size() && m_particles[next].alive) {
            ++next;
        }
        if (next == m_particles.size()) {
            if (m_particles.size() >= std::size_t(heron::limits::maxParticlesPerSystem)) {
                return;
            }
            m_particles.emplace_back();
        }
        bornAt(m_particles[next], float(k) * offsetStep);
    }
}

void ParticleInternals::bornAt(Particle& p, float offset)
{
    const ParticleParams& s = m_owner;
    Random& random = Random::global();
    p = Particle();
    p.alive = true;
    p.birth = Clock::frameTime() * birthTimeFactor;
    p.life = std::max(double(between(random, s.minLife, s.maxLife)), double(s.birthTime + s.deathTime));
    const double e = between(random, s.minAngle, s.maxAngle) * degreesToRadians;
    const double h = between(random, s.minHeading, s.maxHeading) * degreesToRadians;
    const double v = between(random, s.minVelocity, s.maxVelocity);
    p.velocity = Vector3f(Vector3d(v * std::sin(h) * std::cos(e), v * std::cos(h) * std::cos(e), v * std::sin(e)));
    const double rho = between(random, s.innerRadius, s.outerRadius);
    const double along = random.next();
    const Vector3d velocity(p.velocity.x, p.velocity.y, p.velocity.z);
    const Vector3d ring(rho * std::sin(h), rho * std::cos(h), random.next() * s.height + s.verticalOffset);
    p.position = Vector3f(m_current + (m_previous - m_current) * along + velocity * offset + ring);
    p.colour = m_colours[std::size_t(random.randomInt(tableSize))];
    p.size = between(random, s.minSize, s.maxSize);
    switch (s.particleType) {
    case ParticleParams::streaks:
        p.size *= streakSizeFactor;
        break;
    case ParticleParams::sprites:
    case ParticleParams::billboards:
        p.size *= spriteSizeFactor;
        p.frame = m_frameCounter;
        m_frameCounter = (m_frameCounter + 1) % m_owner.cycleFrames();
        break;
    case ParticleParams::streakedBillboards:
        p.size *= spriteSizeFactor;
        break;
    case ParticleParams::objects:
        p.spinRate = std::clamp(between(random, s.minSpin, s.maxSpin), -maxTurnRate, maxTurnRate);
        p.tumbleRate = std::clamp(between(random, s.minTumble, s.maxTumble), -maxTurnRate, maxTurnRate);
        break;
    default:
        break;
    }
    p.framePhase = (random.next() * 0.2f + 0.9f) * s.cycleTime;
}

void ParticleInternals::finishUpdate(bool simulated, double now)
{
    if (simulated) {
        while (!m_particles.empty() && !m_particles.back().alive) {
            m_particles.pop_back();
        }
    }
    m_box.clear();
    Vector3d low(1e300, 1e300, 1e300);
    Vector3d high(-1e300, -1e300, -1e300);
    for (const Particle& p : m_particles) {
        if (p.alive) {
            low = Vector3d(std::min<double>(low.x, p.position.x), std::min<double>(low.y, p.position.y),
                           std::min<double>(low.z, p.position.z));
            high = Vector3d(std::max<double>(high.x, p.position.x), std::max<double>(high.y, p.position.y),
                            std::max<double>(high.z, p.position.z));
        }
    }
    if (low.x <= high.x) {
        m_box.set(low, high);
    }
    m_previous = m_current;
    m_lastUpdate = now;
    m_updated = true;
}

}
