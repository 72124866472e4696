#include "game/WorldRendering.h"

#include "base/Debug.h"
#include "content/world/PelicanDB.h"
#include "content/world/PelicanObject.h"
#include "game/Counter.h"
#include "game/Level.h"
#include "game/Look.h"
#include "game/LookLogic.h"
#include "game/flight/Rock.h"
#include "gui/gl/GLclient.h"
#include "gui/gl/GLstate.h"
#include "gui/paint/Image.h"
#include "scene/core/Clock.h"
#include "scene/graph/Branch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/Object.h"
#include "scene/graph/ViewCulledTraverser.h"
#include "scene/render/Material.h"
#include "scene/render/Texture.h"

#include <cmath>
#include <map>
#include <memory>

namespace
{

// Gap in pixels between the counter icons and around the row.
constexpr int iconGap = 8;
// The ring display turns this many degrees per second; each ring lags the one before by ringLag.
constexpr double ringTurnSpeed = 20.0;
constexpr double ringLag = 15.0;
// The display is this many ring radii wide; a bare ring branch gets this many of its own radii.
constexpr double ringDisplayWidth = 25.0;
constexpr double branchRingRadius = 2.2;

// The world's culling traverser, made on first use and kept to the end of the program.
finch::ViewCulledTraverser& worldTraverser()
{
    static finch::ViewCulledTraverser traverser;
    return traverser;
}

// Draws the bumped no-entry and no-exit walls of the current level, queued with the scene.
class NoEntryExitRenderer : public finch::Renderable
{
public:
    explicit NoEntryExitRenderer(Look& world) : m_world(world) {}
    using finch::Renderable::render;

