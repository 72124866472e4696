#pragma once

#include "scene/math/Matrix.h"

class Level;
class Look;

// Turns a ball's placement the way a ball of that radius rolls over dt seconds at velocity: about
// the horizontal axis across its motion. A ball without horizontal motion keeps its turn.
void rollBall(finch::Matrix& placement, const finch::Vector3d& velocity, double radius, double dt);

// The carried object as it strikes the balls: where it is, how far it reaches and how it moves.
struct Bat
{
    finch::Vector3d centre;
    double radius = 0.0;
    finch::Vector3d velocity;
};

// One frame of the level's balls over dt seconds: the bat's strokes (when there is a bat),
// friction, goals (a goal switches the ball off, counts it and lights the goal's particles), the
// no-exit wall, rolling, balls knocking balls and balls glancing off the bat; a stroke sounds the
// level's bat sound and a goal its goal sound. The level a goal's counter sends the player to, or
// null. Main thread only.
Level* updateBalls(Look& world, Level& level, double dt, const Bat* bat = nullptr);
