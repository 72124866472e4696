#pragma once

// Fixed-function lighting and fog helpers for the scene engine's materials, lights and fogs. Like
// the other GL helpers they act on the current context of the main thread and keep no cache.
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
// Light n (0..7; others are ignored) in the frame of the 16 floats of frame (loaded as loadMatrix
// does; null: the identity), the model-view matrix kept: its position (w 0 for a direction, 1 for
// a point), its ambient, diffuse and specular colour, its three attenuation factors, and on.
void setLight(int light, const float* position, const float* rgba, const float* attenuation, const float* frame);
// The light model: the ambient colour, the local viewer and, when the driver offers it, the
// separate specular colour.
void setLightModel(const float* ambient, bool localViewer, bool separateSpecular);

// Fog modes of setFog.
enum class FogMode
{
    Linear = 0,
    Exponential = 1,
    SquaredExponential = 2,
};
// Fog of the mode with its start, end and density and the colour (RGBA) on; only while the
// "Enable fog" switch is on.
void setFog(FogMode mode, float start, float end, float density, const float* rgba);
// Fog off; only while the "Enable fog" switch is on.
void disableFog();

// Vertex colours drive the ambient and diffuse colours of both faces while this is on.
void enableColourMaterial();
void disableColourMaterial();

}
