#pragma once

#include "base/Refcountable.h"
#include "base/Streamable.h"

namespace finch
{

class GeoBunch;

// A per-branch hook called with each bunch before it is compiled and before every draw; derived
// hooks (the content layer's effects) change the bunch's arrays in place and report what they
// changed with GeoBunch::addFlags. Stored with the count of its holders, for older readers; a
// read stream counts the references it restores. Main thread only.
class BunchCallbacks : public heron::Streamable, public heron::Refcountable
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::BunchCallbacks";
    [[nodiscard]] static heron::Streamable* create();

    virtual void beforeDraw(GeoBunch& bunch) {}

    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void write(heron::DataDest& dest) const override;
};

}
