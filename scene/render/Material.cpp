#include "scene/render/Material.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/StreamReader.h"
#include "gui/gl/GLlighting.h"
#include "gui/gl/GLstate.h"
#include "scene/core/InternSet.h"
#include "scene/core/TaggedBlock.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <tuple>

namespace finch
{

namespace
{

constexpr RGBA black{0.0f, 0.0f, 0.0f, 0.0f};
constexpr float shininessScale = 128.0f;

enum MaterialTag : std::uint32_t
{
    nameTag = 1,
    legacyReferenceTag = 2,
    changedTag = 3,
    ambientTag = 10,
    diffuseTag = 11,
    specularTag = 12,
    emissionTag = 13,
    shininessTag = 14,
    opacityTag = 15,
    value30Tag = 30,
    colourTag = 31,
    flag32Tag = 32,
    flag33Tag = 33,
    lightingTag = 34,
    smoothShadingTag = 35,
    vertexColoursTag = 36,
    sphereMapTag = 37,
    texture0Tag = 40,
    texture1Tag = 41,
};

// A number that is not a number counts as 0.
float finite(float value)
{
    return std::isfinite(value) ? value : 0.0f;
}

float unit(float value)
{
    return std::clamp(finite(value), 0.0f, 1.0f);
}

// A lighting colour: RGB within 0..1, alpha as given.
RGBA lightingColour(const RGBA& c)
{
    return {unit(c.r), unit(c.g), unit(c.b), finite(c.a)};
}

RGBA finiteColour(const RGBA& c)
{
    return {finite(c.r), finite(c.g), finite(c.b), finite(c.a)};
}

std::uint32_t colourByte(float component)
{
    return static_cast<std::uint32_t>(std::clamp(component, 0.0f, 1.0f) * 255.0f);
}

// The unlit colour as GL gets it, four bytes red first; all four 0 (an unset colour) draw white.
std::uint32_t packedUnlitColour(const RGBA& c)
{
    const std::uint32_t packed = colourByte(c.r) | colourByte(c.g) << 8 | colourByte(c.b) << 16 | colourByte(c.a) << 24;
    return packed == 0 ? 0xFFFFFFFFu : packed;
}

std::uintptr_t address(const heron::counted_ptr<Texture>& texture)
{
    return reinterpret_cast<std::uintptr_t>(texture.get());
}

// The GL state last set by apply, valid between lockDefault and unlock.
struct AppliedState
{
    bool valid = false;
    bool vertexColours = false;
    bool lighting = false;
    bool smoothShading = false;
    bool sphereMap = false;
    const Texture* textures[Material::textureUnits] = {nullptr, nullptr};
    // What the lights last gave light 0 (GL's own default at first).
    RGBA light0Diffuse{1.0f, 1.0f, 1.0f, 1.0f};
};

struct MaterialRegistry
{
    InternSet<Material> interned;
    heron::counted_ptr<Material> defaultMaterial;
    AppliedState applied;
};

// Kept for the whole run.
MaterialRegistry& registry()
{
    static MaterialRegistry* const shared = new MaterialRegistry;
    return *shared;
}

AppliedState& applied()
{
    return registry().applied;
}

// Makes unit the current texture unit; false when it cannot be selected. Unit 0 is current
// where there is no choice of units, so it is always there.
bool selectUnit(int unit)
{
    return kestrel::activeTexture(unit) || unit == 0;
}

void switchState(kestrel::GLStateId state, bool on)
{
    if (on) {
        kestrel::enableState(state);
    } else {
        kestrel::disableState(state);
    }
}

void readColour(heron::DataSource& source, RGBA& colour)
{
    RGBA read = colour;
    readFloat(source, read.r);
    readFloat(source, read.g);
    readFloat(source, read.b);
    readFloat(source, read.a);
    if (!source.hasError()) {
        colour = read;
    }
}

void writeColour(heron::DataDest& dest, const RGBA& colour)
{
    for (const float component : {colour.r, colour.g, colour.b, colour.a}) {
        writeFloat(dest, component);
    }
}

}

heron::Streamable* Material::create()
{
    return new Material(RGBA{1.0f, 1.0f, 1.0f, 1.0f});
}

Material::Material(const RGBA& colour) : m_name("Material")
{
    m_colour = lightingColour(colour);
    m_ambient = lightingColour({0.2f * colour.r, 0.2f * colour.g, 0.2f * colour.b, colour.a});
    m_diffuse = lightingColour({0.8f * colour.r, 0.8f * colour.g, 0.8f * colour.b, colour.a});
    m_specular = lightingColour({0.0f, 0.0f, 0.0f, colour.a});
    m_emission = RGBA{0.0f, 0.0f, 0.0f, 1.0f};
    setOpacity(1.0f);
    setLit(false);
}

Material::Material(const Material& other)
    : heron::Streamable(other), heron::Refcountable(other)
{
    assign(other);
}

Material::~Material() = default;

Material& Material::assign(const Material& other)
{
    if (&other == this) {
        return *this;
    }
    const bool interned = m_interned;
    m_name = other.m_name;
    m_ambient = other.m_ambient;
    m_diffuse = other.m_diffuse;
    m_specular = other.m_specular;
    m_emission = other.m_emission;
    m_shininess = other.m_shininess;
    m_opacity = other.m_opacity;
    m_value30 = other.m_value30;
    m_colour = other.m_colour;
    m_flag32 = other.m_flag32;
    m_flag33 = other.m_flag33;
    m_lighting = other.m_lighting;
    m_smoothShading = other.m_smoothShading;
    m_vertexColours = other.m_vertexColours;
    m_sphereMap = other.m_sphereMap;
    for (int unit = 0; unit < textureUnits; ++unit) {
        m_textures[unit] = other.m_textures[unit];
        m_textureFlags[unit] = other.m_textureFlags[unit];
    }
    m_interned = interned;
    m_changed = true;
    return *this;
}

void Material::setName(const heron_string& name)
{
    m_name = name;
    m_changed = true;
}

void Material::setLit(bool lit)
{
    m_lighting = lit;
    m_flag33 = lit;
    m_flag32 = !lit;
    m_changed = true;
}

void Material::setColour(const RGBA& colour)
{
    m_colour = finiteColour(colour);
    m_changed = true;
}

void Material::setAmbient(const RGBA& colour)
{
    m_ambient = lightingColour(colour);
    m_changed = true;
}

void Material::setDiffuse(const RGBA& colour)
{
    m_diffuse = lightingColour(colour);
    m_changed = true;
}

void Material::setSpecular(const RGBA& colour)
{
    m_specular = lightingColour(colour);
    m_changed = true;
}

void Material::setEmission(const RGBA& colour)
{
    m_emission = lightingColour(colour);
    m_changed = true;
}

void Material::setShininess(float shininess)
{
    m_shininess = unit(shininess);
    m_changed = true;
}

void Material::setOpacity(float opacity)
{
    m_opacity = unit(opacity);
    for (RGBA* colour : {&m_ambient, &m_diffuse, &m_specular, &m_emission, &m_colour}) {
        colour->a = m_opacity;
    }
    m_changed = true;
}

void Material::setValue30(float value)
{
    m_value30 = unit(value);
    m_changed = true;
}

void Material::setFlag32(bool flag)
{
    m_flag32 = flag;
    m_changed = true;
}

void Material::setFlag33(bool flag)
{
    m_flag33 = flag;
    m_changed = true;
}

void Material::setSmoothShading(bool smooth)
{
    m_smoothShading = smooth;
    m_changed = true;
}

void Material::setSphereMap(bool sphereMap)
{
    m_sphereMap = sphereMap;
    m_changed = true;
}

void Material::setVertexColours(bool vertexColours)
{
    m_vertexColours = vertexColours;
    m_changed = true;
}

void Material::setTexture(int unit, const heron::counted_ptr<Texture>& texture)
{
    if (unit < 0 || unit >= textureUnits) {
        return;
    }
    m_textures[unit] = texture;
    m_textureFlags[unit] = texture && !m_sphereMap;
    m_changed = true;
}

bool Material::operator<(const Material& other) const
{
    const auto key = [](const Material& m) {
        return std::tuple(address(m.m_textures[0]), m.m_textureFlags[0], address(m.m_textures[1]), m.m_textureFlags[1],
                          m.m_ambient.r, m.m_ambient.g, m.m_ambient.b, m.m_diffuse.r, m.m_diffuse.g, m.m_diffuse.b,
                          m.m_specular.r, m.m_specular.g, m.m_specular.b, m.m_emission.r, m.m_emission.g,
                          m.m_emission.b, m.m_shininess, m.m_diffuse.a, m.m_value30, m.m_flag32, m.m_flag33,
                          m.m_smoothShading, m.m_sphereMap, m.m_vertexColours, m.m_colour.r, m.m_colour.g,
                          m.m_colour.b, m.m_colour.a);
    };
    return key(*this) < key(other);
}

heron::counted_ptr<Material> Material::defaultMaterial()
{
    heron::counted_ptr<Material>& material = registry().defaultMaterial;
    if (!material) {
        material.reset(new Material(RGBA{1.0f, 1.0f, 1.0f, 1.0f}));
        material->m_name = "Default";
        material->m_interned = true;
    }
    return material;
}

heron::counted_ptr<Material> Material::intern(const Material& material)
{
    return registry().interned.findOrAdd(material, [&material] {
        heron::counted_ptr<Material> copy(new Material(material));
        copy->m_interned = true;
        return copy;
    });
}

void Material::apply() const
{
    if (applied().valid) {
        applyChanges();
    } else {
        applyAll();
    }
}

void Material::applyAgainAfterDraw() const
{
    if (!m_vertexColours && !m_lighting) {
        kestrel::color4ub(packedUnlitColour(m_colour));
    }
}

void Material::lockDefault()
{
    if (!applied().valid) {
        defaultMaterial()->applyAll();
        applied().valid = true;
    }
}

void Material::unlock()
{
    applied().valid = false;
}

void Material::setLight0Diffuse(const RGBA& colour)
{
    applied().light0Diffuse = colour;
    kestrel::setLightDiffuse(0, colour.data());
}

void Material::applyAll() const
{
    AppliedState& state = applied();
    if (m_vertexColours) {
        applyVertexColours();
    } else {
        kestrel::disableColourMaterial();
        switchState(kestrel::GLStateId::Lighting, m_lighting);
        state.lighting = m_lighting;
        applyLighting();
    }
    state.vertexColours = m_vertexColours;
    switchState(kestrel::GLStateId::SmoothShading, m_smoothShading);
    state.smoothShading = m_smoothShading;
    switchState(kestrel::GLStateId::SphereMap, m_sphereMap);
    state.sphereMap = m_sphereMap;
    for (int unit = 0; unit < textureUnits; ++unit) {
        if (selectUnit(unit)) {
            applyTexture(unit);
        }
    }
    kestrel::activeTexture(0);
}

void Material::applyChanges() const
{
    AppliedState& state = applied();
    if (m_vertexColours != state.vertexColours) {
        if (m_vertexColours) {
            applyVertexColours();
        } else {
            kestrel::setLightDiffuse(0, state.light0Diffuse.data());
            kestrel::disableColourMaterial();
        }
        state.vertexColours = m_vertexColours;
    }
    if (!m_vertexColours) {
        if (m_lighting != state.lighting) {
            switchState(kestrel::GLStateId::Lighting, m_lighting);
            state.lighting = m_lighting;
        }
        applyLighting();
    }
    if (m_smoothShading != state.smoothShading) {
        switchState(kestrel::GLStateId::SmoothShading, m_smoothShading);
        state.smoothShading = m_smoothShading;
    }
    if (m_sphereMap != state.sphereMap) {
        switchState(kestrel::GLStateId::SphereMap, m_sphereMap);
        state.sphereMap = m_sphereMap;
    }
    bool unitChanged = false;
    for (int unit = 0; unit < textureUnits; ++unit) {
        if (m_textures[unit].get() != state.textures[unit] && selectUnit(unit)) {
            applyTexture(unit);
            unitChanged = true;
        }
    }
    if (unitChanged) {
        kestrel::activeTexture(0);
    }
}

void Material::applyVertexColours() const
{
    kestrel::disableColourMaterial();
    kestrel::setLightDiffuse(0, black.data());
    kestrel::setMaterialColour(kestrel::MaterialColour::Specular, black.data());
    kestrel::setMaterialColour(kestrel::MaterialColour::Emission, black.data());
    kestrel::enableColourMaterial();
    kestrel::enableState(kestrel::GLStateId::Lighting);
    applied().lighting = true;
}

void Material::applyLighting() const
{
    if (!m_lighting) {
        kestrel::color4ub(packedUnlitColour(m_colour));
        return;
    }
    kestrel::setMaterialColour(kestrel::MaterialColour::Ambient, m_ambient.data());
    kestrel::setMaterialColour(kestrel::MaterialColour::Diffuse, m_diffuse.data());
    kestrel::setMaterialColour(kestrel::MaterialColour::Specular, m_specular.data());
    kestrel::setMaterialColour(kestrel::MaterialColour::Emission, m_emission.data());
    kestrel::setMaterialShininess(m_shininess * shininessScale);
}

void Material::applyTexture(int unit) const
{
    Texture* const texture = m_textures[unit].get();
    if (texture != nullptr) {
        kestrel::enableState(kestrel::GLStateId::Texture2D);
        texture->bind();
    } else {
        kestrel::disableState(kestrel::GLStateId::Texture2D);
    }
    applied().textures[unit] = texture;
}

void Material::registerFactories(heron::DataSource& source)
{
    source.registerFactory(&Texture::create);
}

void Material::write(heron::DataDest& dest) const
{
    dest.writeTag(nameTag).writeString(m_name);
    dest.writeTag(changedTag).writeBool(m_changed);
    writeColour(dest.writeTag(ambientTag), m_ambient);
    writeColour(dest.writeTag(diffuseTag), m_diffuse);
    writeColour(dest.writeTag(specularTag), m_specular);
    writeColour(dest.writeTag(emissionTag), m_emission);
    writeFloat(dest.writeTag(shininessTag), m_shininess);
    writeFloat(dest.writeTag(opacityTag), m_opacity);
    writeFloat(dest.writeTag(value30Tag), m_value30);
    writeColour(dest.writeTag(colourTag), m_colour);
    const bool flags[] = {m_flag32, m_flag33, m_lighting, m_smoothShading, m_vertexColours, m_sphereMap};
    for (std::uint32_t i = 0; i < 6; ++i) {
        dest.writeTag(flag32Tag + i).writeBool(flags[i]);
    }
    for (int unit = 0; unit < textureUnits; ++unit) {
        dest.writeTag(texture0Tag + unit).writeObjectRef(m_textures[unit]).writeBool(m_textureFlags[unit]);
    }
    dest.writeTag(0);
}

void Material::read(heron::DataSource& source)
{
    readTaggedBlock(source, [&](std::uint32_t tag) { readField(source, tag); });
}

void Material::readField(heron::DataSource& source, std::uint32_t tag)
{
    std::uint32_t ignoredReference = 0;
    switch (tag) {
    case nameTag: source.readString(m_name); break;
    case legacyReferenceTag: source.readUInt32(ignoredReference); break;
    case changedTag: readBoolField(source, m_changed); break;
    case ambientTag: readColour(source, m_ambient); m_ambient = lightingColour(m_ambient); break;
    case diffuseTag: readColour(source, m_diffuse); m_diffuse = lightingColour(m_diffuse); break;
    case specularTag: readColour(source, m_specular); m_specular = lightingColour(m_specular); break;
    case emissionTag: readColour(source, m_emission); m_emission = lightingColour(m_emission); break;
    case shininessTag: readFloat(source, m_shininess); m_shininess = unit(m_shininess); break;
    case opacityTag: readFloat(source, m_opacity); m_opacity = unit(m_opacity); break;
    case value30Tag: readFloat(source, m_value30); m_value30 = unit(m_value30); break;
    case colourTag: readColour(source, m_colour); m_colour = finiteColour(m_colour); break;
    case flag32Tag: readBoolField(source, m_flag32); break;
    case flag33Tag: readBoolField(source, m_flag33); break;
    case lightingTag: readBoolField(source, m_lighting); break;
    case smoothShadingTag: readBoolField(source, m_smoothShading); break;
    case vertexColoursTag: readBoolField(source, m_vertexColours); break;
    case sphereMapTag: readBoolField(source, m_sphereMap); break;
    case texture0Tag: readTexture(source, 0); break;
    case texture1Tag: readTexture(source, 1); break;
    default: break;
    }
}

void Material::readTexture(heron::DataSource& source, int unit)
{
    // A unit's texture stored twice keeps the first: the stream reader sets a field once. A
    // reference to another class leaves the unit without a texture.
    heron::StreamReader::readCheckedRef(source, m_textures[unit]);
    readBoolField(source, m_textureFlags[unit]);
}

}
