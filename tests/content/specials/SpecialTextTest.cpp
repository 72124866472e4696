#include "content/DataFiles.h"
#include "content/specials/CycleTextureSpecial.h"
#include "content/specials/DolphinSwimSpecial.h"
#include "content/specials/GlowSpecial.h"
#include "content/specials/LayerSpecial.h"
#include "content/specials/PianoSpecial.h"
#include "content/specials/SpecialFinder.h"
#include "content/specials/SpecialText.h"
#include "content/specials/TextureScrollSpecial.h"
#include "content/specials/TextureWobbleSpecial.h"
#include "scene/graph/Branch.h"
#include "scene/graph/GroupBranch.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace
{

using Made = heron::counted_ptr<finch::TraversalCallback>;

class SpecialText : public ::testing::Test
{
protected:
    void SetUp() override { pelican::resetDataFiles(); }
    void TearDown() override
    {
        finch::Branch::releaseScheduledCallbacks();
        pelican::resetDataFiles();
    }

    TempLog log;
    finch::GroupBranch group;
};

template <class Special>
const Special* as(const Made& made)
{
    return dynamic_cast<const Special*>(made.get());
}

std::vector<std::optional<float>> values(const char* parameters, int count)
{
    pelican_specials::ParameterReader reader{heron_string(parameters)};
    std::vector<std::optional<float>> read;
    for (int i = 0; i < count; ++i) {
        read.push_back(reader.next());
    }
    return read;
}

}

TEST_F(SpecialText, KeywordEndsAtTheFirstEqualsSignElseTheFirstComma)
{
    struct Case
    {
        const char* text;
        const char* keyword;
        const char* parameters;
    };
    const Case cases[] = {
        {"glow", "glow", ""},
        {"piano=4", "piano", "4"},
        {"piano,4", "piano", "4"},
        {"detailtexture=rock.gif,2", "detailtexture", "rock.gif,2"},
        {"a,b=c", "a,b", "c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const pelican_specials::SpecialText split = pelican_specials::splitSpecialText(c.text);
        EXPECT_STREQ(split.keyword.c_str(), c.keyword);
        EXPECT_STREQ(split.parameters.c_str(), c.parameters);
    }
}

TEST_F(SpecialText, NumbersAfterTheFirstBadOneTakeTheirDefaults)
{
    using V = std::vector<std::optional<float>>;
    struct Case
    {
        const char* parameters;
        V expected;
    };
    const Case cases[] = {
        {"1, 2 ,3", V{1.0f, 2.0f, 3.0f}},
        {"0,abc,3", V{0.0f, std::nullopt, std::nullopt}},
        {"1 2", V{1.0f, std::nullopt, std::nullopt}},
        {"inf,2", V{std::nullopt, std::nullopt, std::nullopt}},
        {"1e39,2", V{std::nullopt, std::nullopt, std::nullopt}},
        {"nan", V{std::nullopt, std::nullopt, std::nullopt}},
        {"", V{std::nullopt, std::nullopt, std::nullopt}},
        {"5", V{5.0f, std::nullopt, std::nullopt}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parameters);
        EXPECT_EQ(values(c.parameters, 3), c.expected);
    }
}

TEST_F(SpecialText, ABadValueIsLoggedOnce)
{
    values("1,inf,x", 3);
    EXPECT_EQ(log.count("Special parameters - a bad value"), 1);
    values("1,2", 3);
    EXPECT_EQ(log.count("Special parameters - a bad value"), 1);
}

TEST_F(SpecialText, TextsMakeTheirSpecialsWithTheirParameters)
{
    struct Case
    {
        const char* text;
        std::function<bool(const Made&)> holds;
    };
    const Case cases[] = {
        {"glow", [](const Made& m) { return as<pelican_specials::GlowSpecial>(m) != nullptr; }},
        {"layer=anything", [](const Made& m) { return as<pelican_specials::LayerSpecial>(m) != nullptr; }},
        {"Glow", [](const Made& m) { return !m; }},
        {"sparkle=1", [](const Made& m) { return !m; }},
        {"piano=4", [](const Made& m) { return as<pelican_specials::PianoSpecial>(m)->rate() == 0.25f; }},
        {"piano=0", [](const Made& m) { return as<pelican_specials::PianoSpecial>(m)->rate() == 0.0f; }},
        {"piano=1e-300", [](const Made& m) { return as<pelican_specials::PianoSpecial>(m)->rate() == 0.0f; }},
        {"piano=inf", [](const Made& m) { return as<pelican_specials::PianoSpecial>(m)->rate() == 1.0f; }},
        {"dolphinswim", [](const Made& m) { return as<pelican_specials::DolphinSwimSpecial>(m)->speed() == 0.02f; }},
        {"dolphinswim=0.5", [](const Made& m) { return as<pelican_specials::DolphinSwimSpecial>(m)->speed() == 0.5; }},
        {"scrolltexture=0.5", [](const Made& m) { return !as<pelican_specials::TextureScrollSpecial>(m)->isOn(); }},
        {"scrolltexture=0.5,0.25", [](const Made& m) { return as<pelican_specials::TextureScrollSpecial>(m)->isOn(); }},
        {"detailcycle=trees", [](const Made& m) {
             const auto* cycle = as<pelican_specials::DetailCycleSpecial>(m);
             return cycle->speed() == 1.0f && cycle->scale() == 1.0f && !cycle->texture();
         }},
        {"detailcycle=trees,2,4", [](const Made& m) {
             const auto* cycle = as<pelican_specials::DetailCycleSpecial>(m);
             return cycle->speed() == 2.0f && cycle->scale() == 4.0f;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_TRUE(c.holds(pelican_specials::makeSpecial(c.text, group)));
    }
}

TEST_F(SpecialText, WobbleTextsGiveFrequencyAmplitudeAndBothScrollsOrNone)
{
    using Wobble = pelican_specials::TextureWobbleSpecial::Wobble;
    struct Case
    {
        const char* text;
        Wobble expected;
    };
    const Case cases[] = {
        {"texturewobble=0,abc", {1.0f, 0.01f, 0.0f, 0.0f}},
        {"texturewobble=-3", {1.0f, 0.01f, 0.0f, 0.0f}},
        {"texturewobble=2,0.1,9,0.5,0.25", {2.0f, 0.1f, 0.5f, 0.25f}},
        {"texturewobble=2,0.1,9,0.5", {2.0f, 0.1f, 0.0f, 0.0f}},
        {"texturewobble=nan,0.2", {1.0f, 0.01f, 0.0f, 0.0f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Made made = pelican_specials::makeSpecial(c.text, group);
        const Wobble& wobble = as<pelican_specials::TextureWobbleSpecial>(made)->wobble();
        EXPECT_EQ(wobble.frequency, c.expected.frequency);
        EXPECT_EQ(wobble.amplitude, c.expected.amplitude);
        EXPECT_EQ(wobble.uScroll, c.expected.uScroll);
        EXPECT_EQ(wobble.vScroll, c.expected.vScroll);
    }
}
