#pragma once

#include "base/Refcountable.h"
#include "base/Streamable.h"
#include "scene/math/Vector3d.h"

#include <cstdint>
#include <vector>

namespace finch
{

// A pair of texture coordinates.
struct TexCoord
{
    float s = 0.0f;
    float t = 0.0f;
    bool operator==(const TexCoord& other) const = default;
};

// One attribute array of a bunch, shared by counted references between bunches. Stored with the
// count of its holders (for older readers; a read stream counts the references it restores) and
// its elements. Copying copies the array. Main thread only.
class RefStrm : public heron::Refcountable, public heron::Streamable
{
public:
    virtual std::uint32_t size() const = 0;
};

// The stream kinds: element type, stored bytes per element and class identifier.
template <class Element, int ElementBytes, const char* Name>
class DataStream final : public RefStrm
{
public:
    [[nodiscard]] static heron::Streamable* create() { return new DataStream; }

    DataStream() = default;
    explicit DataStream(std::vector<Element> elements) : m_elements(std::move(elements)) {}

    std::uint32_t size() const override { return std::uint32_t(m_elements.size()); }
    std::vector<Element>& elements() { return m_elements; }
    const std::vector<Element>& elements() const { return m_elements; }
    Element* data() { return m_elements.empty() ? nullptr : m_elements.data(); }
    const Element* data() const { return m_elements.empty() ? nullptr : m_elements.data(); }

    const char* className() const override { return Name; }
    void read(heron::DataSource& source) override;
    void write(heron::DataDest& dest) const override;

private:
    std::vector<Element> m_elements;
};

namespace streamnames
{
inline constexpr char strip[] = "duskharbor::finch::GeoBunch::strip_data";
inline constexpr char index[] = "duskharbor::finch::GeoBunch::index_data";
inline constexpr char vertex[] = "duskharbor::finch::GeoBunch::vertex_data";
inline constexpr char color[] = "duskharbor::finch::GeoBunch::color_data";
inline constexpr char normal[] = "duskharbor::finch::GeoBunch::normal_data";
inline constexpr char texcoord[] = "duskharbor::finch::GeoBunch::texcoord_data";
}

// Strip lengths: L > 0 a strip of L entries, L <= 0 a fan of -L.
using strip_data = DataStream<std::int32_t, 4, streamnames::strip>;
using index_data = DataStream<std::uint32_t, 4, streamnames::index>;
using vertex_data = DataStream<Vector3f, 12, streamnames::vertex>;
// Packed colours, bytes R, G, B, A in memory order.
using color_data = DataStream<std::uint32_t, 4, streamnames::color>;
using normal_data = DataStream<Vector3f, 12, streamnames::normal>;
using texcoord_data = DataStream<TexCoord, 8, streamnames::texcoord>;

extern template class DataStream<std::int32_t, 4, streamnames::strip>;
extern template class DataStream<std::uint32_t, 4, streamnames::index>;
extern template class DataStream<Vector3f, 12, streamnames::vertex>;
extern template class DataStream<std::uint32_t, 4, streamnames::color>;
extern template class DataStream<Vector3f, 12, streamnames::normal>;
extern template class DataStream<TexCoord, 8, streamnames::texcoord>;

}
