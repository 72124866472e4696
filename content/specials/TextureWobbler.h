#pragma once

#include "scene/graph/TraversalCallback.h"

namespace finch
{
class Branch;
}

namespace pelican_specials
{

// Takes the wobble values a stored wobble hands on when its stream is loaded.
class WobbleParamsDest
{
public:
    virtual void setWobbleParams(float uScroll, float vScroll, float frequency, float amplitude) = 0;

protected:
    ~WobbleParamsDest() = default;
};

// The stored form of a wobble: once loaded it hands its values to the first hook on its branch or
// above it that takes them; its first traversal takes it off. Stored: tag 1 the scroll speeds,
// tag 2 frequency and amplitude, tag 3 the branch.
class TextureWobbler : public finch::TraversalCallback
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::TextureWobbler";
    [[nodiscard]] static heron::Streamable* create();

    TextureWobbler() = default;
    TextureWobbler(finch::Branch* branch, float uScroll, float vScroll, float frequency, float amplitude);

    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override;
    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void afterLoad() override;
    void write(heron::DataDest& dest) const override;

private:
    finch::Branch* m_branch = nullptr;
    float m_uScroll = 0.0f;
    float m_vScroll = 0.0f;
    float m_frequency = 1.0f;
    float m_amplitude = 0.0f;
};

}
