#pragma once

#include "base/counted_ptr.h"
#include "scene/geometry/BunchCallbacks.h"

namespace finch
{
class Branch;
}

namespace pelican_specials
{

// Takes the detail scale a stored detail rewrite hands on when its stream is loaded.
class DetailRegeneratorParent
{
public:
    virtual void setDetailScale(float scale) = 0;

protected:
    ~DetailRegeneratorParent() = default;
};

// The stored form of a detail rewrite, a bunch hook: before each draw it runs the hook it chains
// to, then makes texture coordinates 1 = coordinates 0 x scale when both sets hold as many
// entries. Once loaded it hands its scale to the hooks on its branch and above that take it; a
// chain of hooks that leads back to itself is cut (logged). Stored: tag 1 the scale, the branch
// and the chained hook.
class DetailRegenerator : public finch::BunchCallbacks
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::DetailRegenerator";
    [[nodiscard]] static heron::Streamable* create();

    DetailRegenerator() = default;
    DetailRegenerator(float scale, finch::Branch* branch, const heron::counted_ptr<finch::BunchCallbacks>& chained);

    // The hook run before this one's copy, such as the one a geometry branch had before.
    void setChained(const heron::counted_ptr<finch::BunchCallbacks>& chained) { m_chained = chained; }
    const heron::counted_ptr<finch::BunchCallbacks>& chained() const { return m_chained; }

    void beforeDraw(finch::GeoBunch& bunch) override;
    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void afterLoad() override;
    void write(heron::DataDest& dest) const override;

private:
    bool chainLeadsBack() const;

    float m_scale = 1.0f;
    finch::Branch* m_branch = nullptr;
    heron::counted_ptr<finch::BunchCallbacks> m_chained;
};

}
