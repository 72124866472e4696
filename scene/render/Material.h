#pragma once

#include "base/Refcountable.h"
#include "base/Streamable.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"
#include "scene/render/RGBA.h"
#include "scene/render/Texture.h"

#include <cstdint>

namespace finch
{

// The stored surface description geometry is drawn with: four lighting colours, shininess,
// opacity, an unlit colour, flags and up to two textures. Materials are interned, so equal ones
// exist once and geometry can be grouped by material address. Applying a material sets the GL
// fixed-function state for it; between lockDefault and unlock only what differs from the last
// applied state is sent. Main thread only.
class Material : public heron::Streamable, public heron::Refcountable
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::Material";
    static constexpr int textureUnits = 2;

    // The stream factory: a new white material.
    static heron::Streamable* create();

    // Name "Material", unlit colour c, ambient 0.2 c and diffuse 0.8 c (RGB clamped), black
    // specular and emission, shininess 0.5, opaque, smooth, unlit.
    explicit Material(const RGBA& colour);
    // Copies every field but the interned flag; textures are shared.
    Material(const Material& other);
    Material& operator=(const Material& other) { return assign(other); }
    ~Material() override;
    Material& assign(const Material& other);

    // Setters mark the material changed. Lighting colours keep RGB within 0..1.
    void setName(const heron_string& name);
    // Lighting on or off (flag33 follows it, flag32 its negation).
    void setLit(bool lit);
    // The unlit colour, as given.
    void setColour(const RGBA& colour);
    void setAmbient(const RGBA& colour);
    void setDiffuse(const RGBA& colour);
    void setSpecular(const RGBA& colour);
    void setEmission(const RGBA& colour);
    // 0..1; GL gets shininess * 128.
    void setShininess(float shininess);
    // 0..1, also the alpha of every colour.
    void setOpacity(float opacity);
    void setValue30(float value);
    void setFlag32(bool flag);
    void setFlag33(bool flag);
    void setSmoothShading(bool smooth);
    void setSphereMap(bool sphereMap);
    void setVertexColours(bool vertexColours);
    // Texture unit 0 or 1 (others are ignored); null removes it.
    void setTexture(int unit, const heron::counted_ptr<Texture>& texture);

    const heron_string& name() const { return m_name; }
    const RGBA& ambient() const { return m_ambient; }
    const RGBA& diffuse() const { return m_diffuse; }
    const RGBA& specular() const { return m_specular; }
    const RGBA& emission() const { return m_emission; }
    const RGBA& colour() const { return m_colour; }
    float shininess() const { return m_shininess; }
    float opacity() const { return m_opacity; }
    float value30() const { return m_value30; }
    bool flag32() const { return m_flag32; }
    bool flag33() const { return m_flag33; }
    bool isLit() const { return m_lighting; }
    bool smoothShading() const { return m_smoothShading; }
    bool vertexColours() const { return m_vertexColours; }
    bool sphereMap() const { return m_sphereMap; }
    const heron::counted_ptr<Texture>& texture(int unit) const { return m_textures[unit == 0 ? 0 : 1]; }
    bool textureFlag(int unit) const { return m_textureFlags[unit == 0 ? 0 : 1]; }
    bool isInterned() const { return m_interned; }
    bool isChanged() const { return m_changed; }

    // The order of the interned set: textures and their flags, the lighting colours, shininess,
    // diffuse alpha, value30, the flags and the unlit colour (materials that draw differently
    // unlit are not one); name, opacity and lighting take no part.
    bool operator<(const Material& other) const;

    // The shared material "Default" (white), made on first use.
    static heron::counted_ptr<Material> defaultMaterial();
    // The interned material equal to material, made as a copy on first request. Interned
    // materials are shared and ordered by value: never change one; change a copy and intern it.
    static heron::counted_ptr<Material> intern(const Material& material);
    // Sets the GL state for this material.
    void apply() const;
    // For a material applied last and then drawn with: drawing leaves its GL state in force but
    // for the current colour, which a colour array leaves undefined, so only an unlit colour is
    // sent again. The same as apply() then, without the calls that would change nothing.
    void applyAgainAfterDraw() const;
    // Applies the default material with every state set unless the state cache is valid, then makes
    // it valid. The render accumulator calls it before its phases.
    static void lockDefault();
    // Makes the state cache invalid: the next apply sets every state.
    static void unlock();
    // Sets light 0's diffuse colour; the lights call it, so that a material without vertex colours
    // can restore what they set.
    static void setLight0Diffuse(const RGBA& colour);

    void registerFactories(heron::DataSource& source) override;
    const char* className() const override { return classIdentifier; }
    void write(heron::DataDest& dest) const override;
    // Reads the tagged block, with the setters' limits on colours and amounts (values that are not
    // numbers become 0).
    void read(heron::DataSource& source) override;

private:
    void readField(heron::DataSource& source, std::uint32_t tag);
    // Reads a unit's texture reference and flag.
    void readTexture(heron::DataSource& source, int unit);
    void applyAll() const;
    void applyChanges() const;
    void applyVertexColours() const;
    void applyLighting() const;
    void sendLitColours() const;
    void sendUnlitColour() const;
    void applyTexture(int unit) const;

    heron_string m_name;
    RGBA m_ambient;
    RGBA m_diffuse;
    RGBA m_specular;
    RGBA m_emission;
    float m_shininess = 0.5f;
    float m_opacity = 1.0f;
    float m_value30 = 0.0f;
    RGBA m_colour;
    bool m_flag32 = true;
    bool m_flag33 = false;
    bool m_lighting = false;
    bool m_smoothShading = true;
    bool m_vertexColours = false;
    bool m_sphereMap = false;
    heron::counted_ptr<Texture> m_textures[textureUnits];
    bool m_textureFlags[textureUnits] = {false, false};
    bool m_interned = false;
    bool m_changed = true;
};

}