    void render(kestrel::ImageBody&) override
    {
        Level* const level = m_world.currentLevel();
        if (level == nullptr) {
            return;
        }
        for (const auto& zone : level->zones()) {
            zone->drawNoEntryExitMarker(m_world);
        }
    }

private:
    Look& m_world;
};

// The ring display's own traverser and its turning angle.
finch::Traverser& ringTraverser()
{
    static finch::Traverser traverser;
    return traverser;
}

double& ringAngle()
{
    static double angle = 0.0;
    return angle;
}

// The turning rings, one for each held in the world's ring counter, in the top right corner.
void drawRingDisplay(kestrel::ImageBody& target, Look& world)
{
    pelican::PelicanDB* const database = world.database();
    const Counter* const rings = world.ringCounter();
    if (database == nullptr || rings == nullptr || rings->count() == 0 || target.width() <= 0 ||
        target.height() <= 0) {
        return;
    }
    finch::Object* object = database->ringCounterObject();
    if (object == nullptr) {
        object = database->ringObject();
    }
    finch::Branch* const branch = object == nullptr ? database->ringGeometry() : nullptr;
    if (object == nullptr && branch == nullptr) {
        return;
    }
    if (!world.logic().isPaused()) {
        ringAngle() = std::fmod(ringAngle() + ringTurnSpeed * finch::Clock::frameDelta(), 360.0);
    }
    const finch::BoundingBox& box = object != nullptr ? object->box() : branch->box();
    const double r = object != nullptr ? box.radius() : box.radius() * branchRingRadius;
    const double s = ringDisplayWidth * r;
    kestrel::setOrthoProjection(0.0, s, 0.0, s * target.height() / target.width(), -r, r);
    finch::Traverser& traverser = ringTraverser();
    const finch::Matrix identity;
    traverser.start(identity, identity);
    for (const RingPlacement& ring :
         ringDisplayRow(static_cast<long long>(rings->count()), r, target.width(), target.height(), ringAngle())) {
        finch::Matrix place;
        place.setTranslation(box.centre() * -1.0);
        place.postRotate(ring.degrees, finch::Vector3d(0.0, 0.0, 1.0));
        place.translate(finch::Vector3d(ring.x, 0.0, ring.z));
        finch::Matrix inverse;
        place.getInverse(inverse);
        traverser.pushMatrix(place, inverse);
        if (object != nullptr) {
            object->traverse(traverser);
        } else {
            branch->traverse(traverser);
        }
        traverser.popMatrix();
    }
    traverser.accumulator().render(target);
}

// The two icon textures of a level's goal counters, made on first use.
struct CounterIcons
{
    heron::counted_ptr<finch::Texture> counter;
    heron::counted_ptr<finch::Texture> counted;
};

std::map<const Level*, CounterIcons>& allIcons()
{
    static std::map<const Level*, CounterIcons> icons;
    return icons;
}

CounterIcons& iconsOf(const Level& level)
{
    CounterIcons& entry = allIcons()[&level];
    if (!entry.counter) {
        entry.counter = heron::counted_ptr<finch::Texture>(new finch::Texture);
        entry.counter->setFile(level.counterGraphic);
        entry.counted = heron::counted_ptr<finch::Texture>(new finch::Texture);
        entry.counted->setFile(level.countedGraphic);
    }
    return entry;
}

// Advances (unless paused) and queues the particles of the level's zones, sorted with the scene.
void renderParticles(finch::RenderAccumulator& accumulator, Level& level, finch::Viewer& camera, bool paused)
{
    accumulator.pushOverrideState(finch::RenderAccumulator::noDepthWritesFlag);
    for (const auto& each : level.zones()) {
        Zone& zone = *each;
        if (!zone.particles.enabled) {
            continue;
        }
        const bool objectHidden = zone.isCenteredOnObject && zone.object != nullptr && !zone.object->isActive();
        if (!paused) {
            zone.particles.update(camera.eye(), zone.position(), !objectHidden && !zone.projectile.give);
        }
        zone.particles.render(accumulator, camera);
    }
    accumulator.popOverrideState();
}

// The inset's own traverser.
finch::Traverser& insetTraverser()
{
    static finch::Traverser traverser;
    return traverser;
}

// The square behind the inset, in pixels from the bottom left.
constexpr int insetLeft = 10;
constexpr int insetSide = 50;
// The square lies in front of the scene.
constexpr float insetDepth = -0.9f;
// The inset frames the object with this margin around its bounding sphere.
constexpr double insetMargin = 1.1;

// The shape a content object shows; null for none.
finch::Object* shownObject(const pelican::PelicanObject* object)
{
    return object != nullptr && object->instance() != nullptr ? object->instance()->instance() : nullptr;
}

// Flat colours for what is drawn over the scene: the scene's last light and its fog stay out, and
// textures show their own colours.
void drawUnlit()
{
    kestrel::disableState(kestrel::GLStateId::Lighting);
    kestrel::disableState(kestrel::GLStateId::Fog);
    kestrel::color4ub(0xFFFFFFFFu);
}

// An opaque white square, untextured, in front of everything drawn so far.
void drawInsetSquare(const kestrel::ImageBody& target)
{
    drawUnlit();
    constexpr float low = insetLeft;
    constexpr float high = insetLeft + insetSide;
    kestrel::setDepthFunc(kestrel::DepthFunc::Always);
    kestrel::GLclient::setPixelProjection(target);
    kestrel::disableState(kestrel::GLStateId::Texture2D);
    kestrel::beginPrimitive(kestrel::Primitive::Quads);
    kestrel::vertex3f(low, low, insetDepth);
    kestrel::vertex3f(high, low, insetDepth);
    kestrel::vertex3f(high, high, insetDepth);
    kestrel::vertex3f(low, high, insetDepth);
    kestrel::endPrimitive();
    kestrel::enableState(kestrel::GLStateId::Texture2D);
    kestrel::setDepthFunc(kestrel::DepthFunc::Less);
}

// The object the player is about to throw, in a white square at the bottom left.
void drawThrowInset(kestrel::ImageBody& target, finch::Object& shown)
{
    drawInsetSquare(target);
    heron::progressCode = 315;
    kestrel::setViewport(kestrel::Rect{insetLeft, insetLeft, insetSide, insetSide});
    const finch::BoundingBox& box = shown.box();
    const double r = insetMargin * box.radius();
    const double a = static_cast<double>(target.width()) / target.height();
    kestrel::setOrthoProjection(-r, r, -a * r, a * r, -2.0 * r, 2.0 * r);
    finch::Traverser& traverser = insetTraverser();
    const finch::Matrix identity;
    traverser.start(identity, identity);
    finch::Matrix centred;
    centred.setTranslation(box.centre() * -1.0);
    finch::Matrix inverse;
    centred.getInverse(inverse);
    traverser.pushMatrix(centred, inverse);
    shown.traverse(traverser);
    traverser.popMatrix();
    traverser.accumulator().render(target);
    kestrel::setViewport(kestrel::Rect{0, 0, target.width(), target.height()});
}

// The goal counters' icon rows; true when at least one row was drawn.
bool drawGoalCounters(const kestrel::ImageBody& target, Look& world, Level& level)
{
    if (!level.needsPlaySounds() || world.logic().carriedObject() == nullptr) {
        return false;
    }
    bool drawn = false;
    for (const auto& zone : level.zones()) {
        if (!zone->isGoal || zone->goalCounter < 0 ||
            static_cast<std::size_t>(zone->goalCounter) >= world.counters().size()) {
            continue;
        }
        if (!drawn) {
            // The rows are laid out in pixels from the bottom left, over the scene's projection.
            kestrel::GLclient::setPixelProjection(target);
            drawUnlit();
        }
        const Counter& counter = world.counters()[static_cast<std::size_t>(zone->goalCounter)];
        CounterIcons& icons = iconsOf(level);
        const int width = icons.counter->width();
        const int height = icons.counter->height();
        for (const CounterIcon& icon : counterIconRow(counter.triggerAt, static_cast<long long>(counter.count()),
                                                       target.width(), target.height(), width, height)) {
            (icon.counted ? icons.counted : icons.counter)->draw2D(static_cast<float>(icon.x), static_cast<float>(icon.y));
        }
        drawn = true;
    }
    return drawn;
}

}

