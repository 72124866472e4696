#pragma once

#include <cstdint>

namespace finch
{

// The report of geometry and texture storage printed after a world is loaded. Memory figures are
// in megabytes of 1048576 bytes.
struct GeometryStats
{
    // A number of elements and the bytes they take.
    struct Count
    {
        std::int32_t count = 0;
        std::int32_t bytes = 0;
    };

    std::int32_t triangles = 0;
    Count vertices;
    Count normals;
    Count colours;
    Count texCoords;
    Count geobunches;
    Count vertexIndices;
    Count meshSizes;
    Count animatedGeobunches;
    Count animationVertices;
    std::int32_t textures = 0;
    double textureBytes = 0.0;

    double vertexMemory() const;
    double geobunchMemory() const;
    double animationMemory() const;
    double textureMemory() const;
};

// Writes the report to the debug log, one call per line.
void printGeometryStats(const GeometryStats& stats);

}
