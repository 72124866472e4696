#pragma once

#include "content/specials/SpecialTweaker.h"
#include "content/specials/TextureWobbler.h"

namespace pelican_specials
{

// Hands a wobble of texture coordinates to the bunch hooks of the geometry below its group, then
// takes itself off. Stored as an empty block; a stored wobble below it hands it its values.
class TextureWobbleSpecial : public SpecialTweaker, public WobbleParamsDest
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::TextureWobbleSpecial";
    [[nodiscard]] static heron::Streamable* create();

    struct Wobble
    {
        float frequency = 1.0f;
        float amplitude = 0.01f;
        float uScroll = 0.0f;
        float vScroll = 0.0f;
    };

    TextureWobbleSpecial() = default;
    explicit TextureWobbleSpecial(const Wobble& wobble) : m_set(true), m_wobble(wobble) {}

    const Wobble& wobble() const { return m_wobble; }
    bool isSet() const { return m_set; }
    void setWobbleParams(float uScroll, float vScroll, float frequency, float amplitude) override;

    void apply(finch::Branch& branch) override;
    void tweakProcessor(MyBunchProcessor& processor) override;
    const char* className() const override { return classIdentifier; }
    void registerFactories(heron::DataSource& source) override;

private:
    bool m_set = false;
    Wobble m_wobble;
};

}
