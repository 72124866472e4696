#include "content/specials/DetailTexture2Special.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "content/specials/FrameFiles.h"
#include "content/specials/MyBunchProcessor.h"
#include "scene/core/TaggedBlock.h"
#include "scene/render/Material.h"
#include "scene/render/Texture.h"

namespace pelican_specials
{

namespace
{

enum DetailTag : std::uint32_t
{
    sourceTag = 1,
    detailTag = 2,
};

enum CycleTag : std::uint32_t
{
    speedTag = 1,
    framesTag = 2,
};

}

heron::Streamable* DetailTexture2Special::create()
{
    return new DetailTexture2Special;
}

DetailTexture2Special::DetailTexture2Special(const heron::counted_ptr<finch::Texture>& detail, float scale)
    : m_scale(scale), m_detail(detail)
{
}

void DetailTexture2Special::apply(finch::Branch& branch)
{
    applyOnce(branch);
}

void DetailTexture2Special::tweakMaterial(finch::Material& material)
{
    material.setTexture(1, m_detail);
}

void DetailTexture2Special::tweakBunch(finch::GeoBunch& bunch)
{
    if (m_detail) {
        rewriteBunch(bunch);
    }
}

void DetailTexture2Special::tweakPolygons(finch::PolygonBranch& branch)
{
    if (m_detail) {
        rewritePolygons(branch);
    }
}

void DetailTexture2Special::tweakProcessor(MyBunchProcessor& processor)
{
    processor.setDetail(m_scale);
}

void DetailTexture2Special::registerFactories(heron::DataSource& source)
{
    source.registerFactory(&DetailRegenerator::create);
}

void DetailTexture2Special::read(heron::DataSource& source)
{
    SpecialTweaker::read(source);
    finch::readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case sourceTag: heron::StreamReader::readCheckedRef(source, m_source); break;
        case detailTag: heron::StreamReader::readCheckedRef(source, m_detail); break;
        default: break;
        }
    });
}

void DetailTexture2Special::afterLoad()
{
    if (!m_source) {
        return;
    }
    m_detail = detailTexture(m_source->file().str());
    m_source = heron::counted_ptr<finch::Texture>();
}

void DetailTexture2Special::write(heron::DataDest& dest) const
{
    SpecialTweaker::write(dest);
    dest.writeTag(detailTag).writeObjectRef(m_detail);
    dest.writeTag(0);
}

heron::Streamable* DetailCycle2Special::create()
{
    return new DetailCycle2Special;
}

DetailCycle2Special::DetailCycle2Special(std::vector<heron_string> frames, float speed, float scale)
    : DetailTexture2Special(cyclingTexture(firstFrame(frames), speed, true), scale), m_speed(speed),
      m_frames(std::move(frames))
{
}

void DetailCycle2Special::read(heron::DataSource& source)
{
    DetailTexture2Special::read(source);
    finch::readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case speedTag: finch::readFiniteFloat(source, m_speed, "DetailCycle2Special"); break;
        case framesTag: readFrameFiles(source, m_frames); break;
        default: break;
        }
    });
}

void DetailCycle2Special::afterLoad()
{
    DetailTexture2Special::afterLoad();
    if (!m_frames.empty()) {
        setDetail(cyclingTexture(firstFrame(m_frames), m_speed, true));
    }
}

void DetailCycle2Special::write(heron::DataDest& dest) const
{
    DetailTexture2Special::write(dest);
    dest.writeTag(speedTag);
    finch::writeFloat(dest, m_speed);
    dest.writeTag(framesTag);
    writeFrameFiles(dest, m_frames);
    dest.writeTag(0);
}

}
