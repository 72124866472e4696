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

// Where the ring display puts its rings: in an orthographic frame s = 25 r wide (r the ring's
// radius), a row from the top right leftwards, one ring's radius apart, each turned 15 degrees less
// than the one before it from the display's turning angle. The first stands a whole radius in from
// the top and right edges, so that it shows whole however it turns; rings that would lie wholly
// beyond the left edge are left out.
struct RingPlacement
{
    double x = 0.0;
    double z = 0.0;
    double degrees = 0.0;
};

std::vector<RingPlacement> ringDisplayRow(long long n, double r, int windowWidth, int windowHeight, double angle);

// Lets go of the GL textures the world's drawing keeps between frames; the game window does so when
// its loop ends, before the shared GL context can go.
void releaseWorldRendering();
