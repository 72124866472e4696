#include "scene/render/RenderAccumulator.h"

#include "base/Debug.h"
#include "gui/gl/GLstate.h"
#include "gui/gl/GLtexture.h"
#include "gui/gl/VertexArray.h"
#include "gui/paint/Image.h"
#include "gui/toolkit/Event.h"
#include "platform/KeyCodes.h"
#include "scene/render/Material.h"
#include "scene/render/QueuedBunch.h"
#include "scene/render/Surface.h"
#include "scene/render/Viewer.h"

#include <algorithm>
#include <vector>

namespace finch
{

namespace
{

constexpr std::size_t firstGrowth = 1024;
// The texture unit that fades items through the alpha ramp.
constexpr int fadeUnit = 2;
constexpr int rampSide = 16;

struct Entry
{
    std::uint32_t overrides;
    float animation;
    float transparency;
    const Fog* fog;
    const Matrix* modelView;
    Renderable* renderable;
    QueuedBunch* bunch;
    std::int32_t next;
};

// The opaque entries of one bunch in this frame, newest first through Entry::next.
struct Bucket
{
    QueuedBunch* bunch;
    std::int32_t latest;
};

const Viewer& defaultViewer()
{
    static const Viewer* const viewer = new Viewer;
    return *viewer;
}

// A 16 x 16 texture whose texel k (row-major) is white with alpha k, made on first use.
kestrel::GLtexture& alphaRamp()
{
    static kestrel::GLtexture* const ramp = [] {
        auto* texture = new kestrel::GLtexture;
        kestrel::Image image(rampSide, rampSide);
        for (std::uint32_t k = 0; k < rampSide * rampSide; ++k) {
            *image.pixelAt(int(k % rampSide), int(k / rampSide)) = k << 24 | 0xFFFFFFu;
        }
        texture->setFilters(0, 0);
        texture->bind();
        texture->setImage(image);
        return texture;
    }();
    return *ramp;
}

void logGLError(const char* message)
{
    if (kestrel::checkGLError(-1)) {
        heron::debug("%s", message);
    }
}

template <class T>
void resetStack(std::vector<T>& stack, T initial)
{
    stack.clear();
    stack.push_back(initial);
}

template <class T>
void popStack(std::vector<T>& stack, const char* name)
{
    if (stack.size() <= 1) {
        heron::debug("Error: RenderAccumulator::%s() - stack underflow\n", name);
        return;
    }
    stack.pop_back();
}

}

class RenderAccumulatorInternals
{
public:
    RenderAccumulatorInternals();
    ~RenderAccumulatorInternals();

    static std::vector<RenderAccumulatorInternals*>& live();

    Entry entry(Renderable* renderable, QueuedBunch* bunch, const Matrix* modelView) const;
    void queueSolidBunch(QueuedBunch& bunch, Entry entry);
    void forget(const QueuedBunch& bunch);
    void reset();
    bool isEmpty() const;

    void prepare();
    void renderSky();
    void renderSolidBunches();
    void renderList(const std::vector<Entry>& list);
    void finish();

    void applyEntryState(const Entry& entry);
    void applySurface(const QueuedBunch& bunch);
    void applyMaterial(const QueuedBunch& bunch);
    void loadMatrix(const Matrix* modelView);
    void applyFog(const Fog* fog);
    void setBlending(bool on);
    void setCulling(bool on);
    void setDepthWrites(bool on);
    void drawPlain(const Entry& entry);
    void drawFaded(const Entry& entry);
    const Viewer& frameViewer() const { return viewer ? *viewer : defaultViewer(); }

    std::uint64_t id;
    std::uint64_t frame = 1;
    Viewer* viewer = nullptr;
    RenderAccumulator::SkyRenderer* sky = nullptr;
    kestrel::ImageBody* target = nullptr;
    Fog defaultFog;
    std::vector<std::uint32_t> overrides;
    std::vector<float> animations;
    std::vector<float> transparencies;
    std::vector<const Fog*> fogs;
    float depthNear = 0.0f;
    float depthFar = 1.0f;
    std::vector<Entry> solid;
    std::vector<Entry> solidRenderables;
    std::vector<Entry> ordered;
    std::vector<Entry> late;
    std::vector<Bucket> buckets;

