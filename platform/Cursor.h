#pragma once

#include <array>
#include <cstdint>
#include <memory>

struct SDL_Cursor;

namespace plat
{

// The system's own mouse cursors.
enum class SystemCursor
{
    Arrow,
    IBeam,
    Wait,
    No,
    Crosshair,
    SizeWestEast,
    SizeNorthSouth,
    SizeAll,
};

// A 32 x 32 two-mask pattern, rows top first, 4 bytes a row, most significant bit leftmost:
// AND 0 and XOR 0 black, AND 0 and XOR 1 white, AND 1 and XOR 0 transparent, both 1 inverted.
struct CursorMasks
{
    static constexpr int side = 32;
    static constexpr int bytes = side * side / 8;
    using Bits = std::array<std::uint8_t, bytes>;
    Bits andMask{};
    Bits xorMask{};
};

// A mouse cursor of the display, over SDL. Needs SDL's video subsystem; main thread only.
class Cursor
{
public:
    // The system cursor; null (with the reason logged) without a display.
    [[nodiscard]] static std::unique_ptr<Cursor> createSystem(SystemCursor kind);
    // A pattern cursor with its hot spot (column, row from the top); null without a display.
    [[nodiscard]] static std::unique_ptr<Cursor> createPattern(const CursorMasks& masks, int hotX, int hotY);
    ~Cursor();
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    // Makes this the mouse cursor shown over the program's windows.
    void show() const;

    // The pattern as SDL wants it: data and mask bits for each pixel, same packing.
    static void toSdlBits(const CursorMasks& masks, std::uint8_t* data, std::uint8_t* mask);

private:
    explicit Cursor(SDL_Cursor* cursor) : m_cursor(cursor) {}
    SDL_Cursor* m_cursor;
};

}
