#include "content/world/EngineKinds.h"
#include "content/world/FakeSceneClock.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/JointBranch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace
{

using pelican::Engine;
using pelican::EngineValue;
using pelican::LinearEngine;
using pelican::OutputEngine;
using pelican::PulseEngine;
using pelican::SplineEngine;
using pelican::WaveEngine;

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

bool isFinite(const finch::Matrix& matrix)
{
    return std::all_of(matrix.elements(), matrix.elements() + 16, [](double e) { return std::isfinite(e); });
}

// An engine whose number is read from a joint that an output child moves along x.
class Probe
{
public:
    explicit Probe(std::unique_ptr<Engine> made) : engine(made.get()), root(std::move(made))
    {
        auto output = std::make_unique<OutputEngine>();
        output->setTarget(&joint);
        output->setTranslate(0, true);
        engine->addChild(std::move(output));
    }
    double at(double seconds)
    {
        clock.set(seconds);
        root->evaluate(EngineValue());
        return joint.motion().at(3, 0);
    }

    worldtest::FakeClock clock;
    finch::JointBranch joint;
    Engine* engine;
    std::unique_ptr<Engine> root;
};

template <class Kind>
std::unique_ptr<Engine> engineWith(std::initializer_list<std::pair<int, double>> p,
                                   std::initializer_list<std::pair<int, double>> q = {})
{
    auto engine = std::make_unique<Kind>();
    for (const auto& [i, value] : p) {
        engine->setP(i, value);
    }
    for (const auto& [i, value] : q) {
        engine->setQ(i, value);
    }
    return engine;
}

// A straight path of length 3 from the origin along the direction.
void straightPath(finch::BezierPath& path, const finch::Vector3d& direction)
{
    finch::BezierSegment segment;
    for (int i = 0; i < 4; ++i) {
        segment.setControlPoint(i, direction * double(i));
    }
    path.addSegment(segment);
}

}

TEST(EngineTest, EachKindGivesTheHandComputedNumberAtTheSceneTime)
{
    struct Case
    {
        const char* what;
        std::unique_ptr<Engine> (*make)();
        double seconds;
        double expected;
    };
    const Case cases[] = {
        {"linear at rate 2", [] { return engineWith<LinearEngine>({{1, 2.0}}); }, 3.0, 6.0},
        {"wave at a quarter period", [] { return engineWith<WaveEngine>({{1, 1.0}, {3, 1.0}, {4, 4.0}}); }, 1.0, 1.0},
        {"wave phased 90 degrees", [] { return engineWith<WaveEngine>({{1, 1.0}, {2, 90.0}, {3, 1.0}, {4, 4.0}}); }, 0.0, 1.0},
        {"wave of two cycles per period", [] { return engineWith<WaveEngine>({{1, 2.0}, {3, 2.0}, {4, 2.0}}); }, 0.125,
         std::numbers::sqrt2},
        {"pulse low", [] { return engineWith<PulseEngine>({{1, 5.0}}, {{0, 2.0}, {1, 1.0}}); }, 0.5, 0.0},
        {"pulse high", [] { return engineWith<PulseEngine>({{1, 5.0}}, {{0, 2.0}, {1, 1.0}}); }, 1.5, 5.0},
        {"pulse low again", [] { return engineWith<PulseEngine>({{1, 5.0}}, {{0, 2.0}, {1, 1.0}}); }, 3.5, 0.0},
        {"pulse before its delay", [] { return engineWith<PulseEngine>({{1, 5.0}, {2, 2.0}}, {{0, 2.0}, {1, 1.0}}); }, 1.5, 0.0},
        {"pulse rising ramp", [] { return engineWith<PulseEngine>({{1, 4.0}}, {{0, 2.0}, {1, 1.0}, {2, 0.5}}); }, 0.75, 2.0},
        {"pulse before the ramp", [] { return engineWith<PulseEngine>({{1, 4.0}}, {{0, 2.0}, {1, 1.0}, {2, 0.5}}); }, 0.25, 0.0},
        {"pulse top", [] { return engineWith<PulseEngine>({{1, 4.0}}, {{0, 2.0}, {1, 1.0}, {2, 0.5}}); }, 1.5, 4.0},
        {"pulse falling ramp", [] { return engineWith<PulseEngine>({{1, 4.0}}, {{0, 2.0}, {1, 1.0}, {2, 0.5}}); }, 2.75, 2.0},
    };
    for (const Case& c : cases) {
        Probe probe(c.make());
        probe.root->start(0.0);
        EXPECT_NEAR(probe.at(c.seconds), c.expected, 1e-9) << c.what;
    }
}

TEST(EngineTest, StartingAgainResetsTheTimeAndTheHeldValue)
{
    Probe probe(engineWith<LinearEngine>({{1, 2.0}}));
    auto& linear = static_cast<LinearEngine&>(*probe.engine);
    probe.root->start(1.0);
    EXPECT_DOUBLE_EQ(probe.at(4.0), 6.0);
    linear.setHeldValue(5.0);
    linear.setMode(LinearEngine::holds);
    EXPECT_DOUBLE_EQ(probe.at(4.0), 5.0);
    probe.root->start(4.0);
    EXPECT_DOUBLE_EQ(probe.at(4.0), 0.0);
}

