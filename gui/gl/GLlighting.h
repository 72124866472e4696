#pragma once

// Fixed-function lighting helpers for the scene engine's materials and lights. Like the other GL
// helpers they act on the current context of the main thread and keep no cache.
namespace kestrel
{

// The material colours of setMaterialColour.
enum class MaterialColour
{
    Ambient = 0,
    Diffuse = 1,
    Specular = 2,
    Emission = 3,
};

// Sets a material colour (RGBA) of both faces.
void setMaterialColour(MaterialColour which, const float* rgba);
// Sets the specular exponent of both faces (0..128).
void setMaterialShininess(float exponent);
// Sets the diffuse colour (RGBA) of light n (0..7); other lights are ignored.
void setLightDiffuse(int light, const float* rgba);
// Vertex colours drive the ambient and diffuse colours of both faces while this is on.
void enableColourMaterial();
void disableColourMaterial();

}
