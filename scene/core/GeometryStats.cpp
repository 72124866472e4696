#include "scene/core/GeometryStats.h"

#include "base/Debug.h"

namespace finch
{

namespace
{

constexpr double megabyte = 1048576.0;

double megabytes(std::int64_t bytes)
{
    return static_cast<double>(bytes) / megabyte;
}

void printCount(const char* format, const GeometryStats::Count& count)
{
    heron::debug(format, count.count, count.bytes);
}

}

double GeometryStats::vertexMemory() const
{
    return megabytes(std::int64_t(vertices.bytes) + normals.bytes + colours.bytes + texCoords.bytes);
}

double GeometryStats::geobunchMemory() const
{
    return megabytes(std::int64_t(geobunches.bytes) + vertexIndices.bytes + meshSizes.bytes);
}

double GeometryStats::animationMemory() const
{
    return megabytes(std::int64_t(animatedGeobunches.bytes) + animationVertices.bytes);
}

double GeometryStats::textureMemory() const
{
    return textureBytes / megabyte;
}

void printGeometryStats(const GeometryStats& stats)
{
    heron::debug("\n\n");
    heron::debug("Geometry storage\n");
    heron::debug("================\n");
    heron::debug("Triangles:\n");
    heron::debug("There's %d triangles\n", stats.triangles);
    heron::debug("Vertices:\n");
    printCount("There's %d vertices (%d bytes)\n", stats.vertices);
    printCount("There's %d normals (%d bytes)\n", stats.normals);
    printCount("There's %d colors (%d bytes)\n", stats.colours);
    printCount("There's %d texCoords (%d bytes)\n", stats.texCoords);
    heron::debug("Total vertex memory = %.2fMb\n", stats.vertexMemory());
    heron::debug("Geobunches:\n");
    printCount("There's %d geobunches (%d bytes)\n", stats.geobunches);
    printCount("There's %d vertex indices (%d bytes)\n", stats.vertexIndices);
    printCount("There's %d mesh sizes (%d bytes)\n", stats.meshSizes);
    heron::debug("Total geobunch memory = %.2fMb\n", stats.geobunchMemory());
    heron::debug("Animations:\n");
    printCount("There's %d animated geobunches (%d bytes)\n", stats.animatedGeobunches);
    printCount("There's %d animation vertices (%d bytes)\n", stats.animationVertices);
    heron::debug("Total animation memory = %.2fMb\n", stats.animationMemory());
    heron::debug("--------------------------------\n");
    heron::debug("Total geometry storage = %.2fMb\n",
                 stats.vertexMemory() + stats.geobunchMemory() + stats.animationMemory());
    heron::debug("\n\n");
    heron::debug("Texture storage\n");
    heron::debug("===============\n");
    heron::debug("There's %d textures\n", stats.textures);
    heron::debug("Texture memory needed = %.2fMb\n", stats.textureMemory());
}

}
