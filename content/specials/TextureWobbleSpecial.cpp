#include "content/specials/TextureWobbleSpecial.h"

#include "base/DataSource.h"
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

void TextureWobbleSpecial::setWobbleParams(float uScroll, float vScroll, float frequency, float amplitude)
{
    m_wobble = {frequency, amplitude, uScroll, vScroll};
    m_set = true;
}

void TextureWobbleSpecial::registerFactories(heron::DataSource& source)
{
    source.registerFactory(&TextureWobbler::create);
}

}
