#include "scene/window/FinchWindow.h"

#include "gui/gl/GLstate.h"
#include "gui/toolkit/Event.h"
#include "gui/toolkit/Updatable.h"
#include "scene/collide/RayTracer.h"
#include "scene/core/Clock.h"
#include "scene/geometry/Teapot.h"
#include "scene/graph/Database.h"
#include "scene/graph/Object.h"
#include "scene/graph/ViewCulledTraverser.h"
#include "scene/math/BoundingBox.h"
#include "scene/render/Material.h"
#include "scene/window/MouseFly.h"
#include "scene/window/MouseTwiddler.h"
#include "scene/window/WheelMouseZoomer.h"

#include <optional>

namespace finch
{

namespace
{

using kestrel::Event;

constexpr int defaultModelSubdivision = 8;

// The model a window shows before it is given a database: the engine's built-in teapot in a lit
// material named "Grey" (white, which lighting shades grey).
std::unique_ptr<Object> defaultModel()
{
    heron::counted_ptr<Material> grey(new Material(RGBA{1.0f, 1.0f, 1.0f, 1.0f}));
    grey->setName("Grey");
    grey->setLit(true);
    return makeTeapot(defaultModelSubdivision, grey);
}

// The nearest point where the ray meets the database's geometry, if it meets any.
std::optional<Vector3d> nearestHit(Database& database, const Ray& ray)
{
    RayTracer tracer;
    if (!tracer.trace(ray, database)) {
        return std::nullopt;
    }
    return ray.origin() + ray.direction() * tracer.distance();
}

// One traverser serves every window: a walk is finished before the next one starts.
ViewCulledTraverser& sharedTraverser()
{
    static ViewCulledTraverser traverser;
    return traverser;
}

}

// The window's live controller and the point it turns about; updated every frame while a
// controller lives.
class FinchWindowInternals : public kestrel::Updatable
{
public:
    explicit FinchWindowInternals(FinchWindow& owner) : owner(owner) {}

    bool update() override
    {
        Clock::tick();
        if (twiddler && !twiddler->update()) {
            endTwiddler();
            owner.stopFrameRateMeter();
        }
        owner.repaint();
        return true;
    }

    void endTwiddler()
    {
        owner.releaseFocus();
        stopUpdating(this);
        twiddler.reset();
    }

    FinchWindow& owner;
    Vector3d pivot;
    std::unique_ptr<Twiddler> twiddler;
};

FinchWindow::FinchWindow(kestrel::Window* parent)
    : GLwindow(parent), m_internals(std::make_unique<FinchWindowInternals>(*this))
{
    setTitle("finch");
}

FinchWindow::~FinchWindow()
{
    m_internals.reset();
    m_database.reset();
}

const heron::counted_ptr<Database>& FinchWindow::database()
{
    if (m_database) {
        return m_database;
    }
    m_database = heron::counted_ptr<Database>(new Database);
    std::unique_ptr<Object> model = defaultModel();
    if (model) {
        m_database->addObject(model);
    }
    m_viewer.lookAtBounds(m_database->bounds());
    if (m_viewer.isPerspective()) {
        // Framed from its side: the model's front faces the camera.
        Matrix view = m_viewer.view();
        view.preRotate(90.0, Vector3d(0.0, 0.0, 1.0));
        setViewMatrix(m_viewer, view);
    }
    return m_database;
}

void FinchWindow::handleMouse(Event& event)
{
    if (!m_internals->twiddler) {
        startTwiddler(event);
        return;
    }
    if (!m_internals->twiddler->handleEvent(event)) {
        m_internals->endTwiddler();
    }
    repaint();
}

bool FinchWindow::handleWheel(Event& event)
{
    handleMouse(event);
    return true;
}

void FinchWindow::handleKey(Event& event)
{
    handleMouse(event);
}

void FinchWindow::paintGL(kestrel::ImageBody& target)
{
    ViewCulledTraverser& traverser = sharedTraverser();
    m_viewer.setWindowSize(target);
    const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    kestrel::clearBuffers(black, kestrel::ClearColour | kestrel::ClearDepth | kestrel::ClearStencil);
    m_headlight.apply(0);
    m_lightModel.apply();
    if (const heron::counted_ptr<Database>& db = database()) {
        traverser.startWithViewer(m_viewer);
        db->traverse(traverser);
        traverser.accumulator().render(target);
    }
    drawFrameRate(target, 10, 10);
    // A fault is logged; the next frame is drawn all the same.
    static_cast<void>(kestrel::checkGLError(-1));
}

bool FinchWindow::startTwiddler(const Event& event)
{
    if (!database()) {
        return false;
    }
    std::unique_ptr<Twiddler> twiddler;
    if (event.type == Event::MiddlePress && m_viewer.isPerspective()) {
        resetFrameRateMeter();
        twiddler = std::make_unique<MouseFly>(event, *this, m_viewer);
    } else if (event.type == Event::RightPress) {
        pickPivot(event.x - bounds.x, event.y - bounds.y);
        twiddler = std::make_unique<MouseTwiddler>(event, *this, m_viewer, m_internals->pivot);
    } else if (event.type == Event::Wheel) {
        pickPivot(event.x - bounds.x, event.y - bounds.y);
        twiddler = std::make_unique<WheelMouseZoomer>(event, *this, m_viewer, m_internals->pivot);
    }
    if (!twiddler) {
        return false;
    }
    m_internals->twiddler = std::move(twiddler);
    // Two ticks, so that the controller's first frame is a short one.
    Clock::tick();
    Clock::tick();
    setFocus();
    // Keys reach the component with the keyboard focus: a flight must hear the key that ends it.
    kestrel::setKeyboardFocus(this);
    kestrel::Updatable::startUpdating(m_internals.get());
    return true;
}

void FinchWindow::pickPivot(int x, int y)
{
    if (const std::optional<Vector3d> hit = nearestHit(*database(), m_viewer.pixelRay(x, y))) {
        m_internals->pivot = *hit;
    }
}

const Vector3d& FinchWindow::pivot() const
{
    return m_internals->pivot;
}

bool FinchWindow::hasTwiddler() const
{
    return m_internals->twiddler != nullptr;
}

}
