#pragma once

#include "content/specials/SpecialTweaker.h"

#include <vector>

namespace pelican_specials
{

// Gives the bunches below its group a cycling texture of a folder's frames in slot 0, then takes
// itself off. Without frames it changes nothing. Stored: tag 1 the cycle speed, tag 2 the frame
// list, from which the texture is made again once loaded.
class CycleTextureSpecial : public SpecialTweaker
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::CycleTextureSpecial";
    [[nodiscard]] static heron::Streamable* create();

    CycleTextureSpecial() = default;
    CycleTextureSpecial(std::vector<heron_string> frames, float speed);

    const heron::counted_ptr<finch::Texture>& texture() const { return m_texture; }
    const std::vector<heron_string>& frames() const { return m_frames; }

    void apply(finch::Branch& branch) override;
    void tweakBunch(finch::GeoBunch& bunch) override;
    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override;

    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void afterLoad() override;
    void write(heron::DataDest& dest) const override;

private:
    float m_speed = 0.0f;
    heron::counted_ptr<finch::Texture> m_texture;
    std::vector<heron_string> m_frames;
};

// A cycling detail texture of a folder's frames laid over the polygons of its group (slot 1,
// coordinates 1 = coordinates 0 / scale), also on the bunches when applied. Stored: tag 1 the
// scale and the cycle speed, tag 2 the frame list.
class DetailCycleSpecial : public SpecialTweaker
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::DetailCycleSpecial";
    [[nodiscard]] static heron::Streamable* create();

    DetailCycleSpecial() = default;
    DetailCycleSpecial(finch::Branch& group, std::vector<heron_string> frames, float speed, float scale);

    const heron::counted_ptr<finch::Texture>& texture() const { return m_texture; }
    float scale() const { return m_scale; }
    float speed() const { return m_speed; }

    void apply(finch::Branch& branch) override;
    void tweakBunch(finch::GeoBunch& bunch) override;
    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override;

    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void afterLoad() override;
    void write(heron::DataDest& dest) const override;

private:
    void layOver(finch::Branch& branch) const;

    heron::counted_ptr<finch::Texture> m_texture;
    float m_scale = 1.0f;
    float m_speed = 1.0f;
    std::vector<heron_string> m_frames;
};

}
