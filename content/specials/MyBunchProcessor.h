#pragma once

#include "base/counted_ptr.h"
#include "scene/geometry/BunchCallbacks.h"
#include "scene/geometry/GeoBunchStreams.h"

#include <map>
#include <vector>

namespace pelican_specials
{

// The per-bunch hook the tweakers leave on geometry branches, run before each draw: a wobble of
// texture coordinates set 0 about their first values, scrolled with time, and a one-time copy of
// set 0 scaled into set 1 for a detail texture. Each step runs only on a bunch whose sets hold as
// many entries as it has vertices. Stored as "duskharbor::pelican::MyBunchProcessor".
class MyBunchProcessor : public finch::BunchCallbacks
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::MyBunchProcessor";
    [[nodiscard]] static heron::Streamable* create();

    // Entries of the shared sine and cosine table a wobble turns through.
    static constexpr int wobbleSteps = 1024;

    void setWobble(float uScroll, float vScroll, float frequency, float amplitude);
    void setDetail(float scale);
    bool wobbles() const { return m_wobble; }
    bool details() const { return m_detail; }
    float detailScale() const { return m_detailScale; }
    float frequency() const { return m_frequency; }
    float amplitude() const { return m_amplitude; }

    void beforeDraw(finch::GeoBunch& bunch) override;

    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void write(heron::DataDest& dest) const override;

private:
    struct WobbleRecord
    {
        finch::TexCoord base;
        float phaseSpeed = 0.0f;
        float amplitude = 0.0f;
    };
    // The records of one bunch, for the coordinate array they were made from.
    struct BunchWobble
    {
        heron::counted_ptr<finch::texcoord_data> coordinates;
        std::vector<WobbleRecord> records;
    };

    void wobble(finch::GeoBunch& bunch, double now);
    void copyDetail(finch::GeoBunch& bunch) const;
    std::vector<WobbleRecord> makeRecords(finch::GeoBunch& bunch) const;

    bool m_wobble = false;
    float m_uScroll = 0.0f;
    float m_vScroll = 0.0f;
    float m_frequency = 0.0f;
    float m_amplitude = 0.0f;
    bool m_detail = false;
    float m_detailScale = 1.0f;
    std::map<const finch::GeoBunch*, BunchWobble> m_wobbles;
};

// The table step of a wobble at phase speed x time: wrapped into the table before it is cut to
// a whole step, so that long times and high speeds stay in range.
int wobbleStep(double phaseSpeed, double now);

}
