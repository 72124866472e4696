// Reads arbitrary bytes as one of the scene's stored blocks that live inside other classes'
// bodies: a bounding box, a Bezier path or a matrix. The first byte chooses the block and the byte
// order. What reads must hold numbers only, and write a block that reads back to the same bytes.

#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "scene/math/BezierPath.h"
#include "scene/math/BoundingBox.h"
#include "scene/math/Matrix.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace
{

using Bytes = std::vector<unsigned char>;

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

template <class Write>
Bytes bytesOf(bool bigEndian, Write write)
{
    heron::MemoryDataDest dest;
    dest.setBigEndian(bigEndian);
    write(dest);
    return Bytes(dest.data(), dest.data() + dest.size());
}

// The block written, read back and written again gives the same bytes.
template <class Block, class Read, class Write>
void checkRewrite(const Block& block, bool bigEndian, Read read, Write write)
{
    const Bytes first = bytesOf(bigEndian, [&](heron::DataDest& dest) { write(dest, block); });
    heron::MemoryDataSource copy(first.data(), std::uint32_t(first.size()), false);
    copy.setBigEndian(bigEndian);
    Block again;
    read(copy, again);
    check(bytesOf(bigEndian, [&](heron::DataDest& dest) { write(dest, again); }) == first);
}

void fuzzBox(heron::MemoryDataSource& source, bool bigEndian)
{
    finch::BoundingBox box;
    box.read(source);
    check(!box.isValid() || (box.min().isFinite() && box.max().isFinite() && box.centre().isFinite() &&
                           std::isfinite(box.radiusSquared())));
    checkRewrite(
        box, bigEndian, [](heron::DataSource& s, finch::BoundingBox& b) { b.read(s); },
        [](heron::DataDest& d, const finch::BoundingBox& b) { b.write(d); });
}

void fuzzPath(heron::MemoryDataSource& source, bool bigEndian)
{
    finch::BezierPath path;
    path.read(source);
    for (const double d : {-1.0, 0.5, 1e9}) {
        finch::BezierSegment* segment = nullptr;
        double t = 0.0;
        path.findSegment(d, segment, t);
        check((segment == nullptr) == (path.segmentCount() == 0) && t >= 0.0 && t <= 1.0);
    }
    checkRewrite(
        path, bigEndian, [](heron::DataSource& s, finch::BezierPath& p) { p.read(s); },
        [](heron::DataDest& d, const finch::BezierPath& p) { p.write(d); });
}

void fuzzMatrix(heron::MemoryDataSource& source, bool bigEndian)
{
    finch::Matrix matrix;
    finch::readMatrix(source, matrix);
    for (int i = 0; i < 16; ++i) {
        check(std::isfinite(matrix.elements()[i]));
    }
    check(matrix.kind() >= matrix.classify());
    finch::Matrix inverse;
    matrix.getInverse(inverse);
    static_cast<void>(matrix.getTransform());
    checkRewrite(matrix, bigEndian, &finch::readMatrix, &finch::writeMatrix);
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const bool bigEndian = (data[0] & 4) != 0;
    heron::MemoryDataSource source(data + 1, std::uint32_t(size - 1), false);
    source.setBigEndian(bigEndian);
    switch (data[0] % 3) {
    case 0: fuzzBox(source, bigEndian); break;
    case 1: fuzzPath(source, bigEndian); break;
    default: fuzzMatrix(source, bigEndian); break;
    }
    return 0;
}
