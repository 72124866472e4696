#pragma once

#include "base/counted_ptr.h"
#include "base/heron_string.h"
#include "content/world/AnimationController.h"
#include "scene/math/Matrix.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace finch
{
class BoundingBox;
class GroupBranch;
class InstanceBranch;
class SwitchBranch;
class TraversalCallback;
class Viewer;
}

namespace pelican
{

class DepthTweakSpecial;
class LinearEngine;
class PelicanDB;
class PelicanObject;
class ScaleSpecial;
class SplineEngine;

// Visits object records.
class ObjectRefProcessor
{
public:
    virtual ~ObjectRefProcessor() = default;
    virtual void process(PelicanObject& record) = 0;
};

// The game's handle on one named object of the world model: the on/off switch that wraps the
// object's branches, its placement (the switch's instance branch), its path, its animations, and
// the wrapper groups whose traversal callbacks scale it, animate it and draw it in front. Named by
// its path of switch names, each with the count of earlier siblings of that name ("/objects/rock$0").
// A record owns its child records. Main thread only.
class PelicanObject
{
public:
    // The name of an animation asked of a record without animations.
    static constexpr const char* noAnimationName = "internal error...";

    PelicanObject(PelicanDB* database, finch::SwitchBranch* switchBranch);
    ~PelicanObject();
    PelicanObject(const PelicanObject&) = delete;
    PelicanObject& operator=(const PelicanObject&) = delete;

    // Appends the child and names it after this record and its switch.
    PelicanObject* addChild(std::unique_ptr<PelicanObject> child);
    // The processor on this record, then on each child's subtree in order.
    void visit(ObjectRefProcessor& processor);

    const finch::BoundingBox& boundingBox() const;
    const finch::Matrix& transform() const;
    // Places the instance (the first call saves its placement) and stamps the time.
    void setTransform(const finch::Matrix& matrix);
    // Back to the start of the path, or to the placement before the first setTransform.
    void resetTransform();
    void setActive(bool on);
    bool isActive() const;

    void setPathHold(bool hold);
    bool hasPath() const { return m_pathDriver != nullptr; }
    double pathSpeed() const;
    double pathLength() const;
    void setPathPosition(double distance);

    int animationCount() const;
    // The name of animation i; noAnimationName without animations or for an i out of range.
    heron_string animationName(int i) const;
    // Selects animation i of a record with a sequence controller and plays it at value.
    void setAnimation(int i, double value);
    void setScale(double factor);
    void setDepthTweak(std::int32_t flag, const finch::Viewer& view, float near, float far);
    void setBranchValue(int mode);
    int branchValue() const;

    // Used while the database finds the animations.
    void attachAnimation(const AnimationEntry& entry);
    void addScaleSpecial();
    // A step below 0 (an instance not under the animation switch) adds nothing.
    void addSequenceStep(int step, const AnimationEntry& entry);

    void setPath(SplineEngine* path, LinearEngine* driver)
    {
        m_path = path;
        m_pathDriver = driver;
    }
    void setAnimationSwitch(finch::SwitchBranch* animationSwitch) { m_animationSwitch = animationSwitch; }

    PelicanDB* database() const { return m_database; }
    const heron_string& name() const { return m_name; }
    PelicanObject* parent() const { return m_parent; }
    const std::vector<std::unique_ptr<PelicanObject>>& children() const { return m_children; }
    finch::SwitchBranch* switchBranch() const { return m_switch; }
    finch::InstanceBranch* instance() const { return m_instance; }
    SplineEngine* path() const { return m_path; }
    LinearEngine* pathDriver() const { return m_pathDriver; }
    finch::SwitchBranch* animationSwitch() const { return m_animationSwitch; }
    AnimationController* animationController() const { return m_animationController; }
    SequenceController* sequenceController() const { return m_sequenceController; }
    ScaleSpecial* scaleSpecial() const { return m_scaleSpecial; }
    double transformTime() const { return m_transformTime; }

private:
    // Puts a new group with the callback between the switch and its children.
    void wrap(const heron::counted_ptr<finch::TraversalCallback>& callback);

    PelicanDB* m_database;
    heron_string m_name;
    PelicanObject* m_parent = nullptr;
    std::vector<std::unique_ptr<PelicanObject>> m_children;
    finch::SwitchBranch* m_switch;
    finch::InstanceBranch* m_instance = nullptr;
    AnimationController* m_animationController = nullptr;
    SequenceController* m_sequenceController = nullptr;
    ScaleSpecial* m_scaleSpecial = nullptr;
    DepthTweakSpecial* m_depthTweak = nullptr;
    LinearEngine* m_pathDriver = nullptr;
    SplineEngine* m_path = nullptr;
    finch::SwitchBranch* m_animationSwitch = nullptr;
    bool m_transformSaved = false;
    finch::Matrix m_savedTransform;
    double m_transformTime = 0.0;
};

}
