#include "scene/render/Viewer.h"

#include "base/Debug.h"
#include "gui/gl/GLclient.h"
#include "gui/gl/GLstate.h"
#include "gui/paint/Image.h"
#include "scene/math/BoundingBox.h"

#include <cmath>

namespace finch
{

namespace
{

// The single-precision 0.01, the nearest a perspective near distance may come.
constexpr double nearestNear = 0.009999999776482582;
constexpr double framingMargin = 1.2;

struct OrientationRotation
{
    double degrees;
    Vector3d axis;
};

constexpr OrientationRotation orientationRotations[] = {
    {0.0, {0.0, 0.0, 1.0}},  {180.0, {0.0, 0.0, 1.0}}, {90.0, {0.0, 0.0, 1.0}},
    {-90.0, {0.0, 0.0, 1.0}}, {-90.0, {1.0, 0.0, 0.0}}, {90.0, {1.0, 0.0, 0.0}},
};

// Bytes R, G, B, A in memory order of the frame outline's colour (1.0, 0.5, 0.5, 1.0).
constexpr std::uint32_t frameColour = 0xFF7F7FFFu;

}

Viewer::Viewer()
{
    setMatrix(Matrix());
}

bool Viewer::setSize(int width, int height)
{
    if (width < 1 || height < 1) {
        heron::debug("Viewer::setWindowSize() - bad sizes passed, ignored!\n");
        return false;
    }
    if (width != m_windowWidth || height != m_windowHeight) {
        m_windowWidth = width;
        m_windowHeight = height;
        invalidate();
        updateAspect();
    }
    return true;
}

void Viewer::setWindowSize(const kestrel::ImageBody& target)
{
    static_cast<void>(setSize(target.width(), target.height()));
    applyProjection(target);
}

void Viewer::applyProjection(const kestrel::ImageBody& target) const
{
    if (m_perspective) {
        kestrel::GLclient::setPerspective(target, m_fieldOfView, m_near, m_far, m_aspect);
    } else {
        const OrthoBounds& b = orthoBounds();
        kestrel::setOrthoProjection(b.left, b.right, b.bottom, b.top, m_near, m_far);
    }
    Matrix orientationView;
    m_orientationRotation.getInverse(orientationView);
    orientationView.loadGL();
}

void Viewer::updateAspect()
{
    m_aspect = m_windowWidth / m_windowHeight * m_aspectFactor;
}

void Viewer::setNearFar(double near, double far)
{
    m_near = m_perspective ? std::max(near, nearestNear) : near;
    m_far = m_perspective ? std::max(far, 1.0) : far;
    invalidate();
}

void Viewer::setAspectScale(float s)
{
    m_aspectFactor = s >= 0.01f && s <= 100.0f ? 1.0f / s : 1.0f;
    updateAspect();
    invalidate();
}

void Viewer::setMatrix(const Matrix& camera)
{
    if (!m_perspective) {
        return;
    }
    placeCamera(camera);
    m_frustumValid = false;
}

void Viewer::placeCamera(const Matrix& camera)
{
    m_camera = camera;
    camera.getInverse(m_view);
    m_eye = Vector3d(camera.at(3, 0), camera.at(3, 1), camera.at(3, 2));
    for (int i = 0; i < 3; ++i) {
        m_axes[i] = Vector3d(camera.at(0, i), camera.at(1, i), camera.at(2, i));
    }
}

void Viewer::setTransform(const Transform& transform)
{
    Matrix m;
    m.setTransform(transform);
    setMatrix(m);
}

void Viewer::setOrientation(int orientation)
{
    m_orientation = orientation >= 0 && orientation <= 5 ? orientation : 0;
    const OrientationRotation& r = orientationRotations[m_orientation];
    m_orientationRotation.setAxisRotation(r.degrees, r.axis);
    // The camera looks out through the cube face.
    placeCamera(m_orientationRotation);
    invalidate();
}

void Viewer::setPerspective(bool perspective)
{
    m_perspective = perspective;
    invalidate();
}

void Viewer::setFieldOfView(double degrees)
{
    m_fieldOfView = degrees;
    invalidate();
}

void Viewer::setOrthoCentre(const Vector3d& centre)
{
    m_orthoCentre = centre;
    invalidate();
}

void Viewer::setOrthoSize(double size)
{
    m_orthoSize = size;
    invalidate();
}

void Viewer::zoomOrthoAt(float px, float py, float factor)
{
    if (factor <= 0.0f) {
        return;
    }
    const OrthoBounds& b = orthoBounds();
    const double wx = b.left + px / m_windowWidth * (b.right - b.left);
    const double wy = b.bottom + py / m_windowHeight * (b.top - b.bottom);
    m_orthoSize *= factor;
    m_orthoCentre.x = (m_orthoCentre.x - wx) * factor + wx;
    m_orthoCentre.y = (m_orthoCentre.y - wy) * factor + wy;
    invalidate();
}

void Viewer::setViewport(const Viewport& viewport)
{
    m_viewport = viewport;
    m_viewportSet = true;
    invalidate();
}

void Viewer::invalidate()
{
    m_projectionValid = false;
    m_orthoValid = false;
    m_pixelFactorValid = false;
    m_frustumValid = false;
}

const Matrix& Viewer::projectionMatrix() const
{
    if (m_projectionValid) {
        return m_projection;
    }
    const double f = 1.0 / std::tan(m_fieldOfView * 0.5 * degreesToRadians);
    const double c = m_near == m_far ? 0.0 : (m_far + m_near) / (m_near - m_far);
    double e[16] = {};
    e[0] = f / m_aspect;
    e[5] = f;
    e[10] = c;
    e[11] = -1.0;
    e[14] = (c - 1.0) * m_near;
    m_projection.setElements(e);
    m_projectionValid = true;
    return m_projection;
}

const Viewer::OrthoBounds& Viewer::orthoBounds() const
{
    if (m_orthoValid) {
        return m_orthoBounds;
    }
    const Vector3d& c = m_orthoCentre;
    if (m_windowWidth >= m_windowHeight) {
        const double half = m_orthoSize * m_windowWidth / m_windowHeight;
        m_orthoBounds = OrthoBounds{c.x - half, c.x + half, c.y - m_orthoSize, c.y + m_orthoSize};
    } else {
        const double half = m_orthoSize * m_windowHeight / m_windowWidth;
        m_orthoBounds = OrthoBounds{c.x - m_orthoSize, c.x + m_orthoSize, c.y - half, c.y + half};
    }
    m_orthoValid = true;
    return m_orthoBounds;
}

double Viewer::unitsPerPixel(double distance) const
{
    if (!m_pixelFactorValid) {
        if (m_perspective) {
            m_pixelFactor = 1.0 / (0.5 * m_windowWidth * projectionMatrix().at(0, 0));
        } else {
            const OrthoBounds& b = orthoBounds();
            m_pixelFactor = (b.right - b.left) / m_windowWidth;
        }
        m_pixelFactorValid = true;
    }
    return distance * m_pixelFactor;
}

Ray Viewer::pixelRay(double px, double py) const
{
    Vector3d nearPoint;
    Vector3d farPoint;
    if (m_perspective) {
        const Matrix& p = projectionMatrix();
        const double sx = (px - m_windowWidth / 2) / (m_windowWidth / 2 * p.at(0, 0));
        const double sz = (py - m_windowHeight / 2) / (m_windowHeight / 2 * p.at(1, 1));
        nearPoint = Vector3d(sx * m_near, m_near, sz * m_near);
        farPoint = Vector3d(sx * m_far, m_far, sz * m_far);
    } else {
        const OrthoBounds& b = orthoBounds();
        const double x = b.left + px / m_windowWidth * (b.right - b.left);
        const double z = b.bottom + py / m_windowHeight * (b.top - b.bottom);
        nearPoint = Vector3d(x, m_near, z);
        farPoint = Vector3d(x, m_far, z);
    }
    Ray local;
    local.setOrigin(nearPoint);
    local.setThrough(farPoint);
    Ray world;
    world.setTransformed(local, m_camera);
    return world;
}

const Frustum& Viewer::frustum() const
{
    if (!m_frustumValid) {
        if (m_viewportSet) {
            m_frustum.set(*this, m_viewport.x, m_viewport.y, m_viewport.width, m_viewport.height);
        } else {
            m_frustum.set(*this, 0, 0, int(m_windowWidth), int(m_windowHeight));
        }
        m_frustumValid = true;
    }
    return m_frustum;
}

void Viewer::lookAtBounds(const BoundingBox& box)
{
    if (!m_perspective) {
        Vector3d c;
        m_view.transformPoint(c, box.centre());
        m_orthoCentre = Vector3d(c.x, c.z, 0.0);
        m_orthoSize = box.radius();
        m_near = c.y - box.radius();
        m_far = c.y + 2.0 * box.radius();
        invalidate();
        return;
    }
    Matrix camera;
    if (box.isValid()) {
        double d = box.radius() * framingMargin / std::tan(m_fieldOfView * 0.5 * degreesToRadians);
        d = d == 0.0 ? 10.0 : d;
        // Looks at the centre along +y from d before it.
        const Vector3d& c = box.centre();
        camera.setTranslation(Vector3d(c.x, c.y - d, c.z));
        setNearFar(0.01 * d, 10.0 * d);
    } else {
        camera.setTranslation(Vector3d(0.0, -10.0, 0.0));
        invalidate();
    }
    heron::debug("Near/far=%f/%f\n", m_near, m_far);
    setMatrix(camera);
}

void Viewer::drawViewportFrame(const kestrel::ImageBody& target)
{
    if (!m_viewportSet) {
        return;
    }
    const float x0 = float(m_viewport.x);
    const float y0 = float(m_viewport.y);
    const float x1 = float(m_viewport.x + m_viewport.width - 1);
    const float y1 = float(m_viewport.y + m_viewport.height - 1);
    kestrel::color4ub(frameColour);
    kestrel::disableState(kestrel::GLStateId::DepthTest);
    kestrel::beginPrimitive(kestrel::Primitive::LineLoop);
    kestrel::vertex3f(x0, y0, 0.0f);
    kestrel::vertex3f(x1, y0, 0.0f);
    kestrel::vertex3f(x1, y1, 0.0f);
    kestrel::vertex3f(x0, y1, 0.0f);
    kestrel::endPrimitive();
    kestrel::enableState(kestrel::GLStateId::DepthTest);
    setWindowSize(target);
}

}