TEST(EngineTest, ADisabledRootStopsItsWholeTree)
{
    Probe probe(std::make_unique<Engine>());
    auto linear = engineWith<LinearEngine>({{1, 1.0}});
    auto output = std::make_unique<OutputEngine>();
    finch::JointBranch joint;
    output->setTarget(&joint);
    output->setTranslate(2, true);
    linear->addChild(std::move(output));
    probe.engine->addChild(std::move(linear));
    probe.root->setEnabled(false);
    probe.root->start(0.0);
    EXPECT_DOUBLE_EQ(probe.at(3.0), 0.0);
    EXPECT_TRUE(joint.motion().isIdentity());
}

TEST(EngineTest, OutputEngineMovesItsJointAlongTheFlaggedAxes)
{
    worldtest::FakeClock clock;
    finch::JointBranch joint;
    OutputEngine output;
    output.setTarget(&joint);
    finch::Matrix moved;
    moved.setTranslation({1.0, 2.0, 3.0});
    joint.setMatrix(moved);
    output.evaluate(EngineValue{7.0, nullptr});
    EXPECT_TRUE(joint.motion().isIdentity()) << "no flags: the identity every frame";

    output.setRotate(0, true);
    output.setTranslate(1, true);
    output.evaluate(EngineValue{90.0, nullptr});
    finch::Matrix expected;
    expected.setRotation(0.0, 0.0, 90.0);
    expected.translate({0.0, 90.0, 0.0});
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(joint.motion().elements()[i], expected.elements()[i], 1e-12) << i;
    }
}

TEST(EngineTest, SplineEnginePlacesItsTargetAlongThePathFacingForward)
{
    struct Case
    {
        finch::Vector3d direction;
        finch::Vector3d position;
        bool identityTurn;
    };
    const Case cases[] = {
        {{1.0, 0.0, 0.0}, {1.5, 0.0, 0.0}, false},
        {{0.0, 0.0, 1.0}, {0.0, 0.0, 1.5}, true},
    };
    for (const Case& c : cases) {
        finch::InstanceBranch target;
        SplineEngine spline;
        straightPath(spline.path(), c.direction);
        spline.setTarget(&target);
        spline.evaluate(EngineValue{1.5, nullptr});
        const finch::Matrix& placed = target.matrix();
        EXPECT_NEAR(placed.at(3, 0), c.position.x, 1e-9);
        EXPECT_NEAR(placed.at(3, 2), c.position.z, 1e-9);
        if (c.identityTurn) {
            EXPECT_DOUBLE_EQ(placed.at(0, 0), 1.0) << "a vertical tangent keeps the identity orientation";
            EXPECT_DOUBLE_EQ(placed.at(2, 2), 1.0);
        } else {
            // y along the path, z up, x to the side.
            EXPECT_NEAR(placed.at(1, 0), 1.0, 1e-9);
            EXPECT_NEAR(placed.at(0, 1), -1.0, 1e-9);
            EXPECT_NEAR(placed.at(2, 2), 1.0, 1e-9);
        }
    }
}

TEST(EngineTest, PeriodsOfZeroAndNumbersThatAreNotFiniteNeverReachAPlacement)
{
    worldtest::FakeClock clock;
    clock.set(1.0);
    struct Case
    {
        const char* what;
        std::unique_ptr<Engine> engine;
        double number;
    };
    auto holding = std::make_unique<LinearEngine>();
    holding->setMode(LinearEngine::holds);
    holding->setHeldValue(notANumber);
    Case cases[] = {
        {"wave of period 0 stays at its phase", engineWith<WaveEngine>({{1, 2.0}, {2, 90.0}, {3, 1.0}}), 2.0},
        {"pulse of period 0 stays low", engineWith<PulseEngine>({{1, 5.0}}), 0.0},
        {"linear at an infinite rate", engineWith<LinearEngine>({{1, infinity}}), 0.0},
        {"linear holding no number", std::move(holding), 0.0},
    };
    for (Case& c : cases) {
        finch::JointBranch joint;
        finch::InstanceBranch placed;
        auto output = std::make_unique<OutputEngine>();
        output->setTarget(&joint);
        output->setTranslate(0, true);
        output->setRotate(0, true);
        c.engine->addChild(std::move(output));
        auto spline = std::make_unique<SplineEngine>();
        straightPath(spline->path(), {1.0, 0.0, 0.0});
        spline->setTarget(&placed);
        c.engine->addChild(std::move(spline));
        c.engine->start(0.0);
        c.engine->evaluate(EngineValue());
        EXPECT_NEAR(joint.motion().at(3, 0), c.number, 1e-9) << c.what;
        EXPECT_TRUE(isFinite(joint.motion())) << c.what;
        EXPECT_TRUE(isFinite(placed.matrix())) << c.what;
    }
    finch::JointBranch joint;
    OutputEngine output;
    output.setTarget(&joint);
    output.setRotate(1, true);
    output.evaluate(EngineValue{notANumber, nullptr});
    EXPECT_TRUE(isFinite(joint.motion())) << "a number handed down that is not finite";

    // Control points so far apart that the path's length and tangent overflow.
    SplineEngine overflowing;
    finch::BezierSegment segment;
    segment.setControlPoint(0, finch::Vector3d(-1e308, 0, 0));
    segment.setControlPoint(1, finch::Vector3d(1e308, 0, 0));
    overflowing.path().addSegment(segment);
    finch::InstanceBranch placed;
    overflowing.setTarget(&placed);
    overflowing.evaluate(EngineValue{0.5, nullptr});
    EXPECT_TRUE(isFinite(placed.matrix())) << "a path whose numbers overflow";
}
