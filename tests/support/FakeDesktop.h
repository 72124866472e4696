#pragma once

#include "support/FixedLayout.h"

#include "gui/toolkit/Event.h"
#include "gui/toolkit/ScreenMode.h"
#include "gui/toolkit/ToolkitServices.h"
#include "gui/toolkit/Window.h"
#include "support/FakeBackend.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace testing_gui
{

// Notes the messages components send, each as its source, id and argument.
class MessageRecorder : public kestrel::MessageDest
{
public:
    using Sent = std::tuple<kestrel::Component*, std::uint32_t, int>;
    void handleMessage(const kestrel::ComponentMessage& m) override { messages.emplace_back(m.source, m.id, m.argument); }
    std::vector<Sent> messages;
};

// Installs a fake desktop for one test and leaves the toolkit's global state clean afterwards.
class FakeDesktop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        plat::setBackend(&fake);
        resetToolkit();
    }

    void TearDown() override
    {
        resetToolkit();
        plat::setBackend(nullptr);
    }

    static void resetToolkit()
    {
        kestrel::setKeyboardFocus(nullptr);
        kestrel::resetEventState();
        kestrel::forgetMonitors();
        kestrel::toolkitServices() = kestrel::ToolkitServices();
    }

    // Opens a framed window of the given size and makes the application active.
    void openAndActivate(kestrel::Window& window, int width = 200, int height = 100)
    {
        window.setSize(width, height);
        window.create();
        ASSERT_TRUE(window.isOpen());
        input(plat::InputKind::Activated, window);
        fake.mouseWindow = window.nativeHandle();
        move(window, width / 2, height / 2);     // taken by enter tracking
        drain();
    }

    // An input event of the kind for the window (0: none) at (x, y).
    static plat::InputEvent inputEvent(plat::InputKind kind, plat::WindowId window, int x = -1, int y = -1)
    {
        plat::InputEvent event;
        event.kind = kind;
        event.window = window;
        event.x = x;
        event.y = y;
        return event;
    }

    void input(plat::InputKind kind, const kestrel::Window& window)
    {
        fake.push(inputEvent(kind, window.nativeHandle()));
    }

    void move(const kestrel::Window& window, int x, int y)
    {
        fake.push(inputEvent(plat::InputKind::MouseMove, window.nativeHandle(), x, y));
    }

    void button(const kestrel::Window& window, plat::InputKind kind, int x, int y)
    {
        fake.push(inputEvent(kind, window.nativeHandle(), x, y));
    }

    void key(const kestrel::Window& window, int code, plat::InputKind kind = plat::InputKind::Key)
    {
        plat::InputEvent typed = inputEvent(kind, window.nativeHandle());
        typed.key = code;
        fake.push(typed);
    }

    void wheel(const kestrel::Window& window, int delta)
    {
        plat::InputEvent turned = inputEvent(plat::InputKind::Wheel, window.nativeHandle());
        turned.wheelDelta = delta;
        fake.push(turned);
    }

    // Runs getEvent until the queue is empty, dispatching, and returns the types handed out.
    std::vector<std::uint32_t> drain(int maxPasses = 100)
    {
        std::vector<std::uint32_t> types;
        kestrel::Event event;
        for (int i = 0; i < maxPasses; ++i) {
            kestrel::getEvent(event, nullptr);
            if (event.type == kestrel::Event::None) {
                break;
            }
            types.push_back(event.type);
            kestrel::dispatch(event);
        }
        return types;
    }

    // The message boxes shown so far, each as its caption, a space and its text.
    std::vector<std::string> shownBoxes() const
    {
        std::vector<std::string> out;
        for (const auto& box : fake.messageBoxes) {
            out.push_back(box.caption + " " + box.text);
        }
        return out;
    }

    plat::FakeBackend fake;
};

}
