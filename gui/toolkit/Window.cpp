#include "gui/toolkit/Window.h"

#include "base/Debug.h"
#include "gui/toolkit/Event.h"
#include "gui/toolkit/MessageBox.h"
#include "gui/toolkit/ToolkitServices.h"
#include "gui/toolkit/WindowInternals.h"

#include <algorithm>
#include <vector>

namespace kestrel
{

namespace
{

std::vector<Window*>& registry()
{
    static std::vector<Window*> windows;
    return windows;
}

Image& windowIcon()
{
    static Image icon;
    return icon;
}

constexpr Rect fullScreenSizes[] = {{0, 0, 640, 480}, {0, 0, 800, 600}, {0, 0, 1024, 768}, {0, 0, 1280, 1024}, {0, 0, 1600, 1200}};

// A popup coordinate that would leave the screen: kept, put against the far edge, or moved to
// the fallback position (given relative to the parent's client area).
int fallback(int position, int size, int screenSize, int fallbackValue, int fromParent)
{
    if (position >= 0 && position + size <= screenSize) {
        return position;
    }
    if (fallbackValue == Window::noFallback) {
        return position;
    }
    if (fallbackValue == Window::farEdgeFallback) {
        return position < 0 ? 0 : screenSize - size;
    }
    return fromParent;
}

void destroyDesktopWindow(Window& window)
{
    WindowInternals& internals = window.internals();
    window.restoreDisplayMode();
    plat::backend().destroyWindow(internals.handle);
    internals.destroyPending = false;
    internals.handle = 0;
}

}

Window::Window(Window* parent)
    : windowInternals(std::make_unique<WindowInternals>(*this, parent))
{
    window = this;
    setText("kestrel", true);
    bounds = Rect{-1, -1, -1, -1};
    registry().push_back(this);
}

Window::~Window()
{
    if (isOpen()) {
        close();
        destroyClosedWindows();
    }
    if (windowInternals->handle != 0) {
        destroyDesktopWindow(*this);
    }
    forgetWindow(this);
    std::vector<Window*>& windows = registry();
    windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
}

bool Window::isRegistered(const Window* window)
{
    const std::vector<Window*>& windows = registry();
    return window && std::find(windows.begin(), windows.end(), window) != windows.end();
}

void Window::draw(Graphics& graphics)
{
    drawBackground(graphics);
    Container::draw(graphics);
}

void Window::drawBackground(Graphics& graphics)
{
    graphics.setColor(GuiColor::BUTTON_FACE);
    graphics.fillRect(bounds);
}

void Window::paint(Graphics& graphics)
{
    doLayout();
    draw(graphics);
}

void Window::setWindowType(int kind)
{
    windowInternals->kind = kind;
}

int Window::windowType() const
{
    return windowInternals->kind;
}

void Window::setMonitor(int index)
{
    if (index >= 0 && index < monitorCount()) {
        windowInternals->monitor = index;
    }
}

void Window::setDropShadow(bool shadow)
{
    windowInternals->dropShadow = shadow;
}

void Window::setPopupFallback(int x, int y)
{
    windowInternals->popupFallbackX = x;
    windowInternals->popupFallbackY = y;
}

bool Window::setScreenMode(const ScreenMode& mode)
{
    windowInternals->screenMode = mode;
    return changeDisplayMode(ModeRequest::Test);
}

void Window::setTitle(const char* title)
{
    setText(title, true);
    if (isOpen()) {
        plat::backend().setTitle(windowInternals->handle, text.c_str());
    }
}

void Window::repaint()
{
    windowInternals->dirty = true;
}

bool Window::isDirty() const
{
    return windowInternals->dirty;
}

void Window::setSize(int width, int height)
{
    setBounds(-1, -1, width, height);
}

void Window::setParent(Window* parent)
{
    windowInternals->parent = parent;
}

Window* Window::getParentWindow() const
{
    return windowInternals->parent;
}

bool Window::isOpen() const
{
    return windowInternals->open;
}

bool Window::isDisabled() const
{
    return windowInternals->disabled;
}

void Window::setDisabled(bool disabled)
{
    windowInternals->disabled = disabled;
}

plat::WindowId Window::nativeHandle() const
{
    return windowInternals->handle;
}

void Window::setSelfPainted(std::uint32_t selfPainted)
{
    windowInternals->selfPainted = selfPainted;
}

void Window::setResizable(bool resizable)
{
    windowInternals->resizable = resizable;
}

Component* Window::defaultButton() const
{
    return windowInternals->defaultButton;
}

Component* Window::cancelButton() const
{
    return windowInternals->cancelButton;
}

void Window::setDefaultButton(Component* button)
{
    windowInternals->defaultButton = button;
}

void Window::setCancelButton(Component* button)
{
    windowInternals->cancelButton = button;
}

void Window::showCursorOf(Component& component)
{
    heron::counted_ptr<Cursor> chosen = Cursor::standard(Cursor::arrow);
    for (Component* c = &component; c; c = c->getParent()) {
        if (c->getCursor()) {
            chosen = c->getCursor();
            break;
        }
    }
    windowInternals->cursor = chosen;
    showCursor();
}

void Window::showCursor()
{
    // A disabled window shows the no-entry sign.
    heron::counted_ptr<Cursor> cursor =
        windowInternals->disabled ? Cursor::standard(Cursor::noEntry) : windowInternals->cursor;
    if (!cursor) {
        cursor = Cursor::standard(Cursor::arrow);
    }
    if (!plat::backend().showsCursors()) {
        return;
    }
    if (const plat::Cursor* handle = cursor->handle()) {
        handle->show();
    }
}

bool Window::placeOnScreen(plat::WindowSpec& request)
{
    WindowInternals& in = *windowInternals;
    const Rect screen = monitorRect(0);
    const int width = bounds.width;
    const int height = bounds.height;
    switch (in.kind) {
    case Framed: {
        // A window never opens larger than the screen.
        const int fitWidth = std::min(width, screen.width);
        const int fitHeight = std::min(height, screen.height);
        const int x = bounds.x == -1 ? (screen.width - fitWidth) / 2 : bounds.x;
        const int y = bounds.y == -1 ? (screen.height - fitHeight) / 2 : bounds.y;
        request.client = plat::Box{x, screen.height - fitHeight - y, fitWidth, fitHeight};
        if (fitWidth >= screen.width && fitHeight >= screen.height) {
            request.maximised = true;
            request.client = plat::Box{64, 64, screen.width - 128, screen.height - 128};
        }
        return true;
    }
    case Popup: {
        plat::Box parent;
        if (!in.parent || !plat::backend().clientBounds(in.parent->nativeHandle(), parent)) {
            userErrorBox("A popup window has no parent. Please call setParent() somewhere");
            return false;
        }
        request.kind = plat::WindowKind::Popup;
        request.owner = in.parent->nativeHandle();
        const int parentBottom = parent.y + parent.height;
        const int x = bounds.x + parent.x;
        const int top = parentBottom - height - bounds.y;
        request.client.x = fallback(x, width, screen.width, in.popupFallbackX, parent.x + in.popupFallbackX);
        request.client.y = fallback(top, height, screen.height, in.popupFallbackY, parentBottom - height - in.popupFallbackY);
        request.client.width = width;
        request.client.height = height;
        return true;
    }
    case FullScreen: {
        // A mode the display refused is not asked for again: the window covers the desktop's mode.
        const bool changed = changeDisplayMode(ModeRequest::Use);
        const int index = in.screenMode.resolution;
        const Rect size = changed && index >= 0 && index < 5 ? fullScreenSizes[index] : screen;
        request.kind = plat::WindowKind::FullScreen;
        request.client = plat::Box{screen.x, 0, size.width, size.height};
        if (changed) {
            request.mode = findDisplayMode(in.screenMode);
            heron::debug("\n");
        }
        return true;
    }
    default:
        userErrorBox(in.parent ? "A subwindow cannot be made on this desktop: use a popup window or a component instead"
                               : "A subwindow has no parent. Please call setParent() somewhere");
        return false;
    }
}

void Window::create()
{
    WindowInternals& in = *windowInternals;
    if (in.open) {
        return;
    }
    in.monitor = 0;
    if (bounds.width < 0 || bounds.height < 0) {
        getPreferredSize(bounds.width, bounds.height);
    }
    plat::WindowSpec request;
    request.title = text.c_str();
    request.resizable = in.resizable;
    request.opengl = in.selfPainted != 0;
    const Image& icon = windowIcon();
    request.icon = plat::PixelSource{icon.pixels(), icon.width(), icon.height()};
    if (!placeOnScreen(request)) {
        return;
    }
    hideTooltip();
    // The mouse must reach the new window: no component elsewhere keeps it.
    cancelMouseCapture();
    const plat::WindowId handle = plat::backend().createWindow(request);
    if (handle == 0) {
        heron::debug("Window create failed: %s\n", plat::backend().lastError().c_str());
        fatalErrorBox("Window create failed");
        return;
    }
    in.handle = handle;
    in.open = true;
    in.dirty = true;
    plat::Box client;
    plat::backend().clientBounds(handle, client);
    Component::setBounds(0, 0, client.width, client.height);
    in.minimumWidth = 0;
    in.minimumHeight = 0;
    updateMinimumSize();
}

void Window::updateMinimumSize()
{
    WindowInternals& in = *windowInternals;
    if (in.kind != Framed || !in.resizable) {
        return;
    }
    // The user may not size the window below what its contents need now, nor the desktop grow it
    // past the screen for them.
    int width = 0;
    int height = 0;
    {
        const MinimumMeasure measuring;
        getPreferredSize(width, height);
    }
    const Rect screen = monitorRect(0);
    width = std::min(width, screen.width);
    height = std::min(height, screen.height);
    if (width != in.minimumWidth || height != in.minimumHeight) {
        in.minimumWidth = width;
        in.minimumHeight = height;
        plat::backend().setMinimumSize(in.handle, width, height);
    }
}

void Window::close()
{
    if (!isOpen()) {
        return;
    }
    forEachWindow([this](Window& other) {
        if (other.getParentWindow() != this || !other.isOpen()) {
            return false;
        }
        other.close();
        destroyClosedWindows();
        return true;
    });
    windowInternals->open = false;
    windowInternals->destroyPending = true;
    // A press under way in the window ends with it.
    if (const Component* holder = captureHolder(); holder && holder->getWindow() == this) {
        cancelMouseCapture();
    }
    closed();
}

void Window::presentPaint()
{
    const BitmapGraphics& graphics = *windowInternals->graphics;
    const Image& frame = graphics.image();
    const Rect& area = graphics.paintRect();
    const plat::PixelSource source{frame.pixels(), frame.width(), frame.height()};
    plat::backend().present(windowInternals->handle, source, area.x, area.y);
}

void Window::paintNow()
{
    if (!isOpen()) {
        return;
    }
    if (windowInternals->selfPainted) {
        presentFrame();
        return;
    }
    const Rect area{0, 0, bounds.width, bounds.height};
    BitmapGraphics& graphics = *windowInternals->graphics;
    graphics.begin(this, area);
    paint(graphics);
    graphics.endPaint();
    presentPaint();
    updateMinimumSize();
}

void Window::paintArea(const Rect& area)
{
    if (!isOpen() || windowInternals->selfPainted) {
        return;
    }
    doLayout();
    BitmapGraphics& graphics = *windowInternals->graphics;
    graphics.begin(this, area);
    draw(graphics);
    graphics.endPaint();
    presentPaint();
}

bool Window::changeDisplayMode(ModeRequest request)
{
    WindowInternals& in = *windowInternals;
    in.modeChanged = in.screenMode.isCurrent();
    heron::debug("Setting the screen mode...\n");
    if (!in.screenMode.isCurrent()) {
        heron::debug("1");
        in.modeChanged = testScreenMode(in.screenMode);
        heron::debug(in.monitor != 0 ? "24" : "23");
        if (request == ModeRequest::Use && !in.modeChanged) {
            heron::debug("\nThe display has no mode like that; the window keeps the desktop's mode\n");
        }
    }
    heron::debug("...finished setting the screen mode...\n");
    heron::debug("modeWasChanged=%d\n", in.modeChanged ? 1 : 0);
    return in.modeChanged;
}

void Window::restoreDisplayMode()
{
    const WindowInternals& in = *windowInternals;
    if (!in.screenMode.isCurrent() && in.modeChanged && in.handle != 0) {
        plat::backend().restoreDisplayMode(in.handle);
    }
}

Window* findWindow(plat::WindowId handle)
{
    if (handle == 0) {
        return nullptr;
    }
    for (Window* window : registry()) {
        if (window->nativeHandle() == handle) {
            return window;
        }
    }
    return nullptr;
}

void forEachWindow(const std::function<bool(Window&)>& predicate)
{
    const std::vector<Window*>& windows = registry();
    std::size_t i = 0;
    while (i < windows.size()) {
        i = predicate(*windows[i]) ? 0 : i + 1;
    }
}

void setWindowIcon(const Image& icon)
{
    windowIcon().copyFrom(icon);
}

bool anyWindowOpen()
{
    const std::vector<Window*>& windows = registry();
    return std::any_of(windows.begin(), windows.end(), [](const Window* window) { return window->isOpen(); });
}

int paintDirtyWindows()
{
    int painted = 0;
    // A paint may open or destroy windows: walk a copy and skip those gone since.
    const std::vector<Window*> windows = registry();
    for (Window* window : windows) {
        if (!Window::isRegistered(window) || !window->isOpen() || !window->isDirty()) {
            continue;
        }
        window->internals().dirty = false;
        ++painted;
        window->paintNow();
    }
    return painted;
}

void destroyClosedWindows()
{
    forEachWindow([](Window& window) {
        WindowInternals& internals = window.internals();
        if (!internals.destroyPending || internals.handle == 0) {
            return false;
        }
        destroyDesktopWindow(window);
        return true;
    });
}

}
