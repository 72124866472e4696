#pragma once

#include "FixedLayout.h"

#include "gui/Event.h"
#include "gui/ScreenMode.h"
#include "gui/ToolkitServices.h"
#include "gui/Window.h"
#include "platform/FakeBackend.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace testing_gui
{

// Installs a fake desktop for one test and leaves the toolkit's global state clean afterwards.
class FakeDesktop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        plat::setBackend(&fake);
        kestrel::resetEventState();
        kestrel::forgetMonitors();
        kestrel::toolkitServices() = kestrel::ToolkitServices();
        kestrel::setKeyboardFocus(nullptr);
    }

    void TearDown() override
    {
        kestrel::setKeyboardFocus(nullptr);
        kestrel::resetEventState();
        kestrel::forgetMonitors();
        kestrel::toolkitServices() = kestrel::ToolkitServices();
        plat::setBackend(nullptr);
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

    plat::InputEvent& input(plat::InputKind kind, const kestrel::Window& window)
    {
        plat::InputEvent event;
        event.kind = kind;
        event.window = window.nativeHandle();
        fake.push(event);
        pushed.push_back(event);
        return pushed.back();
    }

    void move(const kestrel::Window& window, int x, int y)
    {
        plat::InputEvent event;
        event.kind = plat::InputKind::MouseMove;
        event.window = window.nativeHandle();
        event.x = x;
        event.y = y;
        fake.push(event);
    }

    void button(const kestrel::Window& window, plat::InputKind kind, int x, int y,
                plat::MouseButton which = plat::MouseButton::Left)
    {
        plat::InputEvent event;
        event.kind = kind;
        event.window = window.nativeHandle();
        event.button = which;
        event.x = x;
        event.y = y;
        fake.push(event);
    }

    void key(const kestrel::Window& window, int code, plat::InputKind kind = plat::InputKind::Key)
    {
        plat::InputEvent event;
        event.kind = kind;
        event.window = window.nativeHandle();
        event.key = code;
        fake.push(event);
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

    plat::FakeBackend fake;
    std::vector<plat::InputEvent> pushed;
};

}
