#pragma once

namespace game_launcher
{

// What the panels with a "Start game" button call to run the game; the launcher window is one.
class GameStarter
{
public:
    virtual ~GameStarter() = default;

    // Starts the game; returns when it has ended or failed to start.
    virtual void start() = 0;
};

} // namespace game_launcher
