#pragma once

#include "content/specials/SpecialTweaker.h"

#include <vector>

namespace pelican_specials
{

// What the cycling specials share: a texture made from the first of a folder's frames, cycling
// at a speed, given to the bunches below the group in one texture slot. Without frames there is
// no texture and nothing changes. The frame list is stored (tag 2), and the texture is made again
// from it once loaded.
class FrameCycleSpecial : public SpecialTweaker
{
public:
    const heron::counted_ptr<finch::Texture>& texture() const { return m_texture; }
    const std::vector<heron_string>& frames() const { return m_frames; }
    float speed() const { return m_speed; }

    void tweakBunch(finch::GeoBunch& bunch) override;
    void afterLoad() override;

protected:
    FrameCycleSpecial(int slot, bool detail) : m_slot(slot), m_detail(detail) {}
    FrameCycleSpecial(int slot, bool detail, std::vector<heron_string> frames, float speed);

    // Reads the speed (or, with scale, the scale then the speed) of tag 1 and the frames of tag 2.
    void readCycle(heron::DataSource& source, float* scale);
    void writeCycle(heron::DataDest& dest, const float* scale) const;

private:
    int m_slot;
    bool m_detail;
    float m_speed = 1.0f;
    std::vector<heron_string> m_frames;
    heron::counted_ptr<finch::Texture> m_texture;
};

// Gives the bunches below its group a cycling texture of a folder's frames in slot 0, then takes
// itself off. Stored: tag 1 the cycle speed, tag 2 the frame list.
class CycleTextureSpecial : public FrameCycleSpecial
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::CycleTextureSpecial";
    [[nodiscard]] static heron::Streamable* create();

    CycleTextureSpecial() : FrameCycleSpecial(0, false) {}
    CycleTextureSpecial(std::vector<heron_string> frames, float speed);

    void apply(finch::Branch& branch) override;
    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override;

    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void write(heron::DataDest& dest) const override;
};

// A cycling detail texture of a folder's frames laid over the polygons of its group (slot 1,
// coordinates 1 = coordinates 0 / scale), also on the bunches when applied. Stored: tag 1 the
// scale and the cycle speed, tag 2 the frame list.
class DetailCycleSpecial : public FrameCycleSpecial
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::DetailCycleSpecial";
    [[nodiscard]] static heron::Streamable* create();

    DetailCycleSpecial() : FrameCycleSpecial(1, true) {}
    DetailCycleSpecial(finch::Branch& group, std::vector<heron_string> frames, float speed, float scale);

    float scale() const { return m_scale; }

    void apply(finch::Branch& branch) override;
    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override;

    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void write(heron::DataDest& dest) const override;

private:
    void layOver(finch::Branch& branch) const;

    float m_scale = 1.0f;
};

}
