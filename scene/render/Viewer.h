#pragma once

#include "scene/math/Matrix.h"
#include "scene/math/Ray.h"
#include "scene/render/Frustum.h"

#include <cstdint>

namespace kestrel
{
class ImageBody;
}

namespace finch
{

class BoundingBox;

// The camera: where the eye is (camera matrix, camera space looking along +y with x right and z
// up), how it projects (perspective or orthographic, field of view, near and far, window size and
// aspect) and what it sees (its frustum). Projection, orthographic bounds, the pixel factor and
// the frustum are computed on first use after a change. A value owned by a window or an
// accumulator; main thread only.
class Viewer
{
public:
    // The pixel rectangle a frustum is built for.
    struct Viewport
    {
        std::int32_t x = 0;
        std::int32_t y = 0;
        std::int32_t width = 1;
        std::int32_t height = 1;
    };
    // Orthographic bounds.
    struct OrthoBounds
    {
        double left = 0.0;
        double right = 0.0;
        double bottom = 0.0;
        double top = 0.0;
    };

    Viewer();

    // Takes the target's size (both at least 1, else logged and kept), then sets the GL projection
    // and loads the view-orientation matrix as the model-view matrix. Called every frame.
    void setWindowSize(const kestrel::ImageBody& target);
    // Stores a new size; false (logged) when either side is below 1.
    [[nodiscard]] bool setSize(int width, int height);
    // Perspective mode raises near to the single-precision 0.01 and far to 1.
    void setNearFar(double near, double far);
    // s in [0.01, 100] gives aspect factor 1/s; other values 1.
    void setAspectScale(float s);
    // Ignored in orthographic mode; clears only the frustum cache.
    void setMatrix(const Matrix& camera);
    void setTransform(const Transform& transform);
    Transform getTransform() const { return m_camera.getTransform(); }
    // Cube-face orientation 0..5 (others act as 0): the camera becomes the face's rotation and
    // every cache is cleared.
    void setOrientation(int orientation);
    void setPerspective(bool perspective);
    void setFieldOfView(double degrees);
    void setOrthoCentre(const Vector3d& centre);
    void setOrthoSize(double size);
    // Keeps the world point under pixel (px, py) fixed while the orthographic size is multiplied
    // by factor; factor <= 0 is ignored.
    void zoomOrthoAt(float px, float py, float factor);
    // A viewport rectangle for the frustum and the frame outline; none by default.
    void setViewport(const Viewport& viewport);
    void invalidate();

    const Matrix& projectionMatrix() const;
    const OrthoBounds& orthoBounds() const;
    // World units per pixel at the distance.
    double unitsPerPixel(double distance) const;
    // The ray through a pixel from the near to the far distance, in world space.
    Ray pixelRay(double px, double py) const;
    const Frustum& frustum() const;
    // Places the camera so that the box's sphere fills the view.
    void lookAtBounds(const BoundingBox& box);
    // Outlines the viewport rectangle (when one is set), then setWindowSize.
    void drawViewportFrame(const kestrel::ImageBody& target);

    bool isPerspective() const { return m_perspective; }
    int orientation() const { return m_orientation; }
    double fieldOfView() const { return m_fieldOfView; }
    double nearDistance() const { return m_near; }
    double farDistance() const { return m_far; }
    double windowWidth() const { return m_windowWidth; }
    double windowHeight() const { return m_windowHeight; }
    double aspect() const { return m_aspect; }
    float aspectFactor() const { return m_aspectFactor; }
    const Vector3d& orthoCentre() const { return m_orthoCentre; }
    double orthoSize() const { return m_orthoSize; }
    const Matrix& camera() const { return m_camera; }
    const Matrix& view() const { return m_view; }
    const Vector3d& eye() const { return m_eye; }
    // Column i of the camera's 3 x 3 part.
    const Vector3d& axis(int i) const { return m_axes[i]; }

private:
    void updateAspect();
    // Camera, view, eye and axes from the camera matrix.
    void placeCamera(const Matrix& camera);
    void applyProjection(const kestrel::ImageBody& target) const;

    bool m_perspective = true;
    int m_orientation = 0;
    double m_fieldOfView = 45.0;
    Vector3d m_orthoCentre;
    double m_orthoSize = 1.0;
    double m_near = 1.0;
    double m_far = 1000.0;
    Matrix m_camera;
    Matrix m_view;
    Matrix m_orientationRotation;
    Vector3d m_eye;
    Vector3d m_axes[3];
    double m_windowWidth = 100.0;
    double m_windowHeight = 100.0;
    double m_aspect = 1.0;
    float m_aspectFactor = 1.0f;
    bool m_viewportSet = false;
    Viewport m_viewport;

    mutable bool m_projectionValid = false;
    mutable bool m_orthoValid = false;
    mutable bool m_pixelFactorValid = false;
    mutable bool m_frustumValid = false;
    mutable Matrix m_projection;
    mutable OrthoBounds m_orthoBounds;
    mutable double m_pixelFactor = 0.0;
    mutable Frustum m_frustum;
};

}
