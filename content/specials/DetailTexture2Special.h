#pragma once

#include "content/specials/DetailRegenerator.h"
#include "content/specials/SpecialTweaker.h"

#include <vector>

namespace pelican_specials
{

// Gives every material below its group a detail texture in slot 1 and the bunch hooks a detail
// copy of the coordinates at its scale, then takes itself off. Stored: tag 2 the detail texture;
// a tag 1 source texture, read from older streams, becomes the detail texture with the detail
// fade once loaded; a stored detail rewrite below it hands it its scale.
class DetailTexture2Special : public SpecialTweaker, public DetailRegeneratorParent
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::DetailTexture2Special";
    [[nodiscard]] static heron::Streamable* create();

    DetailTexture2Special() = default;
    DetailTexture2Special(const heron::counted_ptr<finch::Texture>& detail, float scale);

    const heron::counted_ptr<finch::Texture>& detail() const { return m_detail; }
    float scale() const { return m_scale; }
    void setDetailScale(float scale) override { m_scale = scale; }

    void apply(finch::Branch& branch) override;
    void tweakMaterial(finch::Material& material) override;
    void tweakBunch(finch::GeoBunch& bunch) override;
    void tweakPolygons(finch::PolygonBranch& branch) override;
    void tweakProcessor(MyBunchProcessor& processor) override;

    const char* className() const override { return classIdentifier; }
    void registerFactories(heron::DataSource& source) override;
    void read(heron::DataSource& source) override;
    void afterLoad() override;
    void write(heron::DataDest& dest) const override;

protected:
    void setDetail(const heron::counted_ptr<finch::Texture>& detail) { m_detail = detail; }

private:
    float m_scale = 1.0f;
    heron::counted_ptr<finch::Texture> m_source;
    heron::counted_ptr<finch::Texture> m_detail;
};

// As DetailTexture2Special with a cycling texture of a folder's frames as the detail texture.
// Stored after the base block: tag 1 the cycle speed, tag 2 the frame list, from which the
// texture is made again once loaded.
class DetailCycle2Special : public DetailTexture2Special
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::DetailCycle2Special";
    [[nodiscard]] static heron::Streamable* create();

    DetailCycle2Special() = default;
    DetailCycle2Special(std::vector<heron_string> frames, float speed, float scale);

    const std::vector<heron_string>& frames() const { return m_frames; }

    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void afterLoad() override;
    void write(heron::DataDest& dest) const override;

private:
    float m_speed = 1.0f;
    std::vector<heron_string> m_frames;
};

}
