#include "content/specials/SpecialFinder.h"

#include "base/DataSource.h"
#include "base/Debug.h"
#include "content/models/SpecialParams.h"
#include "content/specials/CycleTextureSpecial.h"
#include "content/specials/DetailTexture2Special.h"
#include "content/specials/DetailTextureSpecial.h"
#include "content/specials/DolphinSwimSpecial.h"
#include "content/specials/FrameFiles.h"
#include "content/specials/GlowSpecial.h"
#include "content/specials/LayerSpecial.h"
#include "content/specials/LightColorSpecial.h"
#include "content/specials/MyBunchProcessor.h"
#include "content/specials/PianoSpecial.h"
#include "content/specials/SpecialText.h"
#include "content/specials/TextureScrollSpecial.h"
#include "content/specials/TextureWobbleSpecial.h"
#include "content/world/PelicanDB.h"
#include "scene/graph/Branch.h"
#include "scene/graph/ExrefBranch.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/Object.h"


namespace pelican_specials
{

namespace
{

using Made = heron::counted_ptr<finch::TraversalCallback>;

template <class Special>
Made held(Special* special)
{
    return Made(special);
}

// A tweaker made from a text applies itself at once.
Made appliedNow(SpecialTweaker* tweaker, finch::GroupBranch& group)
{
    Made made(tweaker);
    tweaker->apply(group);
    return made;
}

float valueOr(ParameterReader& reader, float fallback)
{
    return reader.next().value_or(fallback);
}

Made textureCycle(const heron_string& parameters, finch::GroupBranch& group)
{
    heron_string folder;
    ParameterReader reader = ParameterReader::afterName(parameters, folder);
    const float speed = valueOr(reader, 1.0f);
    return appliedNow(new CycleTextureSpecial(frameFiles(folder), speed), group);
}

Made scrollTexture(const heron_string& parameters)
{
    ParameterReader reader(parameters);
    const std::optional<float> u = reader.next();
    const std::optional<float> v = reader.next();
    return held(u && v ? new TextureScrollSpecial(*u, *v) : new TextureScrollSpecial);
}

Made detailTextureOf(const heron_string& parameters, finch::GroupBranch& group, bool second)
{
    heron_string file;
    ParameterReader reader = ParameterReader::afterName(parameters, file);
    const float scale = valueOr(reader, 1.0f);
    if (second) {
        return appliedNow(new DetailTexture2Special(detailTexture(file), scale), group);
    }
    return held(new DetailTextureSpecial(group, file, scale));
}

Made detailCycle(const heron_string& parameters, finch::GroupBranch& group, bool second)
{
    heron_string folder;
    ParameterReader reader = ParameterReader::afterName(parameters, folder);
    const float speed = valueOr(reader, 1.0f);
    const float scale = valueOr(reader, 1.0f);
    if (second) {
        return appliedNow(new DetailCycle2Special(frameFiles(folder), speed, scale), group);
    }
    return held(new DetailCycleSpecial(group, frameFiles(folder), speed, scale));
}

Made textureWobble(const heron_string& parameters, finch::GroupBranch& group)
{
    ParameterReader reader(parameters);
    TextureWobbleSpecial::Wobble wobble;
    const float frequency = valueOr(reader, wobble.frequency);
    wobble.frequency = frequency > 0.0f ? frequency : wobble.frequency;
    wobble.amplitude = valueOr(reader, wobble.amplitude);
    reader.next();
    const std::optional<float> u = reader.next();
    const std::optional<float> v = reader.next();
    if (u && v) {
        wobble.uScroll = *u;
        wobble.vScroll = *v;
    }
    return appliedNow(new TextureWobbleSpecial(wobble), group);
}

Made fromKeyword(const SpecialText& text, finch::GroupBranch& group)
{
    const heron_string& keyword = text.keyword;
    const heron_string& parameters = text.parameters;
    ParameterReader numbers(parameters);
    if (keyword.compare("texturecycle") == 0) {
        return textureCycle(parameters, group);
    }
    if (keyword.compare("dolphinswim") == 0) {
        return held(new DolphinSwimSpecial(group.object(), valueOr(numbers, float(DolphinSwimSpecial::defaultSpeed))));
    }
    if (keyword.compare("layer") == 0) {
        return held(new LayerSpecial(&group));
    }
    if (keyword.compare("lightcolor") == 0 || keyword.compare("lightcolour") == 0) {
        return appliedNow(new LightColorSpecial, group);
    }
    if (keyword.compare("scrolltexture") == 0) {
        return scrollTexture(parameters);
    }
    if (keyword.compare("detailtexture") == 0 || keyword.compare("detailtexture2") == 0) {
        return detailTextureOf(parameters, group, keyword.compare("detailtexture2") == 0);
    }
    if (keyword.compare("detailcycle") == 0 || keyword.compare("detailcycle2") == 0) {
        return detailCycle(parameters, group, keyword.compare("detailcycle2") == 0);
    }
    if (keyword.compare("texturewobble") == 0) {
        return textureWobble(parameters, group);
    }
    if (keyword.compare("piano") == 0) {
        return held(new PianoSpecial(group, valueOr(numbers, 1.0f)));
    }
    if (keyword.compare("glow") == 0) {
        return held(new GlowSpecial);
    }
    return Made();
}

void registerSpecialFactories(heron::DataSource& source)
{
    source.registerFactory(&DetailTextureSpecial::create);
    source.registerFactory(&DetailTexture2Special::create);
    source.registerFactory(&TextureWobbleSpecial::create);
    source.registerFactory(&TextureScrollSpecial::create);
    source.registerFactory(&PianoSpecial::create);
    source.registerFactory(&GlowSpecial::create);
    source.registerFactory(&DolphinSwimSpecial::create);
    source.registerFactory(&LayerSpecial::create);
    source.registerFactory(&LightColorSpecial::create);
    source.registerFactory(&CycleTextureSpecial::create);
    source.registerFactory(&DetailCycleSpecial::create);
    source.registerFactory(&DetailCycle2Special::create);
    source.registerFactory(&MyBunchProcessor::create);
}

}

Made makeSpecial(const heron_string& text, finch::GroupBranch& group)
{
    return fromKeyword(splitSpecialText(text), group);
}

void SpecialFinder::run(pelican::PelicanDB& database)
{
    m_searched.clear();
    search(database);
    finch::Branch::releaseScheduledCallbacks();
}

void SpecialFinder::search(finch::Database& database)
{
    if (m_searched.insert(&database).second) {
        database.forEachObject(*this);
    }
}

void SpecialFinder::registerFactories(heron::DataSource& source)
{
    registerSpecialFactories(source);
}

void SpecialFinder::process(finch::Object& object)
{
    finch::Branch* const root = object.root();
    if (root == nullptr) {
        return;
    }
    auto* const reference = dynamic_cast<finch::ExrefBranch*>(root);
    if (reference != nullptr && reference->database()) {
        finch::Database& referenced = *reference->database();
        heron::debug("Processing exref %s\n", referenced.filePath().c_str());
        search(referenced);
        return;
    }
    object.process(*this);
}

bool SpecialFinder::process(finch::Branch& branch)
{
    auto* const group = dynamic_cast<finch::GroupBranch*>(&branch);
    const heron::counted_ptr<finch::TraversalCallback> callback = branch.traversalCallback();
    if (group == nullptr || !callback) {
        return true;
    }
    if (const auto* const params = dynamic_cast<const SpecialParams*>(callback.get())) {
        const Made made = makeSpecial(params->text(), *group);
        if (made) {
            group->setTraversalCallback(made);
        }
    } else if (auto* const tweaker = dynamic_cast<SpecialTweaker*>(callback.get())) {
        tweaker->apply(*group);
        finch::Branch::releaseScheduledCallbacks();
    }
    return true;
}

void installSpecialFinder()
{
    static SpecialFinder finder;
    pelican::setSpecialFinder(&finder);
}

}