std::vector<CounterIcon> counterIconRow(long long n, long long c, int windowWidth, int windowHeight, int iconWidth,
                                        int iconHeight)
{
    std::vector<CounterIcon> row;
    int x = windowWidth - iconGap;
    for (long long i = 0; i < n; ++i) {
        x -= iconWidth;
        if (x + iconWidth <= 0) {
            break;
        }
        row.push_back(CounterIcon{x, windowHeight - iconHeight - iconGap, n - i - 1 < c});
        x -= iconGap;
    }
    return row;
}

std::vector<RingPlacement> ringDisplayRow(long long n, double r, int windowWidth, int windowHeight, double angle)
{
    std::vector<RingPlacement> row;
    if (windowWidth <= 0 || windowHeight <= 0) {
        return row;
    }
    const double s = ringDisplayWidth * r;
    double x = s - r;
    const double z = s * windowHeight / windowWidth - r;
    double lag = 0.0;
    for (long long i = 0; i < n && x + r > 0.0; ++i) {
        row.push_back(RingPlacement{x, z, angle + lag});
        x -= r;
        lag -= ringLag;
    }
    return row;
}

void releaseWorldRendering()
{
    allIcons().clear();
}

void Look::render(kestrel::ImageBody& target)
{
    heron::progressCode = 300;
    finch::ViewCulledTraverser& traverser = worldTraverser();
    finch::RenderAccumulator& accumulator = traverser.accumulator();
    m_camera.setWindowSize(target);
    traverser.startWithViewer(m_camera);
    accumulator.setViewer(&m_camera);
    if (m_database) {
        m_database->applyDepthTweak(accumulator);
    }
    const float unused[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    kestrel::clearBuffers(unused, kestrel::ClearDepth);
    heron::progressCode = 301;
    m_logic->applyEnvironment(m_camera);
    accumulator.pushFog(&m_logic->liveFog());
    kestrel::disableState(kestrel::GLStateId::DepthTest);
    m_logic->renderSky(target, m_camera);
    kestrel::enableState(kestrel::GLStateId::DepthTest);
    if (m_database) {
        m_database->traverse(traverser);
    }
    heron::progressCode = 302;
    renderRocks(accumulator, m_camera);
    heron::progressCode = 303;
    NoEntryExitRenderer markers(*this);
    accumulator.pushOverrideState(finch::RenderAccumulator::noDepthWritesFlag);
    accumulator.addRenderable(markers, nullptr, true);
    accumulator.popOverrideState();
    heron::progressCode = 304;
    if (Level* const level = currentLevel()) {
        renderParticles(accumulator, *level, m_camera, m_logic->isPaused());
    }
    accumulator.popFog();
    heron::progressCode = 305;
    accumulator.render(target);
    heron::progressCode = 312;
    drawFlash(target);
    heron::progressCode = 313;
    kestrel::enableState(kestrel::GLStateId::Texture2D);
    Level* const level = currentLevel();
    if (level == nullptr || !drawGoalCounters(target, *this, *level)) {
        drawRingDisplay(target, *this);
    }
    if (finch::Object* const shown = shownObject(m_logic->throwTarget())) {
        heron::progressCode = 314;
        drawThrowInset(target, *shown);
    }
    heron::progressCode = 317;
    finch::Material::defaultMaterial()->apply();
    m_camera.drawViewportFrame(target);
    kestrel::GLclient::setPixelProjection(target);
}
