#pragma once

#include "base/counted_ptr.h"
#include "platform/Cursor.h"

#include <memory>

namespace kestrel
{

// A mouse cursor: a system cursor or a 32 x 32 two-mask pattern with its hot spot. The display's
// cursor is made on first use of handle(). GUI thread only.
class Cursor
{
public:
    static constexpr int side = plat::CursorMasks::side;

    // Ids of the standard cursors.
    static constexpr int arrow = 0;
    static constexpr int iBeam = 1;
    static constexpr int pointingHand = 2;
    static constexpr int hourglass = 3;
    static constexpr int noEntry = 4;
    static constexpr int cross = 5;
    static constexpr int openHand = 6;
    static constexpr int closedHand = 7;
    static constexpr int westEastArrows = 8;
    static constexpr int northSouthArrows = 9;
    static constexpr int fourWayArrows = 10;

    // The shared cursor of a standard id, made on first request and kept for the process; every
    // id that is none of the above gives the arrow.
    static heron::counted_ptr<Cursor> standard(int id);

    // A pattern cursor from text art: up to 32 rows of up to 32 characters, ended early by a null
    // or empty row. A non-blank character is opaque, the white character white and every other
    // one black; the hot-spot character marks the hot spot (default 16, 16) and is then read as
    // the replacement character. Mirroring reverses the columns, flipping the rows.
    Cursor(const char* const* rows, bool mirror, bool flip, char white, char hotSpot,
           char replacement);
    ~Cursor();
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    // The display's cursor, made on first use; null without a display (logged, and tried again
    // on the next call). Owned by this cursor.
    const plat::Cursor* handle();

    bool isPattern() const { return m_pattern; }
    // Hot spot: column and row from the top-left of the pattern.
    int hotX() const { return m_hotX; }
    int hotY() const { return m_hotY; }
    const plat::CursorMasks& masks() const { return m_masks; }

private:
    explicit Cursor(plat::SystemCursor kind);
    void mirrorColumns();
    void flipRows();

    bool m_pattern = false;
    plat::SystemCursor m_system = plat::SystemCursor::Arrow;
    plat::CursorMasks m_masks;
    int m_hotX = 16;
    int m_hotY = 16;
    std::unique_ptr<plat::Cursor> m_handle;
};

}
