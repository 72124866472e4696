#pragma once

#include "game/GameWindow.h"
#include "gui/toolkit/Event.h"
#include "gui/toolkit/Updatable.h"

#include <functional>
#include <utility>

// Steps that tests run inside the game window's loop.
namespace gameloop
{

// Runs a step on every pass of the game's loop once the game window plays.
class WhilePlaying : public kestrel::Updatable
{
public:
    explicit WhilePlaying(std::function<void(GameWindow&)> step) : m_step(std::move(step)) { startUpdating(this); }
    ~WhilePlaying() override { stopUpdating(this); }

    bool update() override
    {
        if (GameWindow* const window = currentGameWindow()) {
            m_step(*window);
        }
        return false;
    }

private:
    std::function<void(GameWindow&)> m_step;
};

// Presses the quit key, which ends the loop.
inline void quit(GameWindow& window)
{
    kestrel::Event key(kestrel::Event::Key, &window);
    key.key = 269;
    window.handleEvent(key);
}

}
