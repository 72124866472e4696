#include "game/Level.h"

#include <algorithm>

bool nearerToPoint(const finch::Vector3d& point, Zone& a, Zone& b)
{
    return squaredDistance(a.position(), point) < squaredDistance(b.position(), point);
}

Level::~Level()
{
    while (!m_zones.empty()) {
        m_zones.pop_back();
    }
}

Zone* Level::addObject(const heron_string& zoneName)
{
    m_zones.push_back(std::make_unique<Zone>());
    Zone* const zone = m_zones.back().get();
    zone->name = zoneName;
    if (m_zones.size() == 1) {
        m_currentObject = zone;
    }
    return zone;
}

void Level::enter(const finch::Vector3d& eye)
{
    m_targetZones.clear();
    std::vector<Zone*> byDistance;
    for (const auto& zone : m_zones) {
        byDistance.push_back(zone.get());
    }
    std::stable_sort(byDistance.begin(), byDistance.end(),
                     [&](Zone* a, Zone* b) { return nearerToPoint(eye, *a, *b); });
    for (Zone* zone : byDistance) {
        zone->enterLevel();
        if (zone->isATarget) {
            m_targetZones.push_back(zone);
        }
        if (resetAllActs) {
            zone->act.stop();
        }
    }
    motor.start();
    m_entered = true;
}

void Level::exit()
{
    for (const auto& zone : m_zones) {
        zone->exit();
    }
    motor.stop();
    m_entered = false;
}

void Level::resetSounds()
{
    m_needsPlaySounds = false;
    for (const auto& zone : m_zones) {
        zone->reset();
        m_needsPlaySounds = m_needsPlaySounds || zone->isBat || zone->isBall;
    }
}