    // What the accumulator last told GL.
    bool blending = false;
    bool culling = true;
    bool depthWrites = true;
    bool matrixKnown = false;
    const Matrix* currentMatrix = nullptr;
    const Fog* currentFog = nullptr;
    float currentAnimation = 0.0f;
    // The material whose state is in force; none after anything else may have changed GL state.
    heron::counted_ptr<Material> currentMaterial;
};

RenderAccumulatorInternals::RenderAccumulatorInternals()
{
    static std::uint64_t lastId = 0;
    id = ++lastId;
    for (auto* list : {&solid, &solidRenderables, &ordered, &late}) {
        list->reserve(firstGrowth);
    }
    buckets.reserve(firstGrowth);
    reset();
    live().push_back(this);
}

RenderAccumulatorInternals::~RenderAccumulatorInternals()
{
    std::erase(live(), this);
}

std::vector<RenderAccumulatorInternals*>& RenderAccumulatorInternals::live()
{
    static std::vector<RenderAccumulatorInternals*> accumulators;
    return accumulators;
}

void RenderAccumulatorInternals::reset()
{
    for (auto* list : {&solid, &solidRenderables, &ordered, &late}) {
        list->clear();
    }
    buckets.clear();
    resetStack(overrides, 0u);
    resetStack(animations, 0.0f);
    resetStack(transparencies, 1.0f);
    resetStack<const Fog*>(fogs, &defaultFog);
    viewer = nullptr;
    sky = nullptr;
    depthNear = 0.0f;
    depthFar = 1.0f;
    ++frame;
}

bool RenderAccumulatorInternals::isEmpty() const
{
    return solid.empty() && solidRenderables.empty() && ordered.empty() && late.empty();
}

Entry RenderAccumulatorInternals::entry(Renderable* renderable, QueuedBunch* bunch, const Matrix* modelView) const
{
    return Entry{overrides.back(), animations.back(), transparencies.back(), fogs.back(), modelView, renderable, bunch, -1};
}

void RenderAccumulatorInternals::queueSolidBunch(QueuedBunch& bunch, Entry e)
{
    QueuedBunch::BucketLink& link = bunch.bucketLink();
    const auto index = std::int32_t(solid.size());
    const bool linkedHere = link.accumulator == id && link.frame == frame && link.bucket >= 0 &&
                            std::size_t(link.bucket) < buckets.size() &&
                            buckets[std::size_t(link.bucket)].bunch == &bunch;
    if (linkedHere) {
        Bucket& bucket = buckets[std::size_t(link.bucket)];
        e.next = bucket.latest;
        bucket.latest = index;
    } else {
        link.bucket = std::int32_t(buckets.size());
        buckets.push_back(Bucket{&bunch, index});
    }
    solid.push_back(e);
}

void RenderAccumulatorInternals::forget(const QueuedBunch& bunch)
{
    for (auto* list : {&solid, &ordered, &late}) {
        for (Entry& e : *list) {
            if (e.bunch == &bunch) {
                e.bunch = nullptr;
            }
        }
    }
    for (Bucket& bucket : buckets) {
        if (bucket.bunch == &bunch) {
            bucket.bunch = nullptr;
        }
    }
}

QueuedBunch::~QueuedBunch()
{
    RenderAccumulator::forget(*this);
}

void RenderAccumulator::forget(QueuedBunch& bunch)
{
    if (bunch.bucketLink().accumulator == 0) {
        return;
    }
    for (RenderAccumulatorInternals* accumulator : RenderAccumulatorInternals::live()) {
        if (!accumulator->isEmpty()) {
            accumulator->forget(bunch);
        }
    }
}

RenderAccumulator::RenderAccumulator() : m_internals(std::make_unique<RenderAccumulatorInternals>())
{
}

RenderAccumulator::~RenderAccumulator() = default;

void RenderAccumulator::setViewer(Viewer* viewer)
{
    m_internals->viewer = viewer;
}

const Viewer& RenderAccumulator::viewer() const
{
    return m_internals->frameViewer();
}

void RenderAccumulator::setSkyRenderer(SkyRenderer* sky)
{
    m_internals->sky = sky;
}

void RenderAccumulator::addRenderable(Renderable& r, const Matrix* modelView, bool forceLate)
{
    RenderAccumulatorInternals& in = *m_internals;
    const Entry e = in.entry(&r, nullptr, modelView);
    if ((e.overrides & orderedFlag) != 0) {
        in.ordered.push_back(e);
    } else if (!forceLate && e.transparency >= 1.0f) {
        in.solidRenderables.push_back(e);
    } else {
        in.late.push_back(e);
    }
}

void RenderAccumulator::addBunch(QueuedBunch& b, const Matrix* modelView)
{
    RenderAccumulatorInternals& in = *m_internals;
    QueuedBunch::BucketLink& link = b.bucketLink();
    if (link.accumulator != in.id || link.frame != in.frame) {
        link = QueuedBunch::BucketLink{-1, in.id, in.frame};
    }
    const Entry e = in.entry(nullptr, &b, modelView);
    if ((e.overrides & orderedFlag) != 0) {
        in.ordered.push_back(e);
    } else if (!b.surface().blend && e.transparency >= 1.0f) {
        in.queueSolidBunch(b, e);
    } else {
        in.late.push_back(e);
    }
}

void RenderAccumulator::pushOverrideState(std::uint32_t flags)
{
    m_internals->overrides.push_back(m_internals->overrides.back() | flags);
}

void RenderAccumulator::popOverrideState()
{
    popStack(m_internals->overrides, "popOverrideState");
}

void RenderAccumulator::pushTransparency(float f)
{
    m_internals->transparencies.push_back(f);
}

void RenderAccumulator::popTransparency()
{
    popStack(m_internals->transparencies, "popTransparency");
}

void RenderAccumulator::pushAnimation(float phase)
{
    m_internals->animations.push_back(phase);
}

void RenderAccumulator::popAnimation()
{
    popStack(m_internals->animations, "popAnimation");
}

void RenderAccumulator::pushFog(const Fog* fog)
{
    m_internals->fogs.push_back(fog ? fog : &m_internals->defaultFog);
}

void RenderAccumulator::popFog()
{
    popStack(m_internals->fogs, "popFog");
}

std::uint32_t RenderAccumulator::overrideState() const
{
    return m_internals->overrides.back();
}

float RenderAccumulator::transparency() const
{
    return m_internals->transparencies.back();
}

float RenderAccumulator::animation() const
{
    return m_internals->animations.back();
}

const Fog* RenderAccumulator::fog() const
{
    return m_internals->fogs.back();
}

void RenderAccumulator::setDepthRange(float near, float far)
{
    m_internals->depthNear = near;
    m_internals->depthFar = far;
}

void RenderAccumulator::render(kestrel::ImageBody& target)
{
    RenderAccumulatorInternals& in = *m_internals;
    if (kestrel::checkGLError(-1)) {
        heron::debug("GL had an error at the start of RenderAccumulator::render()\n");
    }
    if (in.isEmpty() && in.sky == nullptr) {
        return;
    }
    in.target = &target;
    in.prepare();
    Material::lockDefault();
    kestrel::setDepthRange(in.depthNear, in.depthFar);
    heron::setProgress(10020);
    in.renderSky();
    heron::setProgress(10021);
    in.renderSolidBunches();
    logGLError("GL had an error while rendering solidStuff\n");
    heron::setProgress(10023);
    in.renderList(in.solidRenderables);
    // 10023 again, and no 10022: the codes keep the numbering that crash reports already carry.
    heron::setProgress(10023);
    in.setBlending(true);
    logGLError("GL had an error while rendering solidRenderables\n");
    // Holding left Control hides the ordered phase and left Shift the late one, so that a wrong
    // picture can be traced to its phase on the spot.
    if (!kestrel::isKeyDown(plat::keys::leftControl)) {
        in.renderList(in.ordered);
    }
    logGLError("GL had an error while rendering orderedStuff\n");
    heron::setProgress(10024);
    if (!kestrel::isKeyDown(plat::keys::leftShift)) {
        in.setBlending(true);
        in.renderList(in.late);
    }
    logGLError("GL had an error while rendering the bunches\n");
    heron::setProgress(10025);
    in.finish();
    in.target = nullptr;
    in.reset();
}

void RenderAccumulatorInternals::prepare()
{
    if (viewer != nullptr) {
        viewer->setWindowSize(*target);
    }
    fogs.back()->apply();
    currentFog = nullptr;
    currentMaterial.reset();
    matrixKnown = false;
    currentMatrix = nullptr;
    currentAnimation = 0.0f;
    blending = false;
    depthWrites = true;
    culling = true;
    kestrel::disableState(kestrel::GLStateId::Blending);
    kestrel::enableState(kestrel::GLStateId::DepthWrites);
    kestrel::setCullFace(true);
    kestrel::enableState(kestrel::GLStateId::FaceCulling);
    for (const int unit : {1, 0}) {
        if (kestrel::activeTexture(unit) || unit == 0) {
            kestrel::disableState(kestrel::GLStateId::Texture2D);
            kestrel::setTexEnvMode(unit == 1 ? kestrel::TexEnvMode::Decal : kestrel::TexEnvMode::Modulate);
        }
    }
    kestrel::setAlphaThreshold(0.0f);
    kestrel::setBlendFunc(kestrel::BlendFactor::SourceAlpha, kestrel::BlendFactor::OneMinusSourceAlpha);
}

void RenderAccumulatorInternals::renderSky()
{
    if (sky == nullptr) {
        return;
    }
    if (viewer == nullptr) {
        heron::debug("RenderAccumulator::renderSky(). Error: You didn't set a Viewer...\n");
    } else {
        setDepthWrites(false);
        kestrel::setDepthRange(0.9999f, 1.0f);
        heron::setProgress(100201);
        sky->renderSky(*target, *viewer);
        heron::setProgress(100202);
        kestrel::setDepthRange(depthNear, depthFar);
        setDepthWrites(true);
        heron::setProgress(100203);
        // The sky may have loaded matrices and applied materials of its own.
        matrixKnown = false;
        currentMaterial.reset();
    }
    logGLError("GL had an error during RenderAccumulator::renderSky()\n");
}

void RenderAccumulatorInternals::renderSolidBunches()
{
    // Bunches drawn one after another with nothing changed between them go to GL as one draw where
    // their arrays allow; every change of state below sends the draw held so far first.
    const kestrel::DrawBatch batch;
    for (auto bucket = buckets.rbegin(); bucket != buckets.rend(); ++bucket) {
        QueuedBunch* const bunch = bucket->bunch;
        if (bunch == nullptr) {
            continue;
        }
        applyEntryState(solid[std::size_t(bucket->latest)]);
        heron::setProgress(30000);
        for (std::int32_t i = bucket->latest; i >= 0; i = solid[std::size_t(i)].next) {
            const Entry& e = solid[std::size_t(i)];
            heron::setProgress(30100 + i);
            loadMatrix(e.modelView);
            heron::setProgress(30200 + i);
            applyFog(e.fog);
            if (bunch->isAnimated() && e.animation != currentAnimation) {
                bunch->setAnimationTime(e.animation);
                currentAnimation = e.animation;
            }
            heron::setProgress(30300 + i);
            bunch->render();
        }
    }
}

void RenderAccumulatorInternals::renderList(const std::vector<Entry>& list)
{
    for (const Entry& e : list) {
        if (e.bunch == nullptr && e.renderable == nullptr) {
            continue;
        }
        applyEntryState(e);
        if (e.transparency >= 1.0f) {
            drawPlain(e);
        } else {
            drawFaded(e);
        }
    }
}

void RenderAccumulatorInternals::finish()
{
    prepare();
    Material::unlock();
    kestrel::VertexArray::endClientArrays();
    kestrel::setDepthRange(0.0f, 1.0f);
}

void RenderAccumulatorInternals::applyEntryState(const Entry& e)
{
    if (e.bunch != nullptr) {
        heron::setProgress(20000);
        if (e.bunch->isAnimated()) {
            e.bunch->setAnimationTime(e.animation);
            currentAnimation = e.animation;
        }
        heron::setProgress(20001);
        applySurface(*e.bunch);
    }
    heron::setProgress(20004);
    loadMatrix(e.modelView);
    heron::setProgress(20005);
    applyFog(e.fog);
    heron::setProgress(20006);
    setDepthWrites((e.overrides & RenderAccumulator::noDepthWritesFlag) == 0);
}

void RenderAccumulatorInternals::applySurface(const QueuedBunch& bunch)
{
    const Surface& surface = bunch.surface();
    setCulling(surface.cullFaces);
    heron::setProgress(20002);
    setBlending(surface.blend);
    heron::setProgress(20003);
    applyMaterial(bunch);
}

void RenderAccumulatorInternals::applyMaterial(const QueuedBunch& bunch)
{
    // Bunches are grouped by geometry, not by material, so runs of one material are common. Of its
    // state only the current colour needs sending again, and only to a bunch without a colour
    // array: a colour array leaves the colour undefined but draws without it.
    const heron::counted_ptr<Material>& material = bunch.surface().material;
    if (material != currentMaterial) {
        kestrel::VertexArray::flushBatch();
        material->apply();
        currentMaterial = material;
    } else if (!bunch.drawsColourArray()) {
        // Sends the colour every held draw of this material was queued with, so it need not go first.
        material->applyAgainAfterDraw();
    }
}

void RenderAccumulatorInternals::loadMatrix(const Matrix* modelView)
{
    if (matrixKnown && modelView == currentMatrix) {
        return;
    }
    kestrel::VertexArray::flushBatch();
    (modelView ? *modelView : frameViewer().view()).loadGL();
    currentMatrix = modelView;
    matrixKnown = true;
}

void RenderAccumulatorInternals::applyFog(const Fog* fog)
{
    if (fog != currentFog) {
        kestrel::VertexArray::flushBatch();
        fog->apply();
        currentFog = fog;
    }
}

void RenderAccumulatorInternals::setBlending(bool on)
{
    if (on != blending) {
        kestrel::VertexArray::flushBatch();
        on ? kestrel::enableState(kestrel::GLStateId::Blending) : kestrel::disableState(kestrel::GLStateId::Blending);
        blending = on;
    }
}

void RenderAccumulatorInternals::setCulling(bool on)
{
    if (on != culling) {
        kestrel::VertexArray::flushBatch();
        on ? kestrel::enableState(kestrel::GLStateId::FaceCulling) : kestrel::disableState(kestrel::GLStateId::FaceCulling);
        culling = on;
    }
}

void RenderAccumulatorInternals::setDepthWrites(bool on)
{
    if (on != depthWrites) {
        kestrel::VertexArray::flushBatch();
        on ? kestrel::enableState(kestrel::GLStateId::DepthWrites) : kestrel::disableState(kestrel::GLStateId::DepthWrites);
        depthWrites = on;
    }
}

void RenderAccumulatorInternals::drawPlain(const Entry& e)
{
    if (e.bunch != nullptr) {
        e.bunch->render();
    } else {
        e.renderable->render(*target, frameViewer());
        // A renderable may load matrices and apply materials of its own.
        matrixKnown = false;
        currentMaterial.reset();
    }
}

void RenderAccumulatorInternals::drawFaded(const Entry& e)
{
    bool rampUsed = false;
    if (kestrel::useDisplayLists) {
        heron::setProgress(10031);
        if (kestrel::activeTexture(fadeUnit)) {
            kestrel::enableState(kestrel::GLStateId::Texture2D);
            kestrel::setTexEnvMode(kestrel::TexEnvMode::Modulate);
            alphaRamp().bind();
            kestrel::activeTexture(0);
            const int a = std::clamp(int(e.transparency * 255.0f), 0, 255);
            const float st[2] = {float(a % rampSide) * 0.0625f + 0.03125f,
                                 float((a / rampSide) % rampSide) * 0.0625f + 0.03125f};
            kestrel::multiTexCoord2fv(fadeUnit, st);
            rampUsed = true;
        }
    }
    heron::setProgress(10032);
    const bool wasBlending = blending;
    setBlending(true);
    drawPlain(e);
    setBlending(wasBlending);
    heron::setProgress(10034);
    if (rampUsed) {
        kestrel::activeTexture(fadeUnit);
        kestrel::disableState(kestrel::GLStateId::Texture2D);
        kestrel::activeTexture(0);
    }
    heron::setProgress(10035);
}

}
