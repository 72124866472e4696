#include "tools/demo/RadiosityWriter.h"

#include <bit>
#include <limits>

namespace demo
{

namespace
{

constexpr const char* headerLines = "Lightscape Radiosity LSB Format\n!\n";
constexpr std::uint16_t wideFlag = 1;
constexpr std::uint16_t texturedFlag = 2;

// Big-endian values appended to a byte string.
class Bytes
{
public:
    void u16(std::uint32_t value)
    {
        m_bytes.push_back(char(value >> 8));
        m_bytes.push_back(char(value));
    }
    void u32(std::uint32_t value)
    {
        u16(value >> 16);
        u16(value & 0xFFFF);
    }
    void f32(float value) { u32(std::bit_cast<std::uint32_t>(value)); }
    void floats(const float* values, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            f32(values[i]);
        }
    }
    void text(const std::string& line) { m_bytes += line; }
    std::string take() { return std::move(m_bytes); }

private:
    std::string m_bytes;
};

std::size_t nodeCount(const RadiosityPatch& patch)
{
    std::size_t count = 1;
    for (const RadiosityPatch& child : patch.children) {
        count += nodeCount(child);
    }
    return count;
}

bool validPatch(const RadiosityPatch& patch, std::uint32_t largest)
{
    if (!patch.children.empty()) {
        if (patch.children.size() != 4) {
            return false;
        }
        for (const RadiosityPatch& child : patch.children) {
            if (!validPatch(child, largest)) {
                return false;
            }
        }
        return true;
    }
    for (std::size_t k = 0; k < 4; ++k) {
        if (patch.corners[k] > largest || patch.midpoints[k] > largest) {
            return false;
        }
    }
    return true;
}

std::size_t clusterNodes(const RadiosityCluster& cluster)
{
    std::size_t count = 0;
    for (const RadiosityPatch& root : cluster.roots) {
        count += nodeCount(root);
    }
    return count;
}

bool validCluster(const RadiosityCluster& cluster)
{
    const std::size_t largest = cluster.wide ? std::numeric_limits<std::int32_t>::max() : 0xFFFF;
    const std::size_t vertices = cluster.derived.size() + cluster.given.size();
    if (vertices > largest || clusterNodes(cluster) > largest) {
        return false;
    }
    for (const RadiosityPatch& root : cluster.roots) {
        if (!validPatch(root, std::uint32_t(largest))) {
            return false;
        }
    }
    return true;
}

void writeNumber(Bytes& out, bool wide, std::size_t value)
{
    if (wide) {
        out.u32(std::uint32_t(value));
    } else {
        out.u16(std::uint32_t(value));
    }
}

void writePatch(Bytes& out, bool wide, const RadiosityPatch& patch)
{
    if (!patch.children.empty()) {
        out.text("i");
        for (const RadiosityPatch& child : patch.children) {
            writePatch(out, wide, child);
        }
        return;
    }
    out.text("l");
    for (const std::uint32_t corner : patch.corners) {
        writeNumber(out, wide, corner);
    }
    for (const std::uint32_t midpoint : patch.midpoints) {
        writeNumber(out, wide, midpoint);
    }
}

void writeCluster(Bytes& out, const RadiosityCluster& cluster)
{
    out.u16((cluster.wide ? wideFlag : 0) | (cluster.textured ? texturedFlag : 0));
    out.u16(0);
    for (int i = 0; i < 6; ++i) {
        out.u32(0);
    }
    out.u32(cluster.texture);
    const std::size_t vertices = cluster.derived.size() + cluster.given.size();
    for (const std::size_t count : {cluster.roots.size(), clusterNodes(cluster), cluster.given.size(), vertices}) {
        writeNumber(out, cluster.wide, count);
    }
    for (const RadiosityColour& colour : cluster.derived) {
        out.floats(colour.data(), colour.size());
    }
    for (const RadiosityVertex& vertex : cluster.given) {
        out.floats(vertex.position.data(), vertex.position.size());
        out.floats(vertex.colour.data(), vertex.colour.size());
        if (cluster.textured) {
            out.floats(vertex.texCoord.data(), vertex.texCoord.size());
        }
    }
    for (const RadiosityPatch& root : cluster.roots) {
        writePatch(out, cluster.wide, root);
    }
}

bool validNames(const RadiosityModel& model)
{
    for (const std::vector<std::string>* names : {&model.materials, &model.layers, &model.textures}) {
        for (const std::string& name : *names) {
            if (name.find('\n') != std::string::npos) {
                return false;
            }
        }
    }
    return true;
}

}

std::string writeRadiosity(const RadiosityModel& model, std::string& error)
{
    if (!validNames(model)) {
        error = "a name holds a line feed";
        return {};
    }
    for (const RadiosityCluster& cluster : model.clusters) {
        if (!validCluster(cluster)) {
            error = "a cluster's counts or numbers do not fit it, or a patch does not have four children";
            return {};
        }
    }
    Bytes out;
    out.text(headerLines);
    out.u16(0);
    out.u16(0);
    out.u32(std::uint32_t(model.clusters.size()));
    for (int i = 0; i < 4; ++i) {
        out.u32(0);
    }
    for (const std::vector<std::string>* names : {&model.materials, &model.layers, &model.textures}) {
        out.u32(std::uint32_t(names->size()));
    }
    for (const std::vector<std::string>* names : {&model.materials, &model.layers, &model.textures}) {
        for (const std::string& name : *names) {
            out.text(name + "\n");
        }
    }
    for (const RadiosityCluster& cluster : model.clusters) {
        writeCluster(out, cluster);
    }
    return out.take();
}

}
