#pragma once

#include <cstdint>

namespace kestrel
{

// The colours a document is painted in, packed 0xAABBGGRR.
class HTMLInfo
{
public:
    virtual ~HTMLInfo() = default;
    virtual std::uint32_t textColour() const = 0;
    virtual std::uint32_t linkColour() const = 0;
    // 0 when the document sets none.
    virtual std::uint32_t backgroundColour() const = 0;
};

}
