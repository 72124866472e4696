#pragma once

#include "base/counted_ptr.h"

#include <memory>

namespace finch
{

class Material;
class Object;

// The engine's own model: a teapot of 32 bicubic patches, z up, about 0.4 units across, each
// patch cut into subdivision x subdivision cells (a subdivision below 1 is refused by the patch,
// which then uses 5). The object "Teapot" has a group "teapot" as its root holding one polygon
// branch "teapot"; its point list holds the eight corners (+-0.2, +-0.2, +-0.2). Without a
// material a new white lit one named "Teapot" is made. Main thread only.
[[nodiscard]] std::unique_ptr<Object> makeTeapot(int subdivision, const heron::counted_ptr<Material>& material);

}
