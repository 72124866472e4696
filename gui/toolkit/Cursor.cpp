#include "gui/toolkit/Cursor.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>

namespace kestrel
{

namespace
{

constexpr int kBytesPerRow = Cursor::side / 8;

// Rows top to bottom; '#' black, '+' white, 'x' the hot spot, blank transparent.
constexpr const char* kPointingHand[] = {
    "      ##           ", "     #x+#          ", "     #++#          ", "     #++#          ",
    "     #++#          ", "     #++###        ", "     #++#++###     ", "     #++#++#++##   ",
    " ### #++#++#++#+#  ", " #++##++++++++#++# ", " #+++#+++++++++++# ", "  #++#+++++++++++# ",
    "   #+#+++++++++++# ", "   #+++++++++++++# ", "    #++++++++++++# ", "    #+++++++++++#  ",
    "     #++++++++++#  ", "     #++++++++++#  ", "      #++++++++#   ", "      #++++++++#   ",
    "      ##########   ", nullptr,
};

constexpr const char* kOpenHand[] = {
    "        ##        ", "    ## #++###     ", "   #++##++#++#    ", "   #++##++#++# #  ",
    "    #++#++#++##+# ", "    #++#++#++#++# ", "  ##+#+x+++++#++# ", " #++##++++++++++# ",
    " #+++#+++++++++#  ", "  #++++++++++++#  ", "   #+++++++++++#  ", "   #++++++++++#   ",
    "    #+++++++++#   ", "     #+++++++#    ", "      #++++++#    ", "      #++++++#    ",
    nullptr,
};

constexpr const char* kClosedHand[] = {
    "   ## ## ##    ", "  #++#++#++##  ", "  #++++++++#+# ", "   #+x+++++++# ",
    "  ##+++++++++# ", " #+++++++++++# ", " #++++++++++#  ", "  #+++++++++#  ",
    "   #+++++++#   ", "    #++++++#   ", "    #++++++#   ", nullptr,
};

std::uint8_t reverseBits(std::uint8_t b)
{
    std::uint8_t r = 0;
    for (int i = 0; i < 8; ++i) {
        r = static_cast<std::uint8_t>((r << 1) | ((b >> i) & 1));
    }
    return r;
}

void reverseRow(plat::CursorMasks::Bits& bits, int row)
{
    std::uint8_t* first = bits.data() + row * kBytesPerRow;
    for (int i = 0; i < kBytesPerRow / 2; ++i) {
        std::swap(first[i], first[kBytesPerRow - 1 - i]);
    }
    for (int i = 0; i < kBytesPerRow; ++i) {
        first[i] = reverseBits(first[i]);
    }
}

void swapRows(plat::CursorMasks::Bits& bits, int a, int b)
{
    std::swap_ranges(bits.begin() + a * kBytesPerRow, bits.begin() + (a + 1) * kBytesPerRow,
                     bits.begin() + b * kBytesPerRow);
}

plat::SystemCursor systemKind(int id)
{
    switch (id) {
    case Cursor::iBeam:
        return plat::SystemCursor::IBeam;
    case Cursor::hourglass:
        return plat::SystemCursor::Wait;
    case Cursor::noEntry:
        return plat::SystemCursor::No;
    case Cursor::cross:
        return plat::SystemCursor::Crosshair;
    case Cursor::westEastArrows:
        return plat::SystemCursor::SizeWestEast;
    case Cursor::northSouthArrows:
        return plat::SystemCursor::SizeNorthSouth;
    case Cursor::fourWayArrows:
        return plat::SystemCursor::SizeAll;
    default:
        return plat::SystemCursor::Arrow;
    }
}

// A hand pattern as drawn ('+' white, 'x' the hot spot), neither mirrored nor flipped; the hot
// spot's pixel is then read as `underHotSpot`.
Cursor* handPattern(const char* const* rows, char underHotSpot)
{
    constexpr bool mirror = false;
    constexpr bool flip = false;
    return new Cursor(rows, mirror, flip, '+', 'x', underHotSpot);
}

}

heron::counted_ptr<Cursor> Cursor::standard(int id)
{
    static std::mutex mutex;
    static std::map<int, heron::counted_ptr<Cursor>> cache;
    if (id < arrow || id > fourWayArrows) {
        id = arrow;
    }
    const std::lock_guard<std::mutex> lock(mutex);
    auto found = cache.find(id);
    if (found != cache.end()) {
        return found->second;
    }
    heron::counted_ptr<Cursor> cursor;
    switch (id) {
    case pointingHand:
        cursor.reset(handPattern(kPointingHand, '+'));
        break;
    case openHand:
        cursor.reset(handPattern(kOpenHand, '+'));
        break;
    case closedHand:
        cursor.reset(handPattern(kClosedHand, ' '));
        break;
    default:
        cursor.reset(new Cursor(systemKind(id)));
        break;
    }
    cache.emplace(id, cursor);
    return cursor;
}

Cursor::Cursor(plat::SystemCursor kind) : m_system(kind) {}

Cursor::Cursor(const char* const* rows, bool mirror, bool flip, char white, char hotSpot,
               char replacement)
    : m_pattern(true)
{
    m_masks.andMask.fill(0xFF);
    m_masks.xorMask.fill(0);
    for (int row = 0; row < side && rows != nullptr && rows[row] != nullptr && rows[row][0] != '\0'; ++row) {
        for (int column = 0; column < side && rows[row][column] != '\0'; ++column) {
            char c = rows[row][column];
            if (c == hotSpot) {
                m_hotX = column;
                m_hotY = row;
                c = replacement;
            }
            if (c == ' ') {
                continue;
            }
            const int byte = row * kBytesPerRow + column / 8;
            const auto bit = static_cast<std::uint8_t>(0x80 >> (column % 8));
            m_masks.andMask[static_cast<std::size_t>(byte)] &= static_cast<std::uint8_t>(~bit);
            if (c == white) {
                m_masks.xorMask[static_cast<std::size_t>(byte)] |= bit;
            }
        }
    }
    if (mirror) {
        mirrorColumns();
    }
    if (flip) {
        flipRows();
    }
}

Cursor::~Cursor() = default;

void Cursor::mirrorColumns()
{
    m_hotX = side - 1 - m_hotX;
    for (int row = 0; row < side; ++row) {
        reverseRow(m_masks.andMask, row);
        reverseRow(m_masks.xorMask, row);
    }
}

void Cursor::flipRows()
{
    m_hotY = side - 1 - m_hotY;
    for (int row = 0; row < side / 2; ++row) {
        swapRows(m_masks.andMask, row, side - 1 - row);
        swapRows(m_masks.xorMask, row, side - 1 - row);
    }
}

const plat::Cursor* Cursor::handle()
{
    if (m_handle == nullptr) {
        m_handle = m_pattern ? plat::Cursor::createPattern(m_masks, m_hotX, m_hotY)
                             : plat::Cursor::createSystem(m_system);
    }
    return m_handle.get();
}

}
