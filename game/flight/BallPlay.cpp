#include "game/flight/BallPlay.h"

#include "content/world/PelicanObject.h"
#include "game/Level.h"
#include "game/Look.h"
#include "game/ObjectTrigger.h"
#include "sound/SoundEnvironment.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace
{

// Below this squared horizontal speed a ball does not roll: its rolling axis would have no
// direction.
constexpr double restingSquaredSpeed = 1e-12;

// A ball in play this frame and where it goes.
struct MovingBall
{
    Zone* zone;
    finch::Vector3d next;
};

finch::Vector3d translationOf(const finch::Matrix& placement)
{
    return {placement.at(3, 0), placement.at(3, 1), placement.at(3, 2)};
}

void moveTo(finch::Matrix& placement, const finch::Vector3d& position)
{
    placement.translate(position - translationOf(placement));
}

// Counts the ball into the goal's counter; the counter's level when that reached its target.
Level* scoreGoal(Look& world, const Zone& goal, Zone& ball)
{
    Counter* const counter = counterAt(world, goal.goalCounter);
    return counter != nullptr && counter->add(&ball, 0) ? levelAt(world, counter->level) : nullptr;
}

// Turns the ball back from the wall of a no-exit zone it is moving out of.
void keepInside(const Zone& wall, const finch::Vector3d& wallCentre, Zone& ball, const finch::Vector3d& next,
                double radius)
{
    finch::Vector3d out(next.x - wallCentre.x, next.y - wallCentre.y, 0.0);
    const double distance = out.length();
    if (distance <= wall.radius - radius || distance == 0.0) {
        return;
    }
    out = out * (1.0 / distance);
    const double outward = dot(out, ball.velocity);
    if (outward <= 0.0) {
        return;
    }
    ball.velocity.x -= 2.0 * outward * out.x;
    ball.velocity.y -= 2.0 * outward * out.y;
}

// The bat's stroke: the ball gains the bat's velocity along the line from the bat to the ball,
// in the horizontal. True when the bat touches the ball.
bool strike(const Bat& bat, Zone& ball, const finch::Vector3d& at)
{
    finch::Vector3d n = at - bat.centre;
    const double distance = n.length();
    if (distance == 0.0 || distance >= ball.radius + bat.radius) {
        return false;
    }
    n = n * (1.0 / distance);
    const double k = dot(n, bat.velocity);
    ball.velocity.x += k * n.x;
    ball.velocity.y += k * n.y;
    return true;
}

// A moving ball inside the bat's reach that still moves toward it glances off it and stays on the
// ground.
void glanceOffBat(const Bat& bat, const std::vector<MovingBall>& balls)
{
    for (const MovingBall& moving : balls) {
        Zone& ball = *moving.zone;
        finch::Vector3d n = bat.centre - moving.next;
        const double distance = n.length();
        if (distance == 0.0 || distance >= bat.radius + ball.radius) {
            continue;
        }
        n = n * (1.0 / distance);
        const double towardBat = dot(n, ball.velocity);
        if (towardBat <= 0.0) {
            continue;
        }
        ball.velocity = ball.velocity - n * (2.0 * towardBat);
        ball.velocity.z = 0.0;
    }
}

void playEffect(const heron::counted_ptr<egret::SoundBuffer>& sound, std::int32_t volume)
{
    egret::SoundEnvironment* const sounds = liveSoundEnvironment();
    if (sounds != nullptr && sound) {
        sounds->playEffect(sound, static_cast<float>(volume) * 0.01f);
    }
}

void knockBalls(std::vector<MovingBall>& balls)
{
    for (std::size_t i = 0; i < balls.size(); ++i) {
        for (std::size_t j = i + 1; j < balls.size(); ++j) {
            Zone& a = *balls[i].zone;
            Zone& b = *balls[j].zone;
            finch::Vector3d d = balls[j].next - balls[i].next;
            const double distance = d.length();
            if (distance <= 0.0 || distance >= a.radius + b.radius) {
                continue;
            }
            d = d * (1.0 / distance);
            const double k = (dot(d, a.velocity) - dot(d, b.velocity)) * 1.01;
            a.velocity.x -= k * d.x;
            a.velocity.y -= k * d.y;
            b.velocity.x += k * d.x;
            b.velocity.y += k * d.y;
        }
    }
}

}

void rollBall(finch::Matrix& placement, const finch::Vector3d& velocity, double radius, double dt)
{
    const finch::Vector3d axis(velocity.y, -velocity.x, 0.0);
    if (axis.lengthSquared() < restingSquaredSpeed || radius <= 0.0) {
        return;
    }
    const double degrees = -360.0 * velocity.length() * dt / (2.0 * std::numbers::pi * radius);
    const finch::Vector3d at = translationOf(placement);
    placement.postRotate(degrees, axis);
    moveTo(placement, at);
}

Level* updateBalls(Look& world, Level& level, double dt, const Bat* bat)
{
    Level* destination = nullptr;
    bool struck = false;
    Zone* goal = nullptr;
    const double friction = std::clamp(1.0 - level.ballFriction * 0.1 * dt, 0.0, 1.0);
    std::vector<MovingBall> moving;
    for (const auto& each : level.zones()) {
        Zone& ball = *each;
        if (!ball.isBall || ball.radius <= 0.0 || ball.object == nullptr || !ball.object->isActive()) {
            continue;
        }
        finch::Matrix placement = ball.object->transform();
        if (bat != nullptr && strike(*bat, ball, translationOf(placement))) {
            struck = true;
        }
        ball.velocity = ball.velocity * friction;
        const finch::Vector3d next = translationOf(placement) + ball.velocity * dt;
        bool inPlay = true;
        for (const auto& other : level.zones()) {
            const finch::Vector3d centre = other->position();
            if (other->isGoal && squaredDistance(centre, next) < std::pow(ball.radius + other->radius, 2)) {
                inPlay = false;
                ball.object->setActive(false);
                destination = scoreGoal(world, *other, ball);
                goal = other.get();
            } else if (other->noExit) {
                keepInside(*other, centre, ball, next, ball.radius);
            }
        }
        if (ball.rollBall) {
            rollBall(placement, ball.velocity, ball.radius, dt);
        }
        moveTo(placement, next);
        ball.object->setTransform(placement);
        if (inPlay) {
            moving.push_back({&ball, next});
        }
    }
    knockBalls(moving);
    if (bat != nullptr) {
        glanceOffBat(*bat, moving);
    }
    if (struck) {
        playEffect(level.batSoundBuffer(), level.batSoundVolume);
    }
    if (goal != nullptr) {
        goal->particles.start();
        playEffect(level.goalSoundBuffer(), level.goalSoundVolume);
    }
    return destination;
}
