#include "platform/Cursor.h"

#include "base/Debug.h"

#include <SDL.h>

#include <atomic>

namespace plat
{

namespace
{

SDL_SystemCursor sdlCursor(SystemCursor kind)
{
    switch (kind) {
    case SystemCursor::Arrow:
        break;
    case SystemCursor::IBeam:
        return SDL_SYSTEM_CURSOR_IBEAM;
    case SystemCursor::Wait:
        return SDL_SYSTEM_CURSOR_WAIT;
    case SystemCursor::No:
        return SDL_SYSTEM_CURSOR_NO;
    case SystemCursor::Crosshair:
        return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case SystemCursor::SizeWestEast:
        return SDL_SYSTEM_CURSOR_SIZEWE;
    case SystemCursor::SizeNorthSouth:
        return SDL_SYSTEM_CURSOR_SIZENS;
    case SystemCursor::SizeAll:
        return SDL_SYSTEM_CURSOR_SIZEALL;
    }
    return SDL_SYSTEM_CURSOR_ARROW;
}

bool haveDisplay()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        return true;
    }
    static std::atomic<bool> logged{false};
    if (!logged.exchange(true)) {
        heron::debug("plat::Cursor - no display, the default cursor stays\n");
    }
    return false;
}

}

std::unique_ptr<Cursor> Cursor::createSystem(SystemCursor kind)
{
    if (!haveDisplay()) {
        return nullptr;
    }
    SDL_Cursor* cursor = SDL_CreateSystemCursor(sdlCursor(kind));
    if (cursor == nullptr) {
        heron::debug("plat::Cursor - system cursor failed: %s\n", SDL_GetError());
        return nullptr;
    }
    return std::unique_ptr<Cursor>(new Cursor(cursor));
}

std::unique_ptr<Cursor> Cursor::createPattern(const CursorMasks& masks, int hotX, int hotY)
{
    if (!haveDisplay()) {
        return nullptr;
    }
    CursorMasks::Bits data{};
    CursorMasks::Bits mask{};
    toSdlBits(masks, data.data(), mask.data());
    SDL_Cursor* cursor = SDL_CreateCursor(data.data(), mask.data(), CursorMasks::side,
                                          CursorMasks::side, hotX, hotY);
    if (cursor == nullptr) {
        heron::debug("plat::Cursor - pattern cursor failed: %s\n", SDL_GetError());
        return nullptr;
    }
    return std::unique_ptr<Cursor>(new Cursor(cursor));
}

Cursor::~Cursor()
{
    SDL_FreeCursor(m_cursor);
}

void Cursor::show() const
{
    SDL_SetCursor(m_cursor);
}

// SDL's rule: mask 1 shows the pixel, data 1 makes it black; mask 0 with data 1 inverts.
void Cursor::toSdlBits(const CursorMasks& masks, std::uint8_t* data, std::uint8_t* mask)
{
    for (int i = 0; i < CursorMasks::bytes; ++i) {
        const std::uint8_t andBits = masks.andMask[static_cast<std::size_t>(i)];
        const std::uint8_t xorBits = masks.xorMask[static_cast<std::size_t>(i)];
        mask[i] = static_cast<std::uint8_t>(~andBits);
        data[i] = static_cast<std::uint8_t>(~(andBits ^ xorBits));
    }
}

}
