#pragma once

#include "scene/math/Matrix.h"

class Zone;

namespace pelican
{
class PelicanObject;
}

// An object carried fixed in front of the view: it glides from where it was to its carry place
// over two seconds and then stays there. A plain record of the logic's.
struct CarryRecord
{
    pelican::PelicanObject* object = nullptr;
    double start = 0.0;
    // Set when the carry begins; the next placing takes the object's place relative to the view.
    bool justStarted = false;
    bool easing = false;
    // The carry place relative to the view: ahead by the zone's radius, below by its vertical
    // offset.
    finch::Vector3d offset;
    finch::Matrix relative;
    // How far ahead of the eye the object is drawn.
    double depth = 0.0;
    // Where the glide starts, relative to the carry place.
    finch::Transform startRelative;
    finch::Vector3d velocity;
};

// The zone object the player took along, the zone that gave it and what the seize changed on it.
// A plain record of the logic's.
struct SeizeState
{
    pelican::PelicanObject* object = nullptr;
    // The zone last entered that seizes its object; kept after the seize ends until the player is
    // well away from it, so that letting go does not seize the object again at once.
    Zone* zone = nullptr;
    // The seizing zone carries its object in front of the view.
    bool inView = false;
    double time = 0.0;
    // The object's collision mode before the seize; the seize turns its collisions off.
    int savedBranchValue = 0;
    CarryRecord carry;
    // The carried object's motion for the bat: its centre in the last frame and its velocity.
    finch::Vector3d lastCentre;
    finch::Vector3d velocity;
};

// Places a carried object relative to the view (camera, the view's placement) at time now: the
// first call takes the object's placement relative to the view as the glide's start; the glide
// then eases from there to the carry place, scale 1, over two seconds. Returns the object's new
// placement.
finch::Matrix placeCarried(CarryRecord& carry, const finch::Matrix& objectPlacement, const finch::Matrix& camera,
                           double now);

// The placement that keeps an object where it is relative to the view while the view moves from
// camera to destination.
finch::Matrix followView(const finch::Matrix& placement, const finch::Matrix& camera,
                         const finch::Transform& destination);
