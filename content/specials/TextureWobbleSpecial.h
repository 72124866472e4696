#pragma once

#include "content/specials/SpecialTweaker.h"

namespace pelican_specials
{

// Hands a wobble of texture coordinates to the bunch hooks of the geometry below its group, then
// takes itself off. Stored as an empty block.
class TextureWobbleSpecial : public SpecialTweaker
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

    void apply(finch::Branch& branch) override;
    void tweakProcessor(MyBunchProcessor& processor) override;
    const char* className() const override { return classIdentifier; }

private:
    bool m_set = false;
    Wobble m_wobble;
};

}
