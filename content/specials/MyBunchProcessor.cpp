#include "content/specials/MyBunchProcessor.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "scene/core/Clock.h"
#include "scene/core/TaggedBlock.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/math/Random.h"

#include <array>
#include <cmath>
#include <numbers>

namespace pelican_specials
{

namespace
{

enum ProcessorTag : std::uint32_t
{
    wobbleOnTag = 1,
    wobbleValuesTag = 2,
    detailTag = 3,
};

// Set on a bunch once its detail coordinates are made.
constexpr std::uint32_t detailDone = finch::GeoBunch::texCoords1Changed;
// Noise above this turns a vertex's wobble forwards, else backwards.
constexpr double forwardNoise = 0.75;

struct SineCosine
{
    float sine;
    float cosine;
};

const std::array<SineCosine, MyBunchProcessor::wobbleSteps>& wobbleTable()
{
    static const auto table = [] {
        std::array<SineCosine, MyBunchProcessor::wobbleSteps> made{};
        for (int k = 0; k < MyBunchProcessor::wobbleSteps; ++k) {
            const double angle = 2.0 * std::numbers::pi * k / MyBunchProcessor::wobbleSteps;
            made[std::size_t(k)] = {float(std::sin(angle)), float(std::cos(angle))};
        }
        return made;
    }();
    return table;
}

std::size_t entries(const heron::counted_ptr<finch::texcoord_data>& set)
{
    return set ? set->elements().size() : 0;
}

}

int wobbleStep(double phaseSpeed, double now)
{
    double phase = std::fmod(phaseSpeed * now, double(MyBunchProcessor::wobbleSteps));
    if (!std::isfinite(phase)) {
        return 0;
    }
    if (phase < 0.0) {
        phase += MyBunchProcessor::wobbleSteps;
    }
    return int(phase) & (MyBunchProcessor::wobbleSteps - 1);
}

heron::Streamable* MyBunchProcessor::create()
{
    return new MyBunchProcessor;
}

void MyBunchProcessor::setWobble(float uScroll, float vScroll, float frequency, float amplitude)
{
    m_wobble = true;
    m_uScroll = uScroll;
    m_vScroll = vScroll;
    m_frequency = frequency;
    m_amplitude = amplitude;
    m_wobbles.clear();
}

void MyBunchProcessor::setDetail(float scale)
{
    m_detail = true;
    m_detailScale = scale;
}

void MyBunchProcessor::beforeDraw(finch::GeoBunch& bunch)
{
    if (m_wobble) {
        wobble(bunch, finch::Clock::now());
    }
    if (m_detail && m_detailScale != 0.0f) {
        copyDetail(bunch);
    }
}

std::vector<MyBunchProcessor::WobbleRecord> MyBunchProcessor::makeRecords(finch::GeoBunch& bunch) const
{
    const std::vector<finch::Vector3f>& positions = bunch.vertexSlot()->elements();
    const std::vector<finch::TexCoord>& coordinates = bunch.texcoordSlot(0)->elements();
    std::vector<WobbleRecord> records(positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const finch::Vector3f& p = positions[i];
        const double n = 0.5 * finch::NoiseTable::global().sample(p.x, p.y, p.z) + 0.5;
        const double turn = n > forwardNoise ? n : -n;
        records[i] = {coordinates[i], float(turn * m_frequency * wobbleSteps), float(n * m_amplitude)};
    }
    return records;
}

void MyBunchProcessor::wobble(finch::GeoBunch& bunch, double now)
{
    heron::counted_ptr<finch::texcoord_data>& set = bunch.texcoordSlot(0);
    const heron::counted_ptr<finch::vertex_data>& positions = bunch.vertexSlot();
    if (!set || !positions || positions->elements().empty() || entries(set) != positions->elements().size()) {
        return;
    }
    BunchWobble& state = m_wobbles[&bunch];
    if (state.coordinates != set || state.records.size() != entries(set)) {
        state.coordinates = set;
        state.records = makeRecords(bunch);
    }
    const auto su = float(std::fmod(double(m_uScroll) * now, 1.0));
    const auto sv = float(std::fmod(double(m_vScroll) * now, 1.0));
    std::vector<finch::TexCoord>& out = set->elements();
    for (std::size_t i = 0; i < out.size(); ++i) {
        const WobbleRecord& record = state.records[i];
        const SineCosine& turn = wobbleTable()[std::size_t(wobbleStep(record.phaseSpeed, now))];
        out[i] = {record.base.s + su + record.amplitude * turn.sine, record.base.t + sv + record.amplitude * turn.cosine};
    }
    bunch.addFlags(finch::GeoBunch::texCoords0Changed);
}

void MyBunchProcessor::copyDetail(finch::GeoBunch& bunch) const
{
    const heron::counted_ptr<finch::texcoord_data>& base = bunch.texcoordSlot(0);
    heron::counted_ptr<finch::texcoord_data>& detail = bunch.texcoordSlot(1);
    if ((bunch.flags() & detailDone) != 0 || entries(base) == 0 || entries(base) != entries(detail)) {
        return;
    }
    const std::vector<finch::TexCoord>& from = base->elements();
    std::vector<finch::TexCoord>& to = detail->elements();
    for (std::size_t i = 0; i < from.size(); ++i) {
        to[i] = {from[i].s * m_detailScale, from[i].t * m_detailScale};
    }
    bunch.addFlags(detailDone);
}

void MyBunchProcessor::read(heron::DataSource& source)
{
    BunchCallbacks::read(source);
    finch::readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case wobbleOnTag: finch::readBoolField(source, m_wobble); break;
        case wobbleValuesTag:
            for (float* value : {&m_uScroll, &m_vScroll, &m_frequency, &m_amplitude}) {
                finch::readFiniteFloat(source, *value, "MyBunchProcessor");
            }
            break;
        case detailTag:
            finch::readBoolField(source, m_detail);
            finch::readFiniteFloat(source, m_detailScale, "MyBunchProcessor");
            break;
        default: break;
        }
    });
}

void MyBunchProcessor::write(heron::DataDest& dest) const
{
    BunchCallbacks::write(dest);
    dest.writeTag(wobbleOnTag).writeBool(m_wobble);
    dest.writeTag(wobbleValuesTag);
    for (float value : {m_uScroll, m_vScroll, m_frequency, m_amplitude}) {
        finch::writeFloat(dest, value);
    }
    dest.writeTag(detailTag).writeBool(m_detail);
    finch::writeFloat(dest, m_detailScale);
    dest.writeTag(0);
}

}
