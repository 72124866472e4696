#pragma once

#include "base/counted_ptr.h"
#include "gui/gl/GLwindow.h"
#include "scene/graph/Light.h"
#include "scene/render/Viewer.h"

#include <memory>

namespace finch
{

class Database;
class FinchWindowInternals;

// An OpenGL window showing a database through its viewer, lit by a white headlight under the
// default light model (no ambient light, separate specular colour where the driver has it). Mouse
// events start camera controllers: the middle button flies (perspective only), the right button
// orbits or rolls, the left one dollies, left and right together pan, and the wheel zooms towards
// the point under the mouse. While a controller lives the window holds the mouse capture and
// paints every frame. Main thread only.
class FinchWindow : public kestrel::GLwindow
{
public:
    explicit FinchWindow(kestrel::Window* parent = nullptr);
    ~FinchWindow() override;

    // The database shown. When none is held, a new one is made with the default scene and the
    // viewer framed on it.
    virtual const heron::counted_ptr<Database>& database();
    virtual Viewer& viewer() { return m_viewer; }
    void setDatabase(const heron::counted_ptr<Database>& database) { m_database = database; }

    // Events go to the live controller, else may start one.
    void handleMouse(kestrel::Event& event) override;
    // Both forward to handleMouse; a wheel event counts as taken.
    bool handleWheel(kestrel::Event& event) override;
    void handleKey(kestrel::Event& event) override;
    void paintGL(kestrel::ImageBody& target) override;

    // Starts the controller the event asks for; false when it asks for none.
    bool startTwiddler(const kestrel::Event& event);
    // The world point under the mouse becomes the pivot; a miss keeps the previous one.
    void pickPivot(int x, int y);
    const Vector3d& pivot() const;
    bool hasTwiddler() const;

private:
    Light m_headlight;
    LightModel m_lightModel;
    std::unique_ptr<FinchWindowInternals> m_internals;
    Viewer m_viewer;
    heron::counted_ptr<Database> m_database;
};

}
