#include "content/specials/TextureWobbleSpecial.h"

#include "content/specials/MyBunchProcessor.h"

namespace pelican_specials
{

heron::Streamable* TextureWobbleSpecial::create()
{
    return new TextureWobbleSpecial;
}

void TextureWobbleSpecial::apply(finch::Branch& branch)
{
    if (m_set) {
        applyOnce(branch);
    }
}

void TextureWobbleSpecial::tweakProcessor(MyBunchProcessor& processor)
{
    processor.setWobble(m_wobble.uScroll, m_wobble.vScroll, m_wobble.frequency, m_wobble.amplitude);
}

}
