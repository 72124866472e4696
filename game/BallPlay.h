#pragma once

#include "scene/math/Matrix.h"

class Level;
class Look;

// Turns a ball's placement the way a ball of that radius rolls over dt seconds at velocity: about
// the horizontal axis across its motion. A ball without horizontal motion keeps its turn.
void rollBall(finch::Matrix& placement, const finch::Vector3d& velocity, double radius, double dt);

// One frame of the level's balls over dt seconds: friction, goals (a goal switches the ball off
// and counts it), the no-exit wall, rolling and balls knocking balls. The level a goal's counter
// sends the player to, or null. Main thread only.
Level* updateBalls(Look& world, Level& level, double dt);
