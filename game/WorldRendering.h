#pragma once

#include <vector>

// Where the counter display puts its icons: n icons in a row from the right edge leftwards, the
// leftmost c of them counted. Icons past the left edge are not laid out, so a huge count costs
// no more than a screenful.
struct CounterIcon
{
    int x = 0;
    int y = 0;
    bool counted = false;
};

std::vector<CounterIcon> counterIconRow(long long n, long long c, int windowWidth, int windowHeight, int iconWidth,
                                        int iconHeight);

// Lets go of the GL textures the world's drawing keeps between frames; the game window does so when
// its loop ends, before the shared GL context can go.
void releaseWorldRendering();
