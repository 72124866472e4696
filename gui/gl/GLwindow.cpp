#include "gui/gl/GLwindow.h"

#include "gui/gl/GLcapabilities.h"
#include "gui/paint/Image.h"
#include "gui/gl/glFont.h"
#include "platform/GLFunctions.h"

#include <cstdio>

namespace kestrel
{

GLwindow::GLwindow(Window* parent)
    : Window(parent), m_meter(std::make_unique<FrameRateMeter>(this))
{
    getGLcapabilities();
    setSelfPainted(1);
    if (parent) {
        setWindowType(Subwindow);
        setBounds(10, 10, 100, 100);
        create();
    }
}

GLwindow::~GLwindow()
{
    m_meter.reset();
}

bool GLwindow::bindGL(GLclient& client)
{
    if (!isOpen()) {
        return false;
    }
    setWindowPixelFormat(*this);
    if (!sharedRenderContext()) {
        createRenderContext(*this, client);
    }
    return GLclient::bind(nativeHandle(), sharedRenderContext(), client);
}

void GLwindow::swapBuffers()
{
    const int width = bounds.width;
    const int height = bounds.height;
    if (width <= 0 || width >= 10000 || height <= 0 || height >= 10000 || !bindGL(*this)) {
        return;
    }
    plat::gl().Viewport(0, 0, width, height);
    ImageBody target(width, height, false);
    paintGL(target);
    plat::swapGLWindow(nativeHandle());
}

void GLwindow::resetFrameRateMeter()
{
    m_meter->reset();
}

void GLwindow::stopFrameRateMeter()
{
    m_meter->stop();
}

void GLwindow::drawFrameRate(const ImageBody& target, int x, int y)
{
    const double rate = m_meter->sample();
    if (rate <= 0.0 || rate >= 100000.0) {
        return;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.1f frames/sec.", rate);
    glFont::standard().drawText(target, x, y, text, 0xFFFFFFFFu);
}

}
