// Matrix products and point transforms by matrix kind, against a plain 4 x 4 double product that
// knows nothing of kinds. Each benchmark runs a batch of 1024 operations per iteration; compare
// the times per batch ("plain" rows are the reference).
#include "scene/math/Matrix.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{

constexpr int batch = 1024;

using finch::Matrix;
using finch::Vector3d;

// One matrix of the kind: 0 identity, 1 rotation, 2 rotation and translation, 3 general affine.
Matrix matrixOfKind(int kind, double angle)
{
    Matrix m;
    if (kind >= 1) {
        m.setRotation(angle, 2.0 * angle, -angle);
    }
    if (kind >= 2) {
        m.translate(Vector3d(1.0, -2.0, 0.5 * angle));
    }
    if (kind >= 3) {
        m.preScale(Vector3d(1.5, 0.75, 2.0));
    }
    return m;
}

std::vector<Matrix> matrices(int kind)
{
    std::vector<Matrix> list;
    for (int i = 0; i < batch; ++i) {
        list.push_back(matrixOfKind(kind, 0.01 * i));
    }
    return list;
}

struct Plain
{
    double m[4][4];
};

std::vector<Plain> plainMatrices()
{
    std::vector<Plain> list;
    for (const Matrix& source : matrices(3)) {
        Plain p;
        for (int i = 0; i < 16; ++i) {
            p.m[i / 4][i % 4] = source.elements()[i];
        }
        list.push_back(p);
    }
    return list;
}

void plainMultiply(const Plain& a, const Plain& b, Plain& r)
{
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
        }
    }
}

void MultiplyByKind(benchmark::State& state)
{
    const std::vector<Matrix> a = matrices(static_cast<int>(state.range(0)));
    const std::vector<Matrix> b = matrices(static_cast<int>(state.range(0)));
    Matrix result;
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) {
            result.multiply(a[i], b[batch - 1 - i]);
            benchmark::DoNotOptimize(result);
        }
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

void MultiplyPlain(benchmark::State& state)
{
    const std::vector<Plain> a = plainMatrices();
    const std::vector<Plain> b = plainMatrices();
    Plain result;
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) {
            plainMultiply(a[i], b[batch - 1 - i], result);
            benchmark::DoNotOptimize(result);
        }
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

void TransformPointByKind(benchmark::State& state)
{
    const std::vector<Matrix> list = matrices(static_cast<int>(state.range(0)));
    Vector3d p(1.0, 2.0, 3.0);
    for (auto _ : state) {
        for (const Matrix& m : list) {
            m.transformPoint(p, p);
            benchmark::DoNotOptimize(p);
        }
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

void TransformPointPlain(benchmark::State& state)
{
    const std::vector<Plain> list = plainMatrices();
    double p[4] = {1.0, 2.0, 3.0, 1.0};
    for (auto _ : state) {
        for (const Plain& m : list) {
            double r[4];
            for (int j = 0; j < 4; ++j) {
                r[j] = p[0] * m.m[0][j] + p[1] * m.m[1][j] + p[2] * m.m[2][j] + p[3] * m.m[3][j];
            }
            for (int j = 0; j < 3; ++j) {
                p[j] = r[j] / r[3];
            }
            benchmark::DoNotOptimize(p);
        }
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

}

BENCHMARK(MultiplyByKind)->DenseRange(0, 3)->ArgName("kind");
BENCHMARK(MultiplyPlain);
BENCHMARK(TransformPointByKind)->DenseRange(0, 3)->ArgName("kind");
BENCHMARK(TransformPointPlain);

BENCHMARK_MAIN();
